// The side panel's arithmetic: its place beside the progress dialog, the
// meters' block rule and the overall bar's range. Portable: no Windows
// types, so every rule is checked natively; the panel itself only paints.
#pragma once

enum {
  PANEL_WIDTH = 157,
  PANEL_HEIGHT = 226,
  METER_BLOCKS = 10,  // blocks in a full meter
};

// The panel's left edge: centred, rounded down, in the strip between the
// screen's left edge and a dialog whose left edge is dialogX. May be negative.
int PanelLeft(int dialogX);

// The panel's top edge beside a dialog whose top edge is dialogY: half the
// difference of their heights (rounded down) below it, or 236 above the
// screen's bottom when the panel would not fit.
int PanelTop(int dialogY, int screenHeight);

// One step of a meter whose rule is stepsPerBlock (> 0: a block every N
// steps; 0: a block every step; < 0: -N blocks per step). Advances
// *counter where the rule counts steps; returns the blocks to add.
int MeterStep(int stepsPerBlock, int* counter);

// The overall bar's maximum for the required units: units + 1, of which
// only the low 16 bits reach the bar.
int OverallBarMaximum(int requiredUnits);

// The overall meter's steps per block: (units + 1) / 10.
int OverallStepsPerBlock(int requiredUnits);
