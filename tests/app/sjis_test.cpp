// Stepping through Shift-JIS text by character.
#include <gtest/gtest.h>
#include "app/sjis.h"

TEST(Sjis, LeadBytesAreTheTwoRangesOfCodePage932)
{
  EXPECT_FALSE(IsSjisLeadByte(0x80));
  EXPECT_TRUE(IsSjisLeadByte(0x81));
  EXPECT_TRUE(IsSjisLeadByte(0x9F));
  EXPECT_FALSE(IsSjisLeadByte(0xA0));
  EXPECT_FALSE(IsSjisLeadByte(0xB4));  // half-width katakana is one byte
  EXPECT_TRUE(IsSjisLeadByte(0xE0));
  EXPECT_TRUE(IsSjisLeadByte(0xFC));
  EXPECT_FALSE(IsSjisLeadByte(0xFD));
}

TEST(Sjis, FitLengthNeverSplitsACharacter)
{
  const char* text = "a\x95\x5C" "b";  // a, 表 (trail byte '\'), b
  EXPECT_EQ(1u, SjisFitLength(text, 1));
  EXPECT_EQ(1u, SjisFitLength(text, 2));
  EXPECT_EQ(3u, SjisFitLength(text, 3));
  EXPECT_EQ(4u, SjisFitLength(text, 100));
}

TEST(Sjis, LoneLeadByteAtTheEndStopsAtTheNul)
{
  const char text[] = "\x95";
  EXPECT_EQ(text + 1, NextSjisChar(text));
  EXPECT_EQ(text + 1, NextSjisChar(text + 1));
}
