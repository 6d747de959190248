// Stepping through Shift-JIS text, where a trail byte can be '\'. Lead bytes
// are those the C library's code page 932 converter finds incomplete alone.
#include <gtest/gtest.h>
#include <iconv.h>
#include <cerrno>
#include <string>
#include "app/sjis.h"

TEST(Sjis, NoStepSplitsACharacterOrTakesATrailByteForABackslash)
{
  const iconv_t cp932 = iconv_open("UTF-8", "CP932");
  ASSERT_NE(reinterpret_cast<iconv_t>(-1), cp932);
  for (int byte = 0; byte < 256; ++byte) {
    char in = static_cast<char>(byte), out[4], *from = &in, *to = out;
    size_t inLeft = 1, outLeft = sizeof out;
    const bool incomplete = iconv(cp932, &from, &inLeft, &to, &outLeft) == static_cast<size_t>(-1) && errno == EINVAL;
    EXPECT_EQ(incomplete, IsSjisLeadByte(byte)) << std::hex << byte;
  }
  iconv_close(cp932);
  EXPECT_EQ(1u, SjisFitLength("a\x95\x5C" "b", 2));  // a, 表 (trail byte '\'), b
  EXPECT_EQ(3u, SjisFitLength("a\x95\x5C" "b", 3));
  const char* rows[][2] = {{"C:\\", "C:"}, {"\\", ""}, {"C:\\\x95\x5C", "C:\\\x95\x5C"}, {"C:\\a\\\\", "C:\\a\\"}, {"", ""}};
  for (const auto& row : rows) {
    std::string path = row[0];
    EXPECT_EQ(path != row[1], CutTrailingBackslash(&path[0])) << row[0];
    EXPECT_STREQ(row[1], path.c_str()) << row[0];
  }
}
