// Paths and names from the payload: what may be written, and what is
// damaged data, including Shift-JIS trail bytes that look like '\' or '|'.
#include <gtest/gtest.h>
#include "install/install_path.h"

TEST(InstallPath, OnlyPathsThatStayWhereTheySayPass)
{
  const struct {
    const char* Path;
    int Safe;
  } rows[] = {
      {"viewer.exe", 1},
      {"bin\\viewer.exe", 1},
      {"docs\\\x88\xea\x97\x97\x95\x5c", 1},  // 一覧表: the last trail byte is '\'
      {"C:\\Program Files\\a.dll", 1},
      {"setup.inf.txt", 1},
      {"docs\\setup.inf", 1},
      {"", 0},
      {"\\windows\\a.dll", 0},
      {"\\\\server\\share\\a", 0},
      {"..\\a.exe", 0},
      {"bin\\..\\..\\a.exe", 0},
      {"bin\\.\\a.exe", 0},
      {"bin\\\\a.exe", 0},
      {"bin\\", 0},
      {"bin/a.exe", 0},
      {"C:a.exe", 0},
      {"C:\\", 0},
      {"a:b.exe", 0},
      {"a\r\nFILE=C:\\x", 0},
      {"setup.inf", 0},
      {"SETUP.$$$", 0},
  };
  for (const auto& row : rows) EXPECT_EQ(row.Safe, IsSafeInstallPath(row.Path)) << row.Path;
}

TEST(InstallPath, FileNamesHoldNoFolderOrReservedCharacter)
{
  EXPECT_EQ(1, IsSafeFileName(""));
  EXPECT_EQ(1, IsSafeFileName("サンプル ビューア"));
  EXPECT_EQ(1, IsSafeFileName("\x95\x5c"));  // 表
  EXPECT_EQ(1, IsSafeFileName("\x83\x7c"));  // ポ: trail byte '|'
  for (const char* bad : {"a\\b", "a/b", "C:", "a*", "a?", "a\"", "<a>", "a|b", "a\tb"})
    EXPECT_EQ(0, IsSafeFileName(bad)) << bad;
}
