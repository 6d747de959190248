// The arithmetic of the background and of the side panel: band height,
// shadow offset, band colours, where the panel goes beside the progress
// dialog, how meter steps become blocks and the overall bar's range.
#include <gtest/gtest.h>
#include "ui/gradient.h"

static unsigned Rgb(unsigned red, unsigned green, unsigned blue)
{
  return red | green << 8 | blue << 16;
}

TEST(Gradient, BandHeightCoversTheScreenWithTheBands)
{
  EXPECT_EQ(3, BandHeight(768));
  EXPECT_EQ(3, BandHeight(600));
  EXPECT_EQ(4, BandHeight(1024));
  EXPECT_EQ(2, BandHeight(480));
  EXPECT_EQ(1, BandHeight(256));
  EXPECT_EQ(2, BandHeight(257));
  for (int height : {200, 480, 600, 768, 1000, 1024, 1200}) {
    EXPECT_GE(BandHeight(height) * GRADIENT_BANDS, height) << height;
    EXPECT_LT((BandHeight(height) - 1) * GRADIENT_BANDS, height) << height;
  }
}

TEST(Gradient, ShadowOffsetGrowsByOnePer1023Pixels)
{
  EXPECT_EQ(1, ShadowOffset(640));
  EXPECT_EQ(1, ShadowOffset(1022));
  EXPECT_EQ(2, ShadowOffset(1023));
  EXPECT_EQ(2, ShadowOffset(1280));
  EXPECT_EQ(2, ShadowOffset(2045));
  EXPECT_EQ(3, ShadowOffset(2046));
}

TEST(Gradient, EqualColoursGiveOneFlatColour)
{
  const unsigned colour = Rgb(12, 200, 255);
  for (int band = 0; band < GRADIENT_BANDS; ++band) {
    ASSERT_EQ(colour, BandColour(colour, colour, band)) << band;
  }
}

TEST(Gradient, AFallingChannelRunsFrom255To1)
{
  EXPECT_EQ(Rgb(255, 0, 0), BandColour(Rgb(255, 0, 0), 0, 0));
  EXPECT_EQ(Rgb(1, 0, 0), BandColour(Rgb(255, 0, 0), 0, 255));
  EXPECT_EQ(Rgb(0, 255, 0), BandColour(Rgb(0, 255, 0), 0, 0));
  EXPECT_EQ(Rgb(0, 1, 0), BandColour(Rgb(0, 255, 0), 0, 255));
  EXPECT_EQ(Rgb(0, 0, 1), BandColour(Rgb(0, 0, 255), 0, 255));
}

TEST(Gradient, ARisingChannelStepsOnePerBand)
{
  for (int band = 0; band < GRADIENT_BANDS; ++band) {
    ASSERT_EQ(Rgb(0, 0, band), BandColour(0, Rgb(0, 0, 255), band)) << band;
  }
}

TEST(Gradient, ChannelsMoveIndependentlyAndNeverGoBack)
{
  const unsigned top = Rgb(10, 240, 128);
  const unsigned bottom = Rgb(250, 20, 128);
  EXPECT_EQ(top, BandColour(top, bottom, 0));
  // Band 128: 10 + 128 * 241 / 256 = 130; 240 - 128 * 219 / 256 = 130.5 -> 130.
  EXPECT_EQ(Rgb(130, 130, 128), BandColour(top, bottom, 128));
  EXPECT_EQ(Rgb(250, 21, 128), BandColour(top, bottom, 255));
  for (int band = 1; band < GRADIENT_BANDS; ++band) {
    const unsigned before = BandColour(top, bottom, band - 1);
    const unsigned now = BandColour(top, bottom, band);
    ASSERT_GE(now & 0xFF, before & 0xFF) << band;
    ASSERT_LE((now >> 8) & 0xFF, (before >> 8) & 0xFF) << band;
    ASSERT_EQ(128u, now >> 16) << band;
  }
}

TEST(Gradient, BandColourKeepsTheTopByteClear)
{
  EXPECT_EQ(Rgb(255, 255, 255), BandColour(0xFFFFFFFF, 0xFFFFFFFF, 200));
}

TEST(PanelPlacement, PanelIsCentredLeftOfTheDialog)
{
  EXPECT_EQ(71, PanelLeft(300));
  EXPECT_EQ(70, PanelLeft(298));
  // Left of the screen: the half still rounds down.
  EXPECT_EQ(-29, PanelLeft(100));
  EXPECT_EQ(-28, PanelLeft(101));
}

TEST(PanelPlacement, PanelStandsBesideTheDialogOrAboveTheScreensBottom)
{
  EXPECT_EQ(238, PanelTop(234, 768));
  EXPECT_EQ(187, PanelTop(200, 480));
  EXPECT_EQ(188, PanelTop(201, 768));
  // 300 + 37 + 226 = 563 does not fit on 560 rows: 236 above the bottom.
  EXPECT_EQ(324, PanelTop(300, 560));
  EXPECT_EQ(337, PanelTop(300, 563));
}

TEST(MeterRule, PositiveStepsGiveABlockEveryNthStep)
{
  int counter = 0;
  int blocks = 0;
  for (int step = 1; step <= 15; ++step) {
    const int added = MeterStep(5, &counter);
    blocks += added;
    EXPECT_EQ(step % 5 == 0 ? 1 : 0, added) << step;
  }
  EXPECT_EQ(3, blocks);
  EXPECT_EQ(0, counter);
  MeterStep(5, &counter);
  EXPECT_EQ(1, counter);
}

TEST(MeterRule, ZeroAndOneBothGiveABlockPerStep)
{
  int counter = 0;
  for (int step = 0; step < 4; ++step) {
    EXPECT_EQ(1, MeterStep(0, &counter));
    EXPECT_EQ(0, counter);
    EXPECT_EQ(1, MeterStep(1, &counter));
    EXPECT_EQ(0, counter);
  }
}

TEST(MeterRule, NegativeStepsGiveThatManyBlocksAndCountNothing)
{
  int counter = 3;
  EXPECT_EQ(10, MeterStep(-10, &counter));
  EXPECT_EQ(5, MeterStep(-5, &counter));
  EXPECT_EQ(3, counter);
}

TEST(MeterRule, ACounterLeftAboveAStepsValueGivesABlockAtOnce)
{
  int counter = 12;
  EXPECT_EQ(1, MeterStep(4, &counter));
  EXPECT_EQ(0, counter);
}

TEST(OverallBar, RangeAndBlocksFollowTheRequiredUnits)
{
  EXPECT_EQ(100, OverallBarMaximum(99));
  EXPECT_EQ(10, OverallStepsPerBlock(99));
  EXPECT_EQ(9, OverallBarMaximum(8));
  EXPECT_EQ(0, OverallStepsPerBlock(8));
  EXPECT_EQ(1, OverallBarMaximum(0));
  EXPECT_EQ(0, OverallStepsPerBlock(0));
}

TEST(OverallBar, TheMaximumWrapsAt16BitsButTheBlocksDoNot)
{
  EXPECT_EQ(65535, OverallBarMaximum(65534));
  EXPECT_EQ(0, OverallBarMaximum(65535));
  EXPECT_EQ(6553, OverallStepsPerBlock(65535));
  EXPECT_EQ(4, OverallBarMaximum(65539));
  EXPECT_EQ(0, OverallBarMaximum(0x7FFFFFFF));
  EXPECT_EQ(214748364, OverallStepsPerBlock(0x7FFFFFFF));
}
