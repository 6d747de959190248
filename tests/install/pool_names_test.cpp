// The pool names that the lists of moves for the next start of Windows
// name: on either side of a move, behind either prefix, in any case; and
// no other path, however near.
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "install/pool_names.h"

TEST(PoolNames, EachNameAListNamesIsMarkedAndNothingElse)
{
  const std::string z(1, '\0'), nt = "\\??\\C:\\WINDOWS\\", longer(300, 'x');
  const struct {
    bool Wininit;
    std::string List;
    const char* Marked;
  } rows[] = {
      {false, "\\??\\c:\\windows\\UNINS007.EXE" + z + z + z, "7"},  // a deletion
      {false, "\\??\\C:\\TEMP\\a.tmp" + z + "!" + nt + "unins012.exe" + z + nt + "unins003.exe" + z + "C:\\x" + z, "3 12"},
      {false, "C:\\WINDOWS\\unins001.exe", "1"},  // the last path without its NUL
      {false, nt + "sub\\unins002.exe" + z + nt + "unins02.exe" + z + nt + "unins0a1.exe" + z + "\\??\\C:\\WINDOWSX\\unins004.exe" +
                  z + nt + "unins005.exe.bak" + z + "?" + nt + "unins006.exe",
       ""},
      {true, "[rename]\r\nNUL=C:\\WINDOWS\\UNINS999.EXE\r\nC:\\WINDOWS\\unins010.exe=C:\\x\nC:\\y=C:\\WINDOWS\\unins011.exe", "10 11 999"},
      // A line without "=" is no move; blanks around a path go; a path too long for any pool name is passed over.
      {true, "C:\\WINDOWS\\unins001.exe\r\nNUL= C:\\WINDOWS\\unins002.exe \r\nNUL=C:\\" + longer + "\\unins003.exe\r\n" +
                 longer + "=C:\\WINDOWS\\unins008.exe", "2 8"},
  };
  for (const auto& row : rows) {
    // Exactly as long as the list, so that a read past it shows under the address sanitizer.
    const std::vector<char> list(row.List.begin(), row.List.end());
    bool named[POOL_SIZE] = {};
    (row.Wininit ? MarkPoolNamesInWininit : MarkPoolNamesInMoveList)(list.data(), list.size(), "C:\\Windows\\", named);
    std::string marked;
    for (int n = 0; n < POOL_SIZE; ++n)
      if (named[n]) marked += (marked.empty() ? "" : " ") + std::to_string(n);
    EXPECT_EQ(row.Marked, marked) << row.List;
  }
}
