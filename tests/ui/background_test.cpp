// The background window and the side panel on it as the user sees them: the
// screen is read back and compared with a picture drawn here from their
// documented look: gradient bands of three rows, in colours measured once; the
// title, subtitle and footer in white over their black shadows; the panel's
// picture left of the "PROGRESS" dialog with each meter's blocks in its colour,
// while the overall meter gains a block every tenth of the installation's units.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include "app/services.h"
#include "app/state.h"
#include "resources/dialogs.h"
#include "tests/support/screen_capture.h"
#include "ui/background.h"
#include "ui/panel.h"

const COLORREF TOP = RGB(255, 30, 0);
const COLORREF BOTTOM = RGB(0, 200, 255);
const COLORREF WHITE = RGB(255, 255, 255);
const COLORREF BLACK = RGB(0, 0, 0);
const char PRODUCT[] = "テスト製品ＡＢＣ";
const char SUBTITLE[] = "セットアップ";
const char FOOTER[] = "株式会社サンプル";
const char FACE[] = "ＭＳ 明朝";
const int LETTER_HEIGHT = 46;  // font size 40 + 6
// Beside a dialog at (300, 234); navy, teal and purple meters.
const int PANEL_X = 71, PANEL_Y = 238;
const int METER_COLUMNS[3] = {20, 73, 124};
const COLORREF METER_COLOURS[3] = {RGB(0, 0, 128), RGB(0, 128, 128), RGB(128, 0, 128)};
const int PICTURE_BLUE = 0x5A;

// Bands of the gradient from TOP to BOTTOM and their colours, as a correct
// run showed them. Every band is one colour across the screen: that of its
// first row at the right edge, which no text reaches.
const struct { int Band; COLORREF Colour; } MEASURED_BANDS[] = {
    {0, RGB(255, 30, 0)}, {1, RGB(254, 30, 1)}, {51, RGB(204, 64, 51)}, {102, RGB(153, 98, 102)}, {127, RGB(128, 114, 127)},
    {128, RGB(128, 115, 128)}, {153, RGB(103, 132, 153)}, {204, RGB(52, 166, 204)}, {254, RGB(2, 199, 254)}, {255, RGB(1, 200, 255)}};
static COLORREF Band(const ScreenCapture& screen, int y) { return screen.At(1023, y - y % 3); }

// The test picture: red counts the columns, green the rows (top = 0), so a
// misplaced or flipped picture shows at once.
static void FillPicture()
{
  BITMAPINFOHEADER header = {sizeof header, 157, 226, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  CopyMemory(State.PanelBitmap, &header, sizeof header);
  for (int row = 0; row < 226; ++row) {
    unsigned char* line = State.PanelBitmap + sizeof header + row * 472;
    for (int column = 0; column < 157; ++column) {
      line[column * 3] = PICTURE_BLUE;
      line[column * 3 + 1] = static_cast<unsigned char>(225 - row);
      line[column * 3 + 2] = static_cast<unsigned char>(column);
    }
  }
}

// The panel's pixel (x, y) with levels[m] blocks in meter m: blocks 13 x 11
// from row 122 up on a pitch of 12 rows, the picture between them.
static COLORREF PanelPixel(const int levels[3], int x, int y)
{
  for (int meter = 0; meter < 3; ++meter) {
    if (x < METER_COLUMNS[meter] || x >= METER_COLUMNS[meter] + 13) continue;
    for (int block = 0; block < levels[meter]; ++block) {
      const int top = 122 - 12 * block;
      if (y >= top && y < top + 11) return METER_COLOURS[meter];
    }
  }
  return RGB(x, y, PICTURE_BLUE);
}

// Draws the screen the user should see: the bands, each text's black shadow
// and its white copy, and the panel.
static void PaintExpected(HDC dc, const ScreenCapture& screen, const int levels[3])
{
  SelectObject(dc, GetStockObject(DC_BRUSH));
  for (int y = 0; y < 768; y += 3) {
    SetDCBrushColor(dc, Band(screen, y));
    PatBlt(dc, 0, y, 1024, 3, PATCOPY);
  }
  HFONT font = CreateFontA(-LETTER_HEIGHT, 0, 0, 0, 0, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, FACE);
  HGDIOBJ previous = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  // The footer stands one letter height from the right edge and two text
  // heights above the bottom.
  SIZE footer = {};
  GetTextExtentPoint32A(dc, FOOTER, lstrlenA(FOOTER), &footer);
  const int footerX = 1024 - footer.cx - LETTER_HEIGHT;
  const int footerY = 768 - 2 * footer.cy;
  // On a screen 1024 wide the white copies stand 2 pixels up and left of
  // their shadows, the subtitle's only left.
  const struct { const char* Text; int X, Y; COLORREF Colour; } copies[] = {
      {PRODUCT, 30, 23, BLACK}, {SUBTITLE, 30, 69, BLACK}, {FOOTER, footerX, footerY, BLACK},
      {PRODUCT, 28, 21, WHITE}, {SUBTITLE, 28, 69, WHITE}, {FOOTER, footerX - 2, footerY - 2, WHITE},
  };
  for (const auto& copy : copies) {
    SetTextColor(dc, copy.Colour);
    TextOutA(dc, copy.X, copy.Y, copy.Text, lstrlenA(copy.Text));
  }
  SelectObject(dc, previous);
  DeleteObject(font);
  for (int y = 0; y < 226; ++y)
    for (int x = 0; x < 157; ++x) SetPixel(dc, PANEL_X + x, PANEL_Y + y, PanelPixel(levels, x, y));
}

static INT_PTR CALLBACK ProgressProc(HWND dialog, UINT message, WPARAM, LPARAM)
{
  return message == WM_INITDIALOG ? InitProgressDialog(dialog) : FALSE;
}

TEST(Screen, BackgroundAndSidePanelAsTheUserSeesThem)
{
  InitCommonControls();
  InitSetupState();
  State.ScreenWidth = GetSystemMetrics(SM_CXSCREEN), State.ScreenHeight = GetSystemMetrics(SM_CYSCREEN);
  State.Module = GetModuleHandleA(nullptr);
  lstrcpyA(State.ProductName, PRODUCT);
  lstrcpyA(State.FontFace, FACE);
  State.FontSize = 40;
  lstrcpyA(State.FooterText, FOOTER);
  State.FooterLength = lstrlenA(FOOTER);
  State.GradientTop = TOP, State.GradientBottom = BOTTOM;
  lstrcpyA(State.InstallFolder, "C:\\Program Files\\Sample");
  State.DriveSpaceTable[2].Level = 4, State.DriveSpaceTable[2].Ready = 1;
  State.RequiredUnits = 99;
  FillPicture();
  CreateBackgroundWindow();
  // PlaceDialog centres the dialog on the recorded screen: one made larger
  // than the dialog by twice (300, 234), and a picture only from then on.
  HWND probe = CreateDialogParamA(State.Module, "PROGRESS", nullptr, ProgressProc, 0);
  RECT dialog = {};
  GetWindowRect(probe, &dialog);
  DestroyWindow(probe);
  State.ScreenWidth = 600 + dialog.right - dialog.left, State.ScreenHeight = 468 + dialog.bottom - dialog.top;
  State.PanelFlag = 1;
  HWND progress = CreateDialogParamA(State.Module, "PROGRESS", State.MainWindow, ProgressProc, 0);
  State.ScreenWidth = GetSystemMetrics(SM_CXSCREEN), State.ScreenHeight = GetSystemMetrics(SM_CYSCREEN);
  InvalidateRect(State.MainWindow, nullptr, FALSE);
  GetWindowRect(progress, &dialog);
  ASSERT_TRUE(dialog.left == 300 && dialog.top == 234) << "the dialog stands at " << dialog.left << ", " << dialog.top;
  // An item of three steps of a block each, then the overall steps of 99
  // units: a block every tenth step, never more than ten, and the bar full
  // at the hundredth. The space meter shows the destination's four tenths.
  for (int step = 0; step < 3; ++step) AdvanceProgress(ADVANCE_ITEM);
  const struct { int Steps, Blocks; } rows[] = {{9, 0}, {10, 1}, {20, 2}, {100, 10}, {120, 10}};
  int steps = 0;
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << "after " << row.Steps << " overall steps");
    for (; steps < row.Steps; ++steps) AdvanceProgress(ADVANCE_OVERALL);
    ShowProgress();
    Settle();
    const ScreenCapture screen = CaptureScreen();
    if (row.Blocks == 2) {
      CreateDirectoryA("screenshots", nullptr);  // in the build tree, where CTest runs
      SaveScreenshotAs(screen, "screenshots\\screen.bmp");
    }
    ASSERT_TRUE(screen.Width == 1024 && screen.Height == 768) << "the test display is 1024 x 768";
    const int levels[3] = {3, row.Blocks, 4};
    const ScreenCapture expected = Picture(1024, 768, [&](HDC dc) { PaintExpected(dc, screen, levels); });
    // The blended edges of letters are not judged, nor what the dialog hides.
    int seen[4] = {0, 0, 0, 0}, wrong = 0;
    for (int y = 0; y < 768; ++y) {
      for (int x = 0; x < 1024; ++x) {
        const COLORREF want = expected.At(x, y);
        const bool panel = x >= PANEL_X && x < PANEL_X + 157 && y >= PANEL_Y && y < PANEL_Y + 226;
        const int kind = panel ? 3 : want == WHITE ? 0 : want == BLACK ? 1 : want == Band(screen, y) ? 2 : -1;
        if (kind < 0 || PtInRect(&dialog, POINT{x, y})) continue;
        if (screen.At(x, y) == want) ++seen[kind];
        else if (wrong++ == 0) ADD_FAILURE() << "(" << x << ", " << y << ") is " << std::hex << screen.At(x, y) << ", expected " << want;
      }
    }
    EXPECT_EQ(0, wrong);
    const LRESULT bar = SendDlgItemMessageA(progress, IDC_OVERALL_BAR, PBM_GETPOS, 0, 0);
    EXPECT_TRUE(row.Steps > 100 || bar == row.Steps) << "the overall bar stands at " << bar;
    EXPECT_TRUE(seen[0] > 1000 && seen[1] > 300 && seen[2] > 600000 && seen[3] > 30000)
        << "white letters, black shadows, the gradient and the panel were seen";
    for (const auto& band : MEASURED_BANDS) EXPECT_EQ(band.Colour, screen.At(1023, 3 * band.Band)) << "band " << band.Band;
  }
  DestroyWindow(progress);
  DestroyWindow(State.MainWindow);
  DeleteObject(State.TitleFont);
}
