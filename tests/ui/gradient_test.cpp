// The overall bar's range and blocks, whose 16-bit wrap a user sees; the
// bands and colours are checked on screen by the pixel tests.
#include <gtest/gtest.h>
#include "ui/gradient.h"

TEST(OverallBar, TheMaximumWrapsAt16BitsButTheBlocksDoNot)
{
  const struct {
    int Units, Maximum, StepsPerBlock;
  } rows[] = {{0, 1, 0}, {8, 9, 0}, {99, 100, 10}, {65534, 65535, 6553}, {65535, 0, 6553}, {65539, 4, 6554},
              {0x7FFFFFFF, 0, 214748364}};
  for (const auto& row : rows) {
    EXPECT_EQ(row.Maximum, OverallBarMaximum(row.Units)) << row.Units;
    EXPECT_EQ(row.StepsPerBlock, OverallStepsPerBlock(row.Units)) << row.Units;
  }
}
