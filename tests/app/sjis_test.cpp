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

TEST(Sjis, TrailingBackslashIsCutOnlyWhenItIsACharacter)
{
  char root[] = "C:\\";
  EXPECT_TRUE(CutTrailingBackslash(root));
  EXPECT_STREQ("C:", root);
  char alone[] = "\\";
  EXPECT_TRUE(CutTrailingBackslash(alone));
  EXPECT_STREQ("", alone);
  char table[] = "C:\\\x95\x5C";  // C:\表 ends in the trail byte 0x5C
  EXPECT_FALSE(CutTrailingBackslash(table));
  EXPECT_STREQ("C:\\\x95\x5C", table);
  char twice[] = "C:\\a\\\\";
  EXPECT_TRUE(CutTrailingBackslash(twice));
  EXPECT_STREQ("C:\\a\\", twice);
  char empty[] = "";
  EXPECT_FALSE(CutTrailingBackslash(empty));
}
