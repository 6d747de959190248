// Stepping through Shift-JIS text, where a trail byte can be '\'.
#include <gtest/gtest.h>
#include <string>
#include "app/sjis.h"

TEST(Sjis, NoStepSplitsACharacterOrTakesATrailByteForABackslash)
{
  for (int byte = 0; byte < 256; ++byte)
    EXPECT_EQ((byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC), IsSjisLeadByte(byte)) << byte;
  EXPECT_EQ(1u, SjisFitLength("a\x95\x5C" "b", 2));  // a, 表 (trail byte '\'), b
  EXPECT_EQ(3u, SjisFitLength("a\x95\x5C" "b", 3));
  const char* rows[][2] = {{"C:\\", "C:"}, {"\\", ""}, {"C:\\\x95\x5C", "C:\\\x95\x5C"}, {"C:\\a\\\\", "C:\\a\\"}, {"", ""}};
  for (const auto& row : rows) {
    std::string path = row[0];
    EXPECT_EQ(path != row[1], CutTrailingBackslash(&path[0])) << row[0];
    EXPECT_STREQ(row[1], path.c_str()) << row[0];
  }
}
