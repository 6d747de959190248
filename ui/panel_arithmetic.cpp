// The numbers behind the side panel. Pure arithmetic on ints, so every rule
// is checked natively; the panel only paints.
#include "ui/panel_arithmetic.h"

enum { PANEL_BOTTOM_MARGIN = 236 };

// Division rounded toward minus infinity: the panel may sit left of or
// above its reference, and C++ division would round those halves up.
static int FloorHalf(int value)
{
  return value >= 0 ? value / 2 : -((1 - value) / 2);
}

int PanelLeft(int dialogX)
{
  return FloorHalf(dialogX - PANEL_WIDTH);
}

int PanelTop(int dialogY, int screenHeight)
{
  const int top = dialogY + FloorHalf(dialogY - PANEL_HEIGHT);
  if (top + PANEL_HEIGHT > screenHeight) return screenHeight - PANEL_BOTTOM_MARGIN;
  return top;
}

int MeterStep(int stepsPerBlock, int* counter)
{
  if (stepsPerBlock < 0) return -stepsPerBlock;
  ++*counter;
  if (*counter < stepsPerBlock) return 0;
  *counter = 0;
  return 1;
}

int OverallBarMaximum(int requiredUnits)
{
  return static_cast<int>((static_cast<unsigned>(requiredUnits) + 1u) & 0xFFFFu);
}

// (units + 1) / 10 in int arithmetic alone: units + 1 cannot overflow where
// units is negative, and elsewhere it only carries into the quotient.
int OverallStepsPerBlock(int requiredUnits)
{
  if (requiredUnits < 0) return (requiredUnits + 1) / METER_BLOCKS;
  return requiredUnits / METER_BLOCKS + (requiredUnits % METER_BLOCKS == METER_BLOCKS - 1);
}
