// The option letters T and V after the program name, trail bytes included.
#include <gtest/gtest.h>
#include "app/command_line.h"
#include "app/flags.h"

TEST(CommandLine, OptionLettersAfterTheProgramNameSetTheirFlags)
{
  const unsigned T = RF_DIALOGS_AT_200, V = RF_CONFIRM_STEPS;
  const struct {
    const char* Line;
    unsigned Flags;
  } rows[] = {
      {"", 0}, {"SETUP.EXE", 0}, {"\"C:\\Temp Files\\SETUP.EXE\"   ", 0}, {"\"C:\\Program Files\\SETUP.EXE\" T V", T | V},
      {"setup.exe C:\\Temp\\x", T}, {"setup.exe /Verbose", V}, {"setup.exe TV", T | V},  // inside other words
      {"setup.exe -t -v", 0}, {"\"C:\\SETUP.EXE T V", 0},  // lower case; an unclosed quote
      {"\"C:\\TV Tools\\SETUP.EXE\"", 0}, {"C:\\TEMP\\SETUP.EXE", 0},  // letters of the program name
      // サ is 0x83 0x54 and シ 0x83 0x56: their trail bytes are 'T' and 'V'.
      {"setup.exe C:\\\x83\x54\x83\x56", 0}, {"setup.exe \x83\x54 V", V}, {"\x83\x54setup.exe V", V},
  };
  for (const auto& row : rows) EXPECT_EQ(row.Flags, CommandLineFlags(row.Line)) << row.Line;
}
