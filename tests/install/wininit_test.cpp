// The WININIT.INI edit: where the rename entry goes, what counts as the
// section line, and that every other byte of the old file survives.
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "install/wininit.h"

TEST(WininitEdit, EntryGoesFirstIntoTheFirstExactSectionLineAndAllElseStays)
{
  const char target[] = "C:\\ソフト\\表.DLL", source[] = "C:\\ソフト\\表.000";  // ソ and 表 end in 0x5C
  const std::string section = std::string("[rename]\r\n") + target + "=" + source + "\r\n";
  std::string line(150000, 'a');  // any length, any byte but LF
  for (size_t i = 0; i < line.size(); i += 97) line[i] = static_cast<char>(i % 256 == '\n' ? 0 : i % 256);
  const std::string boot = "[boot]\r\nshell=Explorer.exe\r\n\r\n", older = "C:\\OLD.DLL=C:\\OLD.000\r\n";
  const std::string rows[][2] = {
      {"", section},
      {boot + "[rename]\r\n" + older + "[other]\r\n", boot + section + older + "[other]\r\n"},
      {"[rename]\r\nX=Y\r\n[rename]\r\nA=B\r\n", section + "X=Y\r\n[rename]\r\nA=B\r\n"},
      {"[rename]\r\nA=B", section + "A=B"},
      {"[boot]\r\nshell=x", "[boot]\r\nshell=x\r\n" + section},  // a last line is closed first
      {"[boot]\r\n[rename]", "[boot]\r\n[rename]\r\n" + section},
      {"x\n", "x\n" + section},
      {"[boot]\r\n" + line + "\r\n[rename]\r\n" + line, "[boot]\r\n" + line + "\r\n" + section + line},
      // Only a byte-for-byte "[rename]" CR LF is the section line.
      {"[Rename]\r\nA=B\r\n", "[Rename]\r\nA=B\r\n" + section}, {"[rename]\nA=B\n", "[rename]\nA=B\n" + section},
      {" [rename]\r\n", " [rename]\r\n" + section}, {"[rename] ;\r\n", "[rename] ;\r\n" + section},
      {"[rename]\r\r\n", "[rename]\r\r\n" + section},
  };
  for (const auto& row : rows) {
    // Written into exactly the promised size: an overrun shows under the address sanitizer.
    std::vector<char> out(RenameOutputBytes(row[0].size(), target, source));
    const size_t length = AddRenameEntry(row[0].data(), row[0].size(), target, source, out.data());
    ASSERT_LE(length, out.size());
    EXPECT_EQ(row[1], std::string(out.data(), length)) << row[0].substr(0, 40);
  }
}
