// Size texts as the confirmation page shows them, their comparison in the
// space check, and the free share that drives the space meter.
#include <gtest/gtest.h>
#include <string>
#include "ui/size_text.h"

static std::string Format(unsigned long long count)
{
  // Exactly the 10 bytes callers are promised to need, so that an overrun
  // shows under the address sanitizer.
  char text[10];
  FormatByteSize(static_cast<unsigned>(count), static_cast<unsigned>(count >> 32), text);
  return text;
}

TEST(FormatByteSize, CountsBelowOneKilobyteStayInBytes)
{
  EXPECT_EQ("0B", Format(0));
  EXPECT_EQ("1023B", Format(1023));
}

TEST(FormatByteSize, HundredthsAreRoundedDownAndLeftOutWhenZero)
{
  EXPECT_EQ("1KB", Format(1024));
  EXPECT_EQ("1KB", Format(1034));
  EXPECT_EQ("1.01KB", Format(1035));
  EXPECT_EQ("1.50KB", Format(1536));
  EXPECT_EQ("1023.99KB", Format((1ull << 20) - 1));
}

TEST(FormatByteSize, EachDivisionTakesTheNextUnitLetter)
{
  EXPECT_EQ("1MB", Format(1ull << 20));
  EXPECT_EQ("117.73MB", Format(123456789));
  EXPECT_EQ("5.50GB", Format(5ull * (1ull << 30) + (1ull << 29)));
  EXPECT_EQ("1TB", Format(1ull << 40));
}

TEST(FormatByteSize, OnlyTheLastDivisionsRemainderShows)
{
  // 1023 bytes over one megabyte are lost in the first division.
  EXPECT_EQ("1MB", Format((1ull << 20) + 1023));
}

TEST(FormatByteSize, TheLargestCountUsesTheHighHalfAndEndsInExabytes)
{
  EXPECT_EQ("15.99EB", Format(~0ull));
  EXPECT_EQ("4GB", Format(1ull << 32));
}

TEST(UnitRank, UnitLettersCountFromOneInTheirOrder)
{
  const char letters[] = "KMGTPEZY";
  for (int i = 0; i < 8; ++i) EXPECT_EQ(i + 1, UnitRank(letters[i])) << letters[i];
}

TEST(UnitRank, AnythingElseIsZero)
{
  EXPECT_EQ(0, UnitRank('\0'));
  EXPECT_EQ(0, UnitRank('B'));
  EXPECT_EQ(0, UnitRank('0'));
  EXPECT_EQ(0, UnitRank('9'));
  EXPECT_EQ(0, UnitRank('k'));
  EXPECT_EQ(0, UnitRank('\xFF'));
}

TEST(SizeTextValue, IsTheNumberTimesAHundredPlusTheDigitsAfterTheFullStop)
{
  EXPECT_EQ(11773, SizeTextValue("117.73MB"));
  EXPECT_EQ(150, SizeTextValue("1.50KB"));
  EXPECT_EQ(105, SizeTextValue("1.05MB"));
  EXPECT_EQ(100, SizeTextValue("1KB"));
  EXPECT_EQ(102300, SizeTextValue("1023B"));
  EXPECT_EQ(0, SizeTextValue("0B"));
}

TEST(SizeTextValue, ToleratesTextsThatAreNoSizeText)
{
  EXPECT_EQ(0, SizeTextValue(""));
  EXPECT_EQ(0, SizeTextValue("KB"));
  EXPECT_EQ(100, SizeTextValue("1."));  // a full stop with nothing after it
  EXPECT_EQ(300, SizeTextValue("+3KB"));
  EXPECT_EQ(-300, SizeTextValue("-3KB"));
  // A runaway number must not wrap round to a small or negative value.
  EXPECT_GT(SizeTextValue("99999999999999999999999B"), SizeTextValue("1023.99KB"));
}

TEST(SizeTextFits, AGreaterUnitOfTheFreeSpaceDecides)
{
  EXPECT_TRUE(SizeTextFits("10MB", "1.50GB"));
  EXPECT_TRUE(SizeTextFits("1000KB", "1MB"));
  EXPECT_TRUE(SizeTextFits("1023B", "1KB"));
  EXPECT_FALSE(SizeTextFits("1KB", "1023B"));
  EXPECT_FALSE(SizeTextFits("1.50GB", "900MB"));
}

TEST(SizeTextFits, TheSameUnitComparesTheValues)
{
  EXPECT_FALSE(SizeTextFits("400KB", "300KB"));
  EXPECT_TRUE(SizeTextFits("117.73MB", "117.73MB"));
  EXPECT_FALSE(SizeTextFits("1.50MB", "1.05MB"));
  EXPECT_TRUE(SizeTextFits("1.05MB", "1.50MB"));
  EXPECT_TRUE(SizeTextFits("12B", "900B"));
}

TEST(SizeTextFits, TextsTooShortToHaveAUnitHaveNone)
{
  // One byte: the unknown mark of the survey. It must not be read before
  // its start; the space check settles unknown space itself.
  EXPECT_FALSE(SizeTextFits("1KB", "\xFF"));
  EXPECT_TRUE(SizeTextFits("", "0B"));
}

TEST(SpaceLevel, IsTheFreeShareInTenthsRoundedDown)
{
  EXPECT_EQ(5, SpaceLevel(500, 1000));
  EXPECT_EQ(0, SpaceLevel(0, 1000));
  EXPECT_EQ(10, SpaceLevel(1000, 1000));
  EXPECT_EQ(5, SpaceLevel(599, 1000));
}

TEST(SpaceLevel, TotalsOverFourGigabytesAreHalvedWithTheFreeBytes)
{
  const unsigned long long gigabyte = 1ull << 30;
  // Taking the low halves alone would make these 5 and 100.
  EXPECT_EQ(9, SpaceLevel(gigabyte * 9 / 2, gigabyte * 5));
  EXPECT_EQ(2, SpaceLevel(gigabyte * 2, gigabyte * 8 + 2 * gigabyte / 10));
  EXPECT_EQ(5, SpaceLevel(1ull << 39, 1ull << 40));
  EXPECT_EQ(10, SpaceLevel(~0ull, ~0ull));
}

TEST(SpaceLevel, ATotalBelowTenBytesGivesZero)
{
  EXPECT_EQ(0, SpaceLevel(9, 9));
  EXPECT_EQ(0, SpaceLevel(0, 0));
  EXPECT_EQ(10, SpaceLevel(10, 10));
}
