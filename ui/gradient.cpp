// The numbers behind the background picture and the side panel. Pure
// arithmetic on ints, so every rule is checked natively; the windows that
// use it only paint.
#include "ui/gradient.h"

enum { PANEL_BOTTOM_MARGIN = 236 };

// Division rounded toward minus infinity: the panel may sit left of or
// above its reference, and C++ division would round those halves up.
static int FloorHalf(int value)
{
  return value >= 0 ? value / 2 : -((1 - value) / 2);
}

int BandHeight(int screenHeight)
{
  return screenHeight / GRADIENT_BANDS + (screenHeight % GRADIENT_BANDS != 0 ? 1 : 0);
}

int ShadowOffset(int screenWidth)
{
  return screenWidth / 1023 + 1;
}

unsigned BandColour(unsigned top, unsigned bottom, int band)
{
  unsigned colour = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    const int start = static_cast<int>((top >> shift) & 0xFF);
    const int end = static_cast<int>((bottom >> shift) & 0xFF);
    // Fixed point with 8 fraction bits; the + 1 lets band 255 come within
    // one step of the bottom colour.
    const int value = (start * 256 + band * (end - start + 1)) >> 8;
    colour |= static_cast<unsigned>(value & 0xFF) << shift;
  }
  return colour;
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

int OverallStepsPerBlock(int requiredUnits)
{
  return static_cast<int>((static_cast<long long>(requiredUnits) + 1) / METER_BLOCKS);
}
