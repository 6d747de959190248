// The start-up guard: a library planted in the program's own folder (a
// downloads folder) is not taken by name once the guard has run.
#include <windows.h>
#include <gtest/gtest.h>
#include "app/process_guard.h"
#include "tests/support/files.h"

TEST(ProcessGuard, NoLibraryIsTakenByNameFromTheProgramsFolder)
{
  const std::string planted = ProgramFolder() + "\\plantedguard.dll";
  ASSERT_TRUE(CopyFileA((ProgramFolder() + "\\planted\\comctl32.dll").c_str(), planted.c_str(), FALSE));
  ASSERT_EQ(1, GuardProcess());
  EXPECT_EQ(nullptr, LoadLibraryA("plantedguard.dll"));
  DeleteFileA(planted.c_str());
}
