// The arithmetic of the background window and of the side panel drawn on
// it: band height, shadow offset and band colours of the gradient; the
// panel's place beside the progress dialog; the meters' block rule and the
// overall bar's range. Portable: no Windows types.
#pragma once

enum { GRADIENT_BANDS = 256 };

enum {
  PANEL_WIDTH = 157,
  PANEL_HEIGHT = 226,
  METER_BLOCKS = 10,  // blocks in a full meter
};

// Screen height / 256, rounded up.
int BandHeight(int screenHeight);

// Screen width / 1023 + 1.
int ShadowOffset(int screenWidth);

// The COLORREF of band i (0 to 255) from top to bottom colour.
unsigned BandColour(unsigned top, unsigned bottom, int band);

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
