// The random background colour never has two bright channels, whatever the seed.
#include <gtest/gtest.h>
#include "payload/random_colour.h"

TEST(RandomColour, NeverTwoBrightChannelsAndNoTopByte)
{
  for (unsigned seed = 0; seed < 20000; ++seed) {
    SeedRandomColour(seed);
    const unsigned c = RandomColour();
    const int bright = ((c & 0xFF) > 208) + ((c >> 8 & 0xFF) > 208) + ((c >> 16 & 0xFF) > 208);
    ASSERT_LE(bright, 1) << std::hex << c << " from seed " << std::dec << seed;
    ASSERT_EQ(0u, c >> 24) << seed;
  }
}
