// The option letters T and V after the program name, trail bytes included,
// and the switches.
#include <gtest/gtest.h>
#include <string>
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

// Each row one command line: its mode and values as read, or the word it is
// refused for; a value that does not fit is refused, never cut.
TEST(CommandLine, SwitchesAreReadOrTheLineIsRefused)
{
  const unsigned S = RF_SILENT | RF_EXIT_CODES, P = RF_PASSIVE | RF_EXIT_CODES;
  const std::string folder259 = "C:\\" + std::string(256, 'x'), user79(79, 'u');
  const struct {
    std::string Line;
    unsigned Flags;
    const char *Folder, *User, *Company, *Log, *Refused;  // Refused: the word the fault names
  } rows[] = {
      {"setup.exe V T", 0, "", "", "", "", nullptr},
      {"setup.exe /s /D=C:\\Tools\\Vendor App  ", S, "C:\\Tools\\Vendor App", "", "", "", nullptr},
      {"\"C:\\a b\\setup.exe\" /P /USER=\"山田 太郎\" /Company=ﾉｰｽ /LOG=C:\\l.txt /D=\"\\\\srv\\表\"", P,
       "\\\\srv\\表", "山田 太郎", "ﾉｰｽ", "C:\\l.txt", nullptr},
      {"setup.exe \"/s\" \"/user=a b\" /LOG=\"x y.log\" \"/D=C:\\x y\"", S, "C:\\x y", "a b", "", "x y.log", nullptr},
      {"setup.exe /S /USER=" + user79 + " /D=" + folder259, S, folder259.c_str(), user79.c_str(), "", "", nullptr},
      {"setup.exe /USER=" + user79 + "x", 0, "", "", "", "", "/USER="}, {"setup.exe /D=" + folder259 + "x", 0, "", "", "", "", "/D="},
      {"setup.exe /LOG=" + folder259 + "x /S", 0, "", "", "", "", "/LOG="}, {"setup.exe /S /X", 0, "", "", "", "", "/X"},
      {"setup.exe /Silent", 0, "", "", "", "", "/Silent"}, {"setup.exe /S /P", 0, "", "", "", "", "/P"},
      {"setup.exe /D=Tools\\Vendor", 0, "", "", "", "", "/D="}, {"setup.exe /D=\"C:\\a\" /S", 0, "", "", "", "", "/D="},
      {"setup.exe /USER=\"山田 /S", 0, "", "", "", "", "/USER="}, {"setup.exe /USER /S", 0, "", "", "", "", "/USER"},
      {"setup.exe /LOG= /S", 0, "", "", "", "", "/LOG="},
      {"setup.exe /Q /LOG=q.log /S", 0, "", "", "", "q.log", "/Q"},  // the reason still goes to the log
  };
  for (const auto& row : rows) {
    CommandSwitches got;
    const bool read = ParseSwitches(row.Line.c_str(), &got);
    EXPECT_EQ(row.Refused == nullptr, read) << row.Line;
    if (read) EXPECT_EQ(row.Flags, got.Flags) << row.Line;
    else EXPECT_EQ(0u, std::string(got.FaultAt).find(row.Refused)) << row.Line << ": " << got.Fault;
    EXPECT_EQ(std::string(row.Folder) + "|" + row.User + "|" + row.Company + "|" + row.Log,
              std::string(got.Folder) + "|" + got.User + "|" + got.Company + "|" + got.Log) << row.Line;
  }
}
