// The background window: one maximised window behind every dialog with the
// colour gradient (or the plain first colour), the product's title and the
// footer in white over a black shadow, and the side panel on top. It is
// made once, never destroyed, and repaints the whole picture on every
// WM_PAINT; it takes no input.
#include "ui/background.h"
#include "app/flags.h"
#include "app/state.h"
#include "app/texts.h"
#include "ui/gradient.h"
#include "ui/panel.h"
#include <cstring>

enum { FONT_SIZE_EXTRA = 6 };

static const char CLASS_NAME[] = "setup";
static const char STANDARD_FACE[] = "標準フォント";
static const char STANDARD_FACE_REPLACEMENT[] = "ＭＳ 明朝";

// What WM_CREATE works out once for every later paint.
struct BackgroundLook {
  int LetterHeight;  // F: the title font's character height in pixels
  int BandHeight;
  int ShadowOffset;
  int TitleLength;
  int SubtitleLength;
  RECT Band;         // full width; top and bottom set per band
};

static BackgroundLook Look;

// Length of a NUL-terminated text that may not read past capacity bytes.
static int BoundedLength(const char* text, int capacity)
{
  int length = 0;
  while (length < capacity - 1 && text[length] != '\0') ++length;
  return length;
}

static void CreateTitleFont()
{
  LOGFONTA font;
  ZeroMemory(&font, sizeof font);
  font.lfHeight = -Look.LetterHeight;
  font.lfCharSet = DEFAULT_CHARSET;
  // Only the whole name is a placeholder; a face that merely starts with it
  // is a real face name.
  const char* face = State.FontFace;
  if (std::strcmp(face, STANDARD_FACE) == 0) face = STANDARD_FACE_REPLACEMENT;
  lstrcpynA(font.lfFaceName, face, sizeof font.lfFaceName);
  State.TitleFont = CreateFontIndirectA(&font);
}

static void OnCreate(HWND window)
{
  // The window stays maximised for the whole run, so a framed one loses its
  // maximise box; the bit is flipped, and means nothing to a popup.
  const LONG style = GetWindowLongA(window, GWL_STYLE);
  SetWindowLongA(window, GWL_STYLE, style ^ WS_MAXIMIZEBOX);

  Look.LetterHeight = State.FontSize + FONT_SIZE_EXTRA;
  Look.BandHeight = BandHeight(State.ScreenHeight);
  CreateTitleFont();
  Look.TitleLength = BoundedLength(State.ProductName, sizeof State.ProductName);
  Look.SubtitleLength = sizeof TXT_SETUP - 1;
  Look.ShadowOffset = ShadowOffset(State.ScreenWidth);
  Look.Band.left = 0;
  Look.Band.right = State.ScreenWidth;
}

static void PaintGradient(HDC dc)
{
  // All 256 bands are painted even where they fall below the screen.
  for (int band = 0; band < GRADIENT_BANDS; ++band) {
    Look.Band.top = band * Look.BandHeight;
    Look.Band.bottom = Look.Band.top + Look.BandHeight;
    HBRUSH brush = CreateSolidBrush(BandColour(State.GradientTop, State.GradientBottom, band));
    FillRect(dc, &Look.Band, brush);
    DeleteObject(brush);
  }
}

static void PaintTexts(HDC dc)
{
  SetBkMode(dc, TRANSPARENT);
  HGDIOBJ previousFont = SelectObject(dc, State.TitleFont);

  const int letter = Look.LetterHeight;
  const int titleX = 2 * letter / 3;
  const int titleY = letter / 2;
  const int subtitleY = letter / 2 + letter;
  const int footerLength = BoundedLength(State.FooterText, sizeof State.FooterText);
  SIZE footer = {0, 0};
  if (footerLength > 0) GetTextExtentPoint32A(dc, State.FooterText, footerLength, &footer);
  const int footerX = State.ScreenWidth - footer.cx - letter;
  const int footerY = State.ScreenHeight - 2 * footer.cy;

  SetTextColor(dc, RGB(0, 0, 0));
  TextOutA(dc, titleX, titleY, State.ProductName, Look.TitleLength);
  TextOutA(dc, titleX, subtitleY, TXT_SETUP, Look.SubtitleLength);
  if (footerLength > 0) TextOutA(dc, footerX, footerY, State.FooterText, footerLength);

  const int shadow = Look.ShadowOffset;
  SetTextColor(dc, RGB(255, 255, 255));
  TextOutA(dc, titleX - shadow, titleY - shadow, State.ProductName, Look.TitleLength);
  // The subtitle's white copy moves left only: its shadow falls to the side.
  TextOutA(dc, titleX - shadow, subtitleY, TXT_SETUP, Look.SubtitleLength);
  if (footerLength > 0) {
    TextOutA(dc, footerX - shadow, footerY - shadow, State.FooterText, footerLength);
  }

  SelectObject(dc, previousFont);
}

static void OnPaint(HWND window)
{
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  if (!(State.PayloadFlags & PF_PLAIN_BACKGROUND)) PaintGradient(dc);
  PaintTexts(dc);
  DrawPanel(dc);
  EndPaint(window, &paint);
}

static LRESULT CALLBACK BackgroundProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
  switch (message) {
    case WM_CREATE:
      OnCreate(window);
      return 0;
    case WM_PAINT:
      OnPaint(window);
      return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

void CreateBackgroundWindow()
{
  State.BackgroundBrush = nullptr;
  if (State.PayloadFlags & PF_PLAIN_BACKGROUND) {
    State.BackgroundBrush = CreateSolidBrush(State.GradientTop);
  }

  // Without a brush the system leaves the window unerased: the gradient
  // covers all of it.
  WNDCLASSA windowClass;
  ZeroMemory(&windowClass, sizeof windowClass);
  windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_NOCLOSE;
  windowClass.lpfnWndProc = BackgroundProc;
  windowClass.hInstance = State.Module;
  windowClass.hIcon = State.ProgramIcon;
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = State.BackgroundBrush;
  windowClass.lpszClassName = CLASS_NAME;
  RegisterClassA(&windowClass);

  const DWORD style = (State.PayloadFlags & PF_FRAMED_WINDOW) ? WS_OVERLAPPEDWINDOW : WS_POPUP;
  State.MainWindow = CreateWindowExA(0, CLASS_NAME, State.WindowTitle, style, 0, 0, 0, 0,
                                     nullptr, nullptr, State.Module, nullptr);
  ShowWindow(State.MainWindow, SW_SHOWMAXIMIZED);
  UpdateWindow(State.MainWindow);
}
