// Paths and names from the payload: what may be written, and what is
// damaged data, including Shift-JIS trail bytes that look like '\' or '|'.
#include <gtest/gtest.h>
#include "install/install_path.h"

TEST(InstallPath, OnlyPathsThatStayWhereTheySayAndPlainFileNamesPass)
{
  // 一覧表 ends in the trail byte '\'.
  for (const char* safe : {"viewer.exe", "bin\\viewer.exe", "docs\\\x88\xea\x97\x97\x95\x5c",
                           "setup.inf.txt", "docs\\setup.inf"})
    EXPECT_EQ(1, IsSafeInstallPath(safe)) << safe;
  for (const char* unsafe : {"", "\\windows\\a.dll", "\\\\server\\share\\a", "..\\a.exe", "bin\\..\\..\\a.exe",
                             "bin\\.\\a.exe", "bin\\\\a.exe", "bin\\", "bin/a.exe", "C:a.exe", "C:\\", "a:b.exe",
                             "a\r\nFILE=C:\\x", "setup.inf", "SETUP.$$$", "C:\\Program Files\\a.dll"})
    EXPECT_EQ(0, IsSafeInstallPath(unsafe)) << unsafe;
  // A file name holds no folder or reserved character; 表 ends in '\', ポ in '|'.
  for (const char* safe : {"", "サンプル ビューア", "\x95\x5c", "\x83\x7c"}) EXPECT_EQ(1, IsSafeFileName(safe)) << safe;
  for (const char* bad : {"a\\b", "a/b", "C:", "a*", "a?", "a\"", "<a>", "a|b", "a\tb"})
    EXPECT_EQ(0, IsSafeFileName(bad)) << bad;
}
