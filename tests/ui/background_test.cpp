// The background window as the user sees it: every pixel of the screen is
// read back after the window has painted and compared with the gradient
// bands and with the title, subtitle and footer in white over their black
// shadows at their fixed places. A screenshot lands in screenshots/.
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "app/flags.h"
#include "app/services.h"
#include "app/state.h"
#include "ui/background.h"
#include "ui/gradient.h"
#include "tests/support/screen_capture.h"

namespace {

const COLORREF WHITE = RGB(255, 255, 255);
const COLORREF BLACK = RGB(0, 0, 0);
const char PRODUCT[] = "テスト製品ＡＢＣ";
const char SUBTITLE[] = "セットアップ";
const char FOOTER[] = "株式会社サンプル";
const char FACE[] = "ＭＳ 明朝";

// How much of each screen pixel some text covers, 0 to 255: one layer for
// the white copies, one for the black shadows.
struct Coverage {
  int Width;
  int Height;
  std::vector<unsigned char> White, Shadow;

  Coverage(int width, int height)
      : Width(width), Height(height), White(width * height), Shadow(width * height) {}
};

// Draws text white on black with a font of its own (the title font's height
// and face, independent of the code under test) and adds its coverage at
// (x, y) to the layer. Returns the number of pixels the text covers fully.
int AddText(Coverage& coverage, std::vector<unsigned char>& layer, const char* text, int x, int y,
            int letterHeight)
{
  const int margin = 8;
  HDC display = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(display);
  HFONT font = CreateFontA(-letterHeight, 0, 0, 0, 0, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, FACE);
  HGDIOBJ previousFont = SelectObject(memory, font);
  SIZE extent = {};
  GetTextExtentPoint32A(memory, text, lstrlenA(text), &extent);
  const int width = extent.cx + 2 * margin;
  const int height = extent.cy + 2 * margin;
  const int stride = (width * 3 + 3) & ~3;
  BITMAPINFO info = Info24(width, height);
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(display, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ previousBitmap = SelectObject(memory, dib);
  RECT all = {0, 0, width, height};
  FillRect(memory, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  SetBkMode(memory, TRANSPARENT);
  SetTextColor(memory, WHITE);
  TextOutA(memory, margin, margin, text, lstrlenA(text));
  GdiFlush();

  int full = 0;
  const unsigned char* bytes = static_cast<const unsigned char*>(bits);
  for (int row = 0; row < height; ++row) {
    for (int column = 0; column < width; ++column) {
      const unsigned char* pixel = bytes + row * stride + column * 3;
      const unsigned char level = pixel[0] < pixel[2] ? pixel[0] : pixel[2];
      const int screenX = x - margin + column;
      const int screenY = y - margin + row;
      if (level == 0 || screenX < 0 || screenY < 0 || screenX >= coverage.Width ||
          screenY >= coverage.Height) {
        continue;
      }
      unsigned char& cell = layer[screenY * coverage.Width + screenX];
      if (level > cell) cell = level;
      if (level == 255 && pixel[1] == 255) ++full;
    }
  }
  SelectObject(memory, previousBitmap);
  SelectObject(memory, previousFont);
  DeleteObject(dib);
  DeleteObject(font);
  DeleteDC(memory);
  ReleaseDC(nullptr, display);
  return full;
}

SIZE MeasureText(const char* text, int letterHeight)
{
  HDC display = GetDC(nullptr);
  HFONT font = CreateFontA(-letterHeight, 0, 0, 0, 0, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, FACE);
  HGDIOBJ previous = SelectObject(display, font);
  SIZE extent = {};
  GetTextExtentPoint32A(display, text, lstrlenA(text), &extent);
  SelectObject(display, previous);
  DeleteObject(font);
  ReleaseDC(nullptr, display);
  return extent;
}

// What a comparison of the screen with the expected picture found.
struct Verdict {
  int WhiteSeen = 0;
  int BlackSeen = 0;
  int BackgroundSeen = 0;
  int Wrong = 0;
  std::string FirstWrong;
};

// Compares columns 0 to width - 1 of the screen: fully white-covered pixels
// must be white, fully shadow-covered ones without white must be black,
// uncovered ones the background; anti-aliased edges are not judged.
template <typename Background>
Verdict Compare(const ScreenCapture& screen, const Coverage& coverage, int width, Background background)
{
  Verdict verdict;
  for (int y = 0; y < screen.Height; ++y) {
    for (int x = 0; x < width; ++x) {
      const unsigned char white = coverage.White[y * coverage.Width + x];
      const unsigned char shadow = coverage.Shadow[y * coverage.Width + x];
      COLORREF expected;
      int* seen;
      if (white == 255) {
        expected = WHITE;
        seen = &verdict.WhiteSeen;
      } else if (white == 0 && shadow == 255) {
        expected = BLACK;
        seen = &verdict.BlackSeen;
      } else if (white == 0 && shadow == 0) {
        expected = background(y);
        seen = &verdict.BackgroundSeen;
      } else {
        continue;
      }
      const COLORREF actual = screen.At(x, y);
      if (actual == expected) {
        ++*seen;
      } else if (verdict.Wrong++ == 0) {
        char text[96];
        wsprintfA(text, "(%d, %d) is %06lX, expected %06lX", x, y, actual, expected);
        verdict.FirstWrong = text;
      }
    }
  }
  return verdict;
}

}  // namespace

class Background : public ::testing::Test {
 protected:
  void SetUp() override
  {
    InitSetupState();
    State.ScreenWidth = GetSystemMetrics(SM_CXSCREEN);
    State.ScreenHeight = GetSystemMetrics(SM_CYSCREEN);
    State.Module = GetModuleHandleA(nullptr);
    State.ProgramIcon = LoadIconA(State.Module, "setup");
    lstrcpyA(State.ProductName, PRODUCT);
    wsprintfA(State.WindowTitle, "%s %s", PRODUCT, SUBTITLE);
    lstrcpyA(State.FontFace, FACE);
    State.FontSize = 40;
    State.GradientTop = RGB(255, 30, 0);
    State.GradientBottom = RGB(0, 200, 255);
  }

  void TearDown() override
  {
    if (State.MainWindow != nullptr) DestroyWindow(State.MainWindow);
    UnregisterClassA("setup", State.Module);
    if (State.BackgroundBrush != nullptr) DeleteObject(State.BackgroundBrush);
    if (State.TitleFont != nullptr) DeleteObject(State.TitleFont);
    PumpMessages();
  }

  ScreenCapture Show()
  {
    CreateBackgroundWindow();
    Settle();
    return CaptureScreen();
  }

  // Title and subtitle at their places for F = 46 and the given shadow
  // offset: shadow of the title at (30, 23), of the subtitle at (30, 69).
  void ExpectTitles(Coverage& coverage, int offset)
  {
    EXPECT_GT(AddText(coverage, coverage.Shadow, PRODUCT, 30, 23, 46), 100);
    EXPECT_GT(AddText(coverage, coverage.White, PRODUCT, 30 - offset, 23 - offset, 46), 100);
    EXPECT_GT(AddText(coverage, coverage.Shadow, SUBTITLE, 30, 69, 46), 100);
    EXPECT_GT(AddText(coverage, coverage.White, SUBTITLE, 30 - offset, 69, 46), 100);
  }
};

TEST_F(Background, GradientRunsInBandsOfThreeRowsFromTheTopColourToTheBottomColour)
{
  const ScreenCapture screen = Show();
  ASSERT_EQ(768, screen.Height) << "the test display is 1024 x 768";

  // The first and last bands carry the exact end colours: red falls from
  // 255 to 1, blue rises from 0 to 255.
  EXPECT_EQ(RGB(255, 30, 0), screen.At(600, 0));
  EXPECT_EQ(RGB(255, 30, 0), screen.At(1023, 2));
  EXPECT_EQ(RGB(254, 30, 1), screen.At(600, 3));
  EXPECT_EQ(RGB(1, 200, 255), screen.At(0, 767));
  EXPECT_EQ(RGB(1, 200, 255), screen.At(1023, 765));
  EXPECT_EQ(RGB(2, 199, 254), screen.At(1023, 764));

  Coverage coverage(screen.Width, screen.Height);
  ExpectTitles(coverage, 2);
  const Verdict verdict = Compare(screen, coverage, screen.Width, [](int y) {
    return static_cast<COLORREF>(BandColour(RGB(255, 30, 0), RGB(0, 200, 255), y / 3));
  });
  EXPECT_EQ(0, verdict.Wrong) << verdict.FirstWrong;
  EXPECT_GT(verdict.BackgroundSeen, 700000);
}

TEST_F(Background, TitleSubtitleAndFooterAreWhiteOverABlackShadow)
{
  lstrcpyA(State.FooterText, FOOTER);
  State.FooterLength = lstrlenA(FOOTER);
  const ScreenCapture screen = Show();
  SaveScreenshot(screen, "background.bmp");

  // The footer's shadow stands one letter height from the right edge and
  // two text heights above the bottom; its white copy 2 pixels up and left.
  const SIZE footer = MeasureText(FOOTER, 46);
  ASSERT_GT(footer.cx, 0);
  const int footerX = screen.Width - footer.cx - 46;
  const int footerY = screen.Height - 2 * footer.cy;
  Coverage coverage(screen.Width, screen.Height);
  ExpectTitles(coverage, 2);
  EXPECT_GT(AddText(coverage, coverage.Shadow, FOOTER, footerX, footerY, 46), 100);
  EXPECT_GT(AddText(coverage, coverage.White, FOOTER, footerX - 2, footerY - 2, 46), 100);

  const Verdict verdict = Compare(screen, coverage, screen.Width, [](int y) {
    return static_cast<COLORREF>(BandColour(RGB(255, 30, 0), RGB(0, 200, 255), y / 3));
  });
  EXPECT_EQ(0, verdict.Wrong) << verdict.FirstWrong;
  EXPECT_GT(verdict.WhiteSeen, 1000);
  EXPECT_GT(verdict.BlackSeen, 300);
}

TEST_F(Background, NarrowerScreenGivesAOnePixelShadowAndTallerOneTallerBands)
{
  // The window still covers the real screen; the arithmetic follows the
  // screen size recorded at start-up.
  State.ScreenWidth = 1022;
  State.ScreenHeight = 1024;
  const ScreenCapture screen = Show();

  Coverage coverage(screen.Width, screen.Height);
  ExpectTitles(coverage, 1);
  // Only the rows of bands 0 to 191 are on the screen; columns 1022 and 1023
  // lie outside the painted bands.
  const Verdict verdict = Compare(screen, coverage, 1022, [](int y) {
    return static_cast<COLORREF>(BandColour(RGB(255, 30, 0), RGB(0, 200, 255), y / 4));
  });
  EXPECT_EQ(0, verdict.Wrong) << verdict.FirstWrong;
  EXPECT_EQ(RGB(65, 157, 191), screen.At(500, 767));
}

TEST_F(Background, PlainBackgroundShowsTheTopColourBehindTheTexts)
{
  State.PayloadFlags = PF_PLAIN_BACKGROUND;
  State.GradientTop = RGB(0x20, 0x40, 0x80);
  const ScreenCapture screen = Show();

  Coverage coverage(screen.Width, screen.Height);
  ExpectTitles(coverage, 2);
  const Verdict verdict =
      Compare(screen, coverage, screen.Width, [](int) { return RGB(0x20, 0x40, 0x80); });
  EXPECT_EQ(0, verdict.Wrong) << verdict.FirstWrong;
  EXPECT_GT(verdict.WhiteSeen, 500);
  EXPECT_GT(verdict.BlackSeen, 200);
}

TEST_F(Background, PopupWindowCoversTheScreenWithoutACaption)
{
  Show();
  RECT rect = {};
  GetWindowRect(State.MainWindow, &rect);
  EXPECT_EQ(0, rect.left);
  EXPECT_EQ(0, rect.top);
  EXPECT_EQ(State.ScreenWidth, rect.right);
  EXPECT_EQ(State.ScreenHeight, rect.bottom);
  EXPECT_EQ(0, GetWindowLongA(State.MainWindow, GWL_STYLE) & WS_CAPTION);
  EXPECT_TRUE(IsWindowVisible(State.MainWindow));
}

TEST_F(Background, FramedWindowHasACaptionWithTheTitleAndNoMaximiseBox)
{
  State.PayloadFlags = PF_FRAMED_WINDOW;
  const ScreenCapture screen = Show();

  const LONG style = GetWindowLongA(State.MainWindow, GWL_STYLE);
  EXPECT_EQ(static_cast<LONG>(WS_CAPTION), style & WS_CAPTION);
  EXPECT_EQ(0, style & WS_MAXIMIZEBOX);
  EXPECT_TRUE(IsZoomed(State.MainWindow));
  char title[64] = "";
  GetWindowTextA(State.MainWindow, title, sizeof title);
  EXPECT_STREQ(State.WindowTitle, title);

  // The gradient starts below the caption: the caption rows show something
  // else, the first client row the first band.
  POINT origin = {0, 0};
  ClientToScreen(State.MainWindow, &origin);
  ASSERT_GT(origin.y, 10);
  ASSERT_LT(origin.y, screen.Height - 3);
  EXPECT_EQ(RGB(255, 30, 0), screen.At(600, origin.y));
  EXPECT_EQ(RGB(254, 30, 1), screen.At(600, origin.y + 3));
  EXPECT_NE(RGB(255, 30, 0), screen.At(600, origin.y - 5));
}

TEST_F(Background, TitleFontIsTheFaceAtTheSizePlusSix)
{
  lstrcpyA(State.FontFace, "標準フォント");
  Show();
  LOGFONTA font = {};
  ASSERT_EQ(static_cast<int>(sizeof font), GetObjectA(State.TitleFont, sizeof font, &font));
  EXPECT_EQ(-46, font.lfHeight);
  EXPECT_EQ(DEFAULT_CHARSET, font.lfCharSet);
  EXPECT_STREQ("ＭＳ 明朝", font.lfFaceName);
}

TEST_F(Background, OnlyTheWholeStandardFaceNameIsReplaced)
{
  lstrcpyA(State.FontFace, "標準フォントB");
  State.FontSize = 12;
  Show();
  LOGFONTA font = {};
  ASSERT_EQ(static_cast<int>(sizeof font), GetObjectA(State.TitleFont, sizeof font, &font));
  EXPECT_EQ(-18, font.lfHeight);
  EXPECT_STREQ("標準フォントB", font.lfFaceName);
}
