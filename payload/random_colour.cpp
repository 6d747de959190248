// A linear congruential generator (state * 214013 + 2531011, bits 16 to 30)
// and the brightness clamp that keeps two channels from both being bright.
#include "payload/random_colour.h"

enum { BRIGHT = 208, DIM_MASK = 0x7F };

static unsigned GeneratorState;

void SeedRandomColour(unsigned seed) { GeneratorState = seed; }

static unsigned Draw()
{
  GeneratorState = GeneratorState * 214013u + 2531011u;
  return (GeneratorState >> 16) & 0x7FFF;
}

static bool Bright(unsigned channel) { return channel > BRIGHT; }

unsigned RandomColour()
{
  unsigned blue = Draw() & 0xFF;
  unsigned green = Draw() & 0xFF;
  unsigned red = Draw() & 0xFF;

  if (Bright(blue)) {
    if (Bright(green)) {
      if (blue > green) blue &= DIM_MASK;
      else green &= DIM_MASK;
    }
    if (Bright(red)) {
      if (blue > red) blue &= DIM_MASK;
      else red &= DIM_MASK;
    }
  }
  if (Bright(green) && Bright(red)) {
    if (green > red) green &= DIM_MASK;
    else red &= DIM_MASK;
  }
  return blue << 16 | green << 8 | red;
}
