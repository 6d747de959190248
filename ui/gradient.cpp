// The numbers behind the background picture. Pure arithmetic on ints, so
// every rule is checked natively; the window only paints.
#include "ui/gradient.h"

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
