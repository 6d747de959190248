// The background window as the user sees it: every pixel of the screen is
// read back after the window has painted and compared with the gradient
// bands and with the title, subtitle and footer in white over their black
// shadows at their fixed places. A screenshot lands in screenshots/.
#include <gtest/gtest.h>
#include <string>
#include <vector>
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

// Adds the coverage of text drawn at (x, y) with a font of its own (the
// title font's height and face) to the layer; the pixels it covers fully.
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

TEST_F(Background, GradientBandsWithTitleSubtitleAndFooterInWhiteOverABlackShadow)
{
  lstrcpyA(State.FooterText, FOOTER);
  State.FooterLength = lstrlenA(FOOTER);
  const ScreenCapture screen = Show();
  SaveScreenshot(screen, "background.bmp");
  ASSERT_EQ(768, screen.Height) << "the test display is 1024 x 768";
  // The first and last bands of three rows carry the exact end colours.
  EXPECT_EQ(RGB(255, 30, 0), screen.At(600, 2));
  EXPECT_EQ(RGB(254, 30, 1), screen.At(600, 3));
  EXPECT_EQ(RGB(1, 200, 255), screen.At(0, 767));

  // The footer's shadow stands one letter height from the right edge and
  // two text heights above the bottom; its white copy 2 pixels up and left.
  const SIZE footer = MeasureText(FOOTER, 46);
  const int footerX = screen.Width - footer.cx - 46, footerY = screen.Height - 2 * footer.cy;
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
  EXPECT_GT(verdict.BackgroundSeen, 700000);
}
