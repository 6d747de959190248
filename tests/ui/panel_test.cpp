// The side panel beside the real "PROGRESS" dialog: where the picture lands
// on the background window, how the three meters show their blocks in their
// colours, and how units of work move the bars and the meters. Every check
// reads the screen back; a screenshot lands in screenshots/.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <string>
#include <vector>
#include "app/flags.h"
#include "app/services.h"
#include "app/state.h"
#include "resources/dialogs.h"
#include "ui/background.h"
#include "ui/gradient.h"
#include "tests/support/screen_capture.h"
#include "ui/panel.h"

namespace {

const COLORREF TOP = RGB(40, 90, 160);
const COLORREF BOTTOM = RGB(250, 250, 250);
const int PICTURE_BLUE = 0x5A;

// Navy, teal and purple: COLORREF keeps blue in its high byte.
const COLORREF METER_COLOURS[3] = {RGB(0, 0, 128), RGB(0, 128, 128), RGB(128, 0, 128)};
const int METER_COLUMNS[3] = {20, 73, 124};

// The test picture: red counts the columns, green the rows (top = 0), so a
// misplaced or flipped picture shows at once.
void FillPicture()
{
  BITMAPINFOHEADER header = {};
  header.biSize = sizeof header;
  header.biWidth = 157;
  header.biHeight = 226;
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  CopyMemory(State.PanelBitmap, &header, sizeof header);
  for (int row = 0; row < 226; ++row) {
    unsigned char* line = State.PanelBitmap + 40 + row * 472;
    for (int column = 0; column < 157; ++column) {
      line[column * 3] = PICTURE_BLUE;
      line[column * 3 + 1] = static_cast<unsigned char>(225 - row);
      line[column * 3 + 2] = static_cast<unsigned char>(column);
    }
  }
  State.PanelFlag = 1;
}

INT_PTR CALLBACK ProgressProc(HWND dialog, UINT message, WPARAM, LPARAM)
{
  if (message == WM_INITDIALOG) return InitProgressDialog(dialog);
  return FALSE;
}

INT_PTR CALLBACK IdleProc(HWND, UINT, WPARAM, LPARAM)
{
  return FALSE;
}

// The progress dialog's size in pixels, from a copy that is not initialised.
SIZE ProgressDialogSize()
{
  HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), "PROGRESS", nullptr, IdleProc, 0);
  RECT rect = {};
  GetWindowRect(dialog, &rect);
  DestroyWindow(dialog);
  return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

// What the panel should look like on screen.
struct PanelLook {
  int Left = 0;
  int Top = 0;
  int Levels[3] = {0, 0, 0};
};

COLORREF ExpectedPanelPixel(const PanelLook& look, int x, int y)
{
  for (int meter = 0; meter < 3; ++meter) {
    if (x < METER_COLUMNS[meter] || x >= METER_COLUMNS[meter] + 13) continue;
    for (int block = 0; block < look.Levels[meter]; ++block) {
      const int top = 122 - 12 * block;
      if (y >= top && y < top + 11) return METER_COLOURS[meter];
    }
  }
  return RGB(x, y, PICTURE_BLUE);
}

COLORREF Band(int y)
{
  return BandColour(TOP, BOTTOM, y / BandHeight(GetSystemMetrics(SM_CYSCREEN)));
}

// Compares the panel and a one-pixel frame of gradient around it with the
// screen, leaving out what lies off screen or under the dialog. Returns the
// number of wrong pixels and describes the first.
int PanelMismatches(const ScreenCapture& screen, const PanelLook& look, const RECT& dialog,
                    std::string* first, int* judged = nullptr)
{
  int wrong = 0;
  int count = 0;
  for (int y = -1; y <= 226; ++y) {
    for (int x = -1; x <= 157; ++x) {
      const int sx = look.Left + x;
      const int sy = look.Top + y;
      if (sx < 0 || sy < 0 || sx >= screen.Width || sy >= screen.Height) continue;
      if (sx >= dialog.left && sx < dialog.right && sy >= dialog.top && sy < dialog.bottom) continue;
      const bool frame = x < 0 || y < 0 || x == 157 || y == 226;
      const COLORREF expected = frame ? Band(sy) : ExpectedPanelPixel(look, x, y);
      ++count;
      if (screen.At(sx, sy) == expected) continue;
      if (wrong++ == 0) {
        char text[120];
        wsprintfA(text, "panel (%d, %d) at screen (%d, %d) is %06lX, expected %06lX", x, y, sx, sy,
                  screen.At(sx, sy), expected);
        *first = text;
      }
    }
  }
  if (judged != nullptr) *judged = count;
  return wrong;
}

// The blocks a meter shows on screen, counted from the bottom while they
// stand in the meter's colour.
int BlocksShown(const ScreenCapture& screen, int meter)
{
  int blocks = 0;
  while (blocks < 10) {
    const int x = State.Meters.X + METER_COLUMNS[meter] + 6;
    const int y = State.Meters.Y + 127 - 12 * blocks;
    if (screen.At(x, y) != METER_COLOURS[meter]) break;
    ++blocks;
  }
  return blocks;
}

}  // namespace

class Panel : public ::testing::Test {
 protected:
  // The progress bars need the common controls, as in setup.exe.
  static void SetUpTestSuite() { InitCommonControls(); }

  void SetUp() override
  {
    InitSetupState();
    State.ScreenWidth = GetSystemMetrics(SM_CXSCREEN);
    State.ScreenHeight = GetSystemMetrics(SM_CYSCREEN);
    State.Module = GetModuleHandleA(nullptr);
    State.ProgramIcon = LoadIconA(State.Module, "setup");
    lstrcpyA(State.ProductName, "サンプル");
    lstrcpyA(State.WindowTitle, "サンプル セットアップ");
    lstrcpyA(State.FontFace, "ＭＳ 明朝");
    State.FontSize = 24;
    State.GradientTop = TOP;
    State.GradientBottom = BOTTOM;
    lstrcpyA(State.InstallFolder, "C:\\Program Files\\Sample");
    State.DriveSpaceTable[2].Level = 4;
    State.DriveSpaceTable[2].Ready = 1;
    FillPicture();
  }

  void TearDown() override
  {
    if (dialog_ != nullptr) DestroyWindow(dialog_);
    if (State.MainWindow != nullptr) DestroyWindow(State.MainWindow);
    UnregisterClassA("setup", State.Module);
    if (State.BackgroundBrush != nullptr) DeleteObject(State.BackgroundBrush);
    if (State.TitleFont != nullptr) DeleteObject(State.TitleFont);
    PumpMessages();
  }

  // Opens the progress dialog over the background window, first making the
  // recorded screen size such that PlaceDialog puts it at (x, y).
  void OpenProgressAt(int x, int y)
  {
    const SIZE size = ProgressDialogSize();
    State.ScreenWidth = 2 * x + size.cx;
    State.ScreenHeight = 2 * y + size.cy;
    dialog_ = CreateDialogParamA(State.Module, "PROGRESS", State.MainWindow, ProgressProc, 0);
    ASSERT_NE(nullptr, dialog_);
    State.CurrentDialog = dialog_;
    Settle();
  }

  RECT DialogRect() const
  {
    RECT rect = {0, 0, 0, 0};
    GetWindowRect(dialog_, &rect);
    return rect;
  }

  int BarPosition(int id) const
  {
    return static_cast<int>(SendDlgItemMessageA(dialog_, id, PBM_GETPOS, 0, 0));
  }

  void ExpectPanel(const PanelLook& look, const char* screenshot = nullptr)
  {
    Settle();
    const ScreenCapture screen = CaptureScreen();
    if (screenshot != nullptr) SaveScreenshot(screen, screenshot);
    std::string first;
    int judged = 0;
    EXPECT_EQ(0, PanelMismatches(screen, look, DialogRect(), &first, &judged)) << first;
    EXPECT_GT(judged, 2000);
  }

  HWND dialog_ = nullptr;
};

TEST_F(Panel, StandsLeftOfTheDialogWithTheMetersInTheirColours)
{
  State.Meters.Level[METER_ITEM] = 3;
  State.Meters.Level[METER_OVERALL] = 10;
  CreateBackgroundWindow();
  OpenProgressAt(300, 234);

  RECT dialog = DialogRect();
  EXPECT_EQ(300, dialog.left);
  EXPECT_EQ(234, dialog.top);
  PanelLook look;
  look.Left = 71;
  look.Top = 238;
  look.Levels[METER_ITEM] = 3;
  look.Levels[METER_OVERALL] = 10;
  look.Levels[METER_SPACE] = 4;
  ExpectPanel(look, "panel.bmp");
}

TEST_F(Panel, OverallMeterOf99UnitsGetsABlockEveryTenthStep)
{
  State.RequiredUnits = 99;
  CreateBackgroundWindow();
  OpenProgressAt(300, 234);

  for (int step = 0; step < 9; ++step) AdvanceProgress(ADVANCE_OVERALL);
  Settle();
  EXPECT_EQ(0, BlocksShown(CaptureScreen(), METER_OVERALL));
  AdvanceProgress(ADVANCE_OVERALL);
  Settle();
  EXPECT_EQ(1, BlocksShown(CaptureScreen(), METER_OVERALL));
  for (int step = 0; step < 10; ++step) AdvanceProgress(ADVANCE_OVERALL);
  Settle();
  EXPECT_EQ(2, BlocksShown(CaptureScreen(), METER_OVERALL));
  EXPECT_EQ(20, BarPosition(IDC_OVERALL_BAR));
  EXPECT_EQ(0, BarPosition(IDC_ITEM_BAR));
  EXPECT_EQ(0, BlocksShown(CaptureScreen(), METER_ITEM));
}

