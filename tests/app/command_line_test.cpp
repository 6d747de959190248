// The option letters T and V after the program name.
#include <gtest/gtest.h>
#include "app/command_line.h"
#include "app/flags.h"

TEST(CommandLine, ProgramNameAloneSetsNothing)
{
  EXPECT_EQ(0u, CommandLineFlags("SETUP.EXE"));
  EXPECT_EQ(0u, CommandLineFlags("\"C:\\Temp Files\\SETUP.EXE\""));
  EXPECT_EQ(0u, CommandLineFlags("\"C:\\Temp Files\\SETUP.EXE\"   "));
  EXPECT_EQ(0u, CommandLineFlags(""));
}

TEST(CommandLine, QuotedNameWithBlanksThenTAndV)
{
  EXPECT_EQ(RF_DIALOGS_AT_200 | RF_CONFIRM_STEPS,
            CommandLineFlags("\"C:\\Program Files\\Setup\\SETUP.EXE\" T V"));
}

TEST(CommandLine, LettersCountInsideOtherWords)
{
  EXPECT_EQ(RF_DIALOGS_AT_200, CommandLineFlags("setup.exe C:\\Temp\\x"));
  EXPECT_EQ(RF_CONFIRM_STEPS, CommandLineFlags("setup.exe /Verbose"));
  EXPECT_EQ(RF_DIALOGS_AT_200 | RF_CONFIRM_STEPS, CommandLineFlags("setup.exe TV"));
}

TEST(CommandLine, LowerCaseLettersWithDashSetNothing)
{
  EXPECT_EQ(0u, CommandLineFlags("setup.exe -t -v"));
}

TEST(CommandLine, UnclosedQuoteMeansNoOptions)
{
  EXPECT_EQ(0u, CommandLineFlags("\"C:\\SETUP.EXE T V"));
}

TEST(CommandLine, LettersInTheProgramNameDoNotCount)
{
  EXPECT_EQ(0u, CommandLineFlags("\"C:\\TV Tools\\SETUP.EXE\""));
  EXPECT_EQ(0u, CommandLineFlags("C:\\TEMP\\SETUP.EXE"));
}

TEST(CommandLine, TrailBytesOfJapaneseCharactersAreNotLetters)
{
  // "サ" is 0x83 0x54 and "シ" 0x83 0x56: their trail bytes are 'T' and 'V'.
  EXPECT_EQ(0u, CommandLineFlags("setup.exe C:\\\x83\x54\x83\x56"));
  EXPECT_EQ(RF_CONFIRM_STEPS, CommandLineFlags("setup.exe \x83\x54 V"));
  // A Japanese program name whose trail byte is a blank-free 'T'.
  EXPECT_EQ(RF_CONFIRM_STEPS, CommandLineFlags("\x83\x54setup.exe V"));
}
