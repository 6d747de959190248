// The side panel on the background window and the progress arithmetic
// behind it: placing the panel beside the progress dialog, stepping the two
// bars and the meters, and drawing the picture and the meters' blocks.
// Nothing is drawn until the progress dialog has placed the panel; every
// drawing call then drains the message queue so the dialog stays responsive.
#include "ui/panel.h"
#include <commctrl.h>
#include "app/phase_clock.h"
#include "app/services.h"
#include "app/state.h"
#include "resources/dialogs.h"
#include "ui/panel_arithmetic.h"

enum {
  BITMAP_HEADER_BYTES = 40,
  METER_WIDTH = 13,
  METER_TOP = 14,         // first row of a meter's column
  METER_BOTTOM = 133,     // row below a meter's column
  BLOCK_HEIGHT = 11,
  BLOCK_PITCH = 12,
  CONTROL_CATEGORY = 0,  // Meters.Controls: IDC_CATEGORY and the three after it
  CONTROL_OVERALL = 1,
  CONTROL_ITEM_NAME = 2,
  CONTROL_ITEM = 3,
};

static void ResetMeter(HDC dc, int index);
static void StepMeter(int index);

static const int METER_COLUMN[METER_COUNT] = {20, 73, 124};
static const COLORREF METER_COLOUR[METER_COUNT] = {0x800000, 0x808000, 0x800080};

// The free-space level of the destination's drive; a destination that is
// neither a drive letter nor a UNC path has no table entry and no blocks.
static int DestinationSpaceLevel()
{
  const char* folder = State.InstallFolder;
  if (folder[0] == '\\' && folder[1] == '\\') return State.NetworkSpaceEntry.Level;
  char letter = folder[0];
  if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
  if (letter < 'A' || letter > 'Z') return 0;
  return State.DriveSpaceTable[letter - 'A'].Level;
}

// The two bars as the steps left them, and what their controls show. A bar
// control repaints itself on every change, which under a window system
// costs far more than a file's block: the controls follow the steps only at
// the display's throttle, when a single step is taken, and when a step
// begins. Ranges run from 0.
static struct BarModel {
  int High, Position;  // as the steps left them
  int ShownHigh;       // the control's range
  int Shown;           // the control's position, -1 when unknown
} Bars[2];

enum { BAR_OVERALL, BAR_ITEM };

static HWND BarControl(int bar) { return State.Meters.Controls[bar == BAR_ITEM ? CONTROL_ITEM : CONTROL_OVERALL]; }

static void ShowBar(int bar)
{
  BarModel& model = Bars[bar];
  if (model.High != model.ShownHigh) {
    SendMessageA(BarControl(bar), PBM_SETRANGE, 0, MAKELPARAM(0, model.High));
    model.ShownHigh = model.High;
    model.Shown = -1;
  }
  if (model.Position != model.Shown) {
    SendMessageA(BarControl(bar), PBM_SETPOS, model.Position, 0);
    model.Shown = model.Position;
  }
}

static void ShowBars()
{
  ShowBar(BAR_OVERALL);
  ShowBar(BAR_ITEM);
}

INT_PTR InitProgressDialog(HWND dialog)
{
  SetWindowTextA(dialog, State.WindowTitle);
  SetClassLongPtrA(dialog, GCLP_HICON, reinterpret_cast<LONG_PTR>(State.ProgramIcon));
  const int placement = PlaceDialog(dialog);
  const int dialogX = (placement >> 16) & 0xFFFF;
  const int dialogY = placement & 0xFFFF;

  if (State.PanelFlag) {
    State.Meters.X = PanelLeft(dialogX);
    State.Meters.Y = PanelTop(dialogY, State.ScreenHeight);
    State.Meters.Placed = true;
    State.Meters.Level[METER_SPACE] = DestinationSpaceLevel();
    DrawPanel(nullptr);
  }

  for (int control = CONTROL_CATEGORY; control <= CONTROL_ITEM; ++control) {
    State.Meters.Controls[control] = GetDlgItem(dialog, IDC_CATEGORY + control);
  }
  // A new dialog's bars stand at 0 of 0 to 100.
  Bars[BAR_OVERALL] = {OverallBarMaximum(State.RequiredUnits), 0, 100, 0};
  Bars[BAR_ITEM] = {100, 0, 100, 0};
  ShowBar(BAR_OVERALL);
  State.Meters.StepsPerBlock[METER_OVERALL] = OverallStepsPerBlock(State.RequiredUnits);
  SendMessageA(State.Meters.Controls[CONTROL_OVERALL], PBM_SETSTEP, 1, 0);
  SendMessageA(State.Meters.Controls[CONTROL_ITEM], PBM_SETSTEP, 1, 0);
  return 0;
}

void StartStep(const char* category)
{
  if (category != nullptr) SetWindowTextA(State.Meters.Controls[CONTROL_CATEGORY], category);
  SetWindowTextA(State.Meters.Controls[CONTROL_ITEM_NAME], "");
  Bars[BAR_ITEM].Position = 0;
  ShowBars();
  PumpMessages();
}

void StartItem(const char* label, long range, int stepsPerBlock)
{
  PhaseSpan span(PHASE_PROGRESS);
  if (label != nullptr) SetWindowTextA(State.Meters.Controls[CONTROL_ITEM_NAME], label);
  Bars[BAR_ITEM].Position = 0;
  // Only the low 16 bits of a range reach the control.
  if (range != ITEM_RANGE_KEPT) Bars[BAR_ITEM].High = static_cast<int>(range & 0xFFFF);
  State.Meters.StepsPerBlock[METER_ITEM] = stepsPerBlock;
  State.Meters.StepCounter[METER_ITEM] = 0;
  State.Meters.Level[METER_ITEM] = 0;
  ResetMeter(nullptr, METER_ITEM);
}

enum { DRAIN_INTERVAL_MS = 10 };

// Moves a bar `count` steps of 1 to where stepping would leave it: a step
// past the top lands on 1, so the position then cycles through 1 to the
// top. A bar of a range under two steps is stepped one by one on the
// control itself.
static void StepBar(int bar, int count)
{
  BarModel& model = Bars[bar];
  if (model.Position + count <= model.High) {
    model.Position += count;
  } else if (model.High > 1) {
    model.Position = (model.Position + count - 1) % model.High + 1;
  } else {
    ShowBar(bar);
    for (int i = 0; i < count; ++i) SendMessageA(BarControl(bar), PBM_STEPIT, 0, 0);
    model.Position = model.Shown = static_cast<int>(SendMessageA(BarControl(bar), PBM_GETPOS, 0, 0));
  }
}

void AdvanceProgress(int mask) { AdvanceProgressBy(mask, 1); }

void AdvanceProgressBy(int mask, int count)
{
  PhaseSpan span(PHASE_PROGRESS);
  const bool overall = (mask & ADVANCE_OVERALL) != 0;
  const bool item = (mask & ADVANCE_ITEM) != 0;
  // Without a picture the meters stay still; only the bars move.
  if (State.PanelFlag) {
    for (int i = 0; i < count; ++i) {
      if (item) StepMeter(METER_ITEM);
      if (overall) StepMeter(METER_OVERALL);
    }
  }
  if (overall) StepBar(BAR_OVERALL, count);
  if (item) StepBar(BAR_ITEM, count);
  // The one throttle of the progress display: repainting the bars and each
  // drain of the queue cost round trips to the window system, so both wait
  // until the last is a few milliseconds old (a single step shows at once),
  // which keeps the dialog as responsive.
  static DWORD lastDrain;
  const DWORD now = GetTickCount();
  if (count == 1) ShowBars();
  if (now - lastDrain >= DRAIN_INTERVAL_MS) {
    ShowBars();
    PumpMessages();
    lastDrain = GetTickCount();
  }
}

static void StepMeter(int index)
{
  const int blocks = MeterStep(State.Meters.StepsPerBlock[index], &State.Meters.StepCounter[index]);
  for (int block = 0; block < blocks; ++block) {
    ++State.Meters.Level[index];
    DrawMeter(nullptr, index);
  }
}

static void ResetMeter(HDC dc, int index)
{
  if (!State.Meters.Placed) return;
  HDC target = dc != nullptr ? dc : GetDC(State.MainWindow);
  HGDIOBJ previousPen = SelectObject(target, GetStockObject(WHITE_PEN));
  HGDIOBJ previousBrush = SelectObject(target, GetStockObject(WHITE_BRUSH));
  const int left = State.Meters.X + METER_COLUMN[index];
  Rectangle(target, left, State.Meters.Y + METER_TOP, left + METER_WIDTH,
            State.Meters.Y + METER_BOTTOM);
  SelectObject(target, previousBrush);
  SelectObject(target, previousPen);
  if (dc == nullptr) ReleaseDC(State.MainWindow, target);
  PumpMessages();
}

void DrawMeter(HDC dc, int index)
{
  if (!State.Meters.Placed) return;
  if (State.Meters.Level[index] > METER_BLOCKS) State.Meters.Level[index] = METER_BLOCKS;
  const int level = State.Meters.Level[index];
  if (level > 0) {
    HDC target = dc != nullptr ? dc : GetDC(State.MainWindow);
    HPEN pen = CreatePen(PS_SOLID, 1, METER_COLOUR[index]);
    HBRUSH brush = CreateSolidBrush(METER_COLOUR[index]);
    HGDIOBJ previousPen = SelectObject(target, pen);
    HGDIOBJ previousBrush = SelectObject(target, brush);
    const int left = State.Meters.X + METER_COLUMN[index];
    for (int block = 0; block < level; ++block) {
      const int top = State.Meters.Y + METER_BOTTOM - BLOCK_HEIGHT - BLOCK_PITCH * block;
      Rectangle(target, left, top, left + METER_WIDTH, top + BLOCK_HEIGHT);
    }
    SelectObject(target, previousBrush);
    SelectObject(target, previousPen);
    DeleteObject(brush);
    DeleteObject(pen);
    if (dc == nullptr) ReleaseDC(State.MainWindow, target);
  }
  PumpMessages();
}

void DrawPanel(HDC dc)
{
  if (!State.Meters.Placed) return;
  // The picture is always drawn as 157 x 226 at 24 bits from the rows that
  // follow the header, whatever sizes the payload's header claims, so GDI
  // never reads past the stored rows.
  BITMAPINFO info;
  ZeroMemory(&info, sizeof info);
  CopyMemory(&info.bmiHeader, State.PanelBitmap, BITMAP_HEADER_BYTES);
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = PANEL_WIDTH;
  info.bmiHeader.biHeight = info.bmiHeader.biHeight < 0 ? -PANEL_HEIGHT : PANEL_HEIGHT;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  info.bmiHeader.biClrUsed = 0;
  const unsigned char* rows = State.PanelBitmap + BITMAP_HEADER_BYTES;

  HDC target = dc != nullptr ? dc : GetDC(State.MainWindow);
  SetDIBitsToDevice(target, State.Meters.X, State.Meters.Y, PANEL_WIDTH, PANEL_HEIGHT, 0, 0, 0,
                    PANEL_HEIGHT, rows, &info, DIB_RGB_COLORS);
  for (int index = 0; index < METER_COUNT; ++index) DrawMeter(target, index);
  if (dc == nullptr) ReleaseDC(State.MainWindow, target);
  PumpMessages();
}
