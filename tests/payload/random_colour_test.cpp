// The random background colours: known seeds and the brightness clamp.
#include <gtest/gtest.h>
#include "payload/random_colour.h"

static void Pair(unsigned milliseconds, unsigned* top, unsigned* bottom)
{
  SeedRandomColour(milliseconds * 2);
  *top = RandomColour();
  *bottom = RandomColour() & 0x3F3F3F;
}

TEST(RandomColour, KnownSeedsGiveKnownPairs)
{
  unsigned top, bottom;
  Pair(500, &top, &bottom);
  EXPECT_EQ(0x681DE1u, top);
  EXPECT_EQ(0x16251Fu, bottom);
  Pair(0, &top, &bottom);
  EXPECT_EQ(0x2627F6u, top);
  EXPECT_EQ(0x051715u, bottom);
  Pair(7, &top, &bottom);
  EXPECT_EQ(0x5475E8u, top);
}

TEST(RandomColour, NeverTwoBrightChannels)
{
  int clamped = 0;
  for (unsigned seed = 0; seed < 20000; ++seed) {
    SeedRandomColour(seed);
    const unsigned c = RandomColour();
    const unsigned channels[] = {c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF};
    int bright = 0;
    for (unsigned v : channels) bright += v > 208;
    ASSERT_LE(bright, 1) << std::hex << c << " from seed " << std::dec << seed;
    clamped += (channels[0] <= 127) + (channels[1] <= 127) + (channels[2] <= 127);
    ASSERT_EQ(0u, c >> 24);
  }
  EXPECT_GT(clamped, 0);
}
