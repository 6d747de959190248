// The side panel on the background window and the progress arithmetic
// behind it: placing the panel beside the progress dialog, stepping the two
// bars and the meters, and drawing the picture and the meters' blocks.
// Nothing is drawn until the progress dialog has placed the panel. The steps
// move a model of the item name, bars and meters; the screen follows it at
// the display's throttle, when a step begins and before a message box.
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

static void StepMeter(int index, int count);
static void ShowMeters(HDC dc);
static void CatchUp();

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
// costs far more than a file's block. Ranges run from 0.
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

// The item name waiting to be shown, and the blocks each meter's column
// shows (-1: the column is to be cleared first).
static struct {
  char ItemName[MAX_PATH];
  bool ItemNamePending;
  int MeterBlocks[METER_COUNT];
} Shown;

static void ShowItemName(const char* name)
{
  Shown.ItemNamePending = false;
  SetWindowTextA(State.Meters.Controls[CONTROL_ITEM_NAME], name);
}

void ShowProgress()
{
  PhaseSpan span(PHASE_PROGRESS);
  if (Shown.ItemNamePending) ShowItemName(Shown.ItemName);
  ShowBar(BAR_OVERALL);
  ShowBar(BAR_ITEM);
  ShowMeters(nullptr);
}

INT_PTR InitProgressDialog(HWND dialog)
{
  SetWindowTextA(dialog, State.WindowTitle);
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
  for (BarModel& bar : Bars) {
    bar.High = bar.ShownHigh = 100;
    bar.Position = bar.Shown = 0;
  }
  Bars[BAR_OVERALL].High = OverallBarMaximum(State.RequiredUnits);
  ShowBar(BAR_OVERALL);
  State.Meters.StepsPerBlock[METER_OVERALL] = OverallStepsPerBlock(State.RequiredUnits);
  SendMessageA(State.Meters.Controls[CONTROL_OVERALL], PBM_SETSTEP, 1, 0);
  SendMessageA(State.Meters.Controls[CONTROL_ITEM], PBM_SETSTEP, 1, 0);
  return 0;
}

void StartStep(const char* category)
{
  if (category != nullptr) SetWindowTextA(State.Meters.Controls[CONTROL_CATEGORY], category);
  ShowItemName("");
  Bars[BAR_ITEM].Position = 0;
  CatchUp();
}

void StartItem(const char* label, long range, int stepsPerBlock)
{
  if (label != nullptr) {
    lstrcpynA(Shown.ItemName, label, sizeof Shown.ItemName);
    Shown.ItemNamePending = true;
  }
  Bars[BAR_ITEM].Position = 0;
  // Only the low 16 bits of a range reach the control.
  if (range != ITEM_RANGE_KEPT) Bars[BAR_ITEM].High = static_cast<int>(range & 0xFFFF);
  State.Meters.StepsPerBlock[METER_ITEM] = stepsPerBlock;
  State.Meters.StepCounter[METER_ITEM] = 0;
  State.Meters.Level[METER_ITEM] = 0;
  Shown.MeterBlocks[METER_ITEM] = -1;
}

// The one throttle of the progress display: repainting and each drain of
// the queue cost round trips to the window system, so the next waits
// DRAIN_INTERVAL_MS after the screen caught up (about 33 showings a second,
// smooth to the eye, and the Stop button still answers at once), and nine
// times longer than the last repaint took on top, so that repainting takes
// about a tenth of the time. A repaint takes about a tenth of a millisecond
// on Windows, but a themed bar's alone can take several under other window
// systems. A repaint that stalled (the machine slept or paged) counts as
// MAX_REPAINT_MS, so the screen and the Stop button never wait more than a
// quarter second.
enum { DRAIN_INTERVAL_MS = 30, DISPLAY_SHARE = 9, MAX_REPAINT_MS = 25 };
static DWORD CaughtUpAt;
static DWORD RepaintCost;

// Brings the screen up to the model, timed, and drains the queue.
static void CatchUp()
{
  const DWORD start = GetTickCount();
  ShowProgress();
  RepaintCost = GetTickCount() - start;
  if (RepaintCost > MAX_REPAINT_MS) RepaintCost = MAX_REPAINT_MS;
  PumpMessages();
  CaughtUpAt = GetTickCount();
}

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
    if (item) StepMeter(METER_ITEM, count);
    if (overall) StepMeter(METER_OVERALL, count);
  }
  if (overall) StepBar(BAR_OVERALL, count);
  if (item) StepBar(BAR_ITEM, count);
  if (GetTickCount() - CaughtUpAt >= DRAIN_INTERVAL_MS + RepaintCost * DISPLAY_SHARE) CatchUp();
}

static void StepMeter(int index, int count)
{
  int blocks = 0;
  for (int i = 0; i < count; ++i) blocks += MeterStep(State.Meters.StepsPerBlock[index], &State.Meters.StepCounter[index]);
  if (blocks > 0) RaiseMeter(index, State.Meters.Level[index] + blocks);
}

static void ClearMeter(HDC dc, int index)
{
  HGDIOBJ previousPen = SelectObject(dc, GetStockObject(WHITE_PEN));
  HGDIOBJ previousBrush = SelectObject(dc, GetStockObject(WHITE_BRUSH));
  const int left = State.Meters.X + METER_COLUMN[index];
  Rectangle(dc, left, State.Meters.Y + METER_TOP, left + METER_WIDTH, State.Meters.Y + METER_BOTTOM);
  SelectObject(dc, previousBrush);
  SelectObject(dc, previousPen);
}

// Paints a meter's blocks `from` to `to` - 1 (0 is the lowest) in its colour.
static void DrawBlocks(HDC target, int index, int from, int to)
{
  HPEN pen = CreatePen(PS_SOLID, 1, METER_COLOUR[index]);
  HBRUSH brush = CreateSolidBrush(METER_COLOUR[index]);
  HGDIOBJ previousPen = SelectObject(target, pen);
  HGDIOBJ previousBrush = SelectObject(target, brush);
  const int left = State.Meters.X + METER_COLUMN[index];
  for (int block = from; block < to; ++block) {
    const int top = State.Meters.Y + METER_BOTTOM - BLOCK_HEIGHT - BLOCK_PITCH * block;
    Rectangle(target, left, top, left + METER_WIDTH, top + BLOCK_HEIGHT);
  }
  SelectObject(target, previousBrush);
  SelectObject(target, previousPen);
  DeleteObject(brush);
  DeleteObject(pen);
}

// Brings each meter's column to its level: a column still showing blocks
// of an earlier item is cleared first; otherwise only the blocks gained are
// painted, those below stay as drawn (a repaint of the panel draws them all).
static void ShowMeters(HDC dc)
{
  if (!State.Meters.Placed) return;
  HDC target = dc;
  for (int index = 0; index < METER_COUNT; ++index) {
    const int level = State.Meters.Level[index];
    if (Shown.MeterBlocks[index] >= 0 && level <= Shown.MeterBlocks[index]) continue;
    if (target == nullptr) target = GetDC(State.MainWindow);
    if (Shown.MeterBlocks[index] < 0) ClearMeter(target, index);
    DrawBlocks(target, index, Shown.MeterBlocks[index] < 0 ? 0 : Shown.MeterBlocks[index], level);
    Shown.MeterBlocks[index] = level;
  }
  if (target != nullptr && dc == nullptr) ReleaseDC(State.MainWindow, target);
}

void RaiseMeter(int index, int level)
{
  if (level > METER_BLOCKS) level = METER_BLOCKS;
  if (level > State.Meters.Level[index]) State.Meters.Level[index] = level;
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
  // The picture is under every column now: each meter's blocks from the lowest.
  for (int& blocks : Shown.MeterBlocks) blocks = 0;
  ShowMeters(target);
  if (dc == nullptr) ReleaseDC(State.MainWindow, target);
  PumpMessages();
}
