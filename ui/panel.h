// The side panel beside the progress dialog: the product's picture with
// three bar meters (current item, whole installation, free space), and the
// arithmetic that turns units of install work into bar steps and blocks.
#pragma once
#include <windows.h>

enum { METER_ITEM = 0, METER_OVERALL = 1, METER_SPACE = 2 };
enum { ADVANCE_OVERALL = 1, ADVANCE_ITEM = 2, ADVANCE_BOTH = ADVANCE_OVERALL | ADVANCE_ITEM };

// WM_INITDIALOG of the progress dialog: caption, icon, placement, the panel
// and the bars' ranges. Returns 0.
INT_PTR InitProgressDialog(HWND dialog);

enum { ITEM_RANGE_KEPT = -1 };

// The progress dialog's category text (null keeps it), with the item name
// cleared and the item bar back at 0: a step begins.
void StartStep(const char* category);

// A new item: its name (null keeps the name shown), the item bar back at 0
// with the range 0 to `range` (ITEM_RANGE_KEPT keeps the range; only the
// low 16 bits reach the bar), and the item meter empty, stepping by
// `stepsPerBlock` (see MeterStep).
void StartItem(const char* label, long range, int stepsPerBlock);

// Brings the item name, the bars and the meters on screen up to the work
// done; the screen otherwise follows at the display's throttle and when a
// step begins. The progress dialog calls it before a message box.
void ShowProgress();

// One unit of work: ADVANCE_OVERALL, ADVANCE_ITEM or both.
void AdvanceProgress(int mask);

// `count` units of work at once, exactly as that many AdvanceProgress calls
// would leave the bars and meters, with one redraw instead of `count`.
void AdvanceProgressBy(int mask, int count);

// Paints the picture and all meters; a null dc means the background
// window's. Does nothing until the panel is placed.
void DrawPanel(HDC dc);

// A meter up to `level` blocks (at most a full meter; never down).
void RaiseMeter(int index, int level);
