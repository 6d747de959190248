// The uninstaller's command line, which an elevated program takes in: the
// two registered forms, the roll-back's digest, and what is refused whole.
#include <gtest/gtest.h>
#include <string>
#include "uninstall/command.h"

TEST(UninstallCommand, TheRegisteredFormsAndTheRollBacksDigestAloneAreTaken)
{
  const std::string digest(64, 'a'), program = "\"C:\\WINDOWS\\unins000.exe\" ";
  const struct {
    std::string Line;  // after the program
    bool Taken, RollBack;
    const char* Product;
    std::string Digest;
  } rows[] = {{"\"製品\" \"C:\\表\"", true, false, "製品", ""}, {"s \"s\" \"C:\\A\"", true, true, "s", ""},
              {"\"s\" \"C:\\A\"", true, false, "s", ""},  // a product called s
              {"s \"P\" \"C:\\A\" " + digest, true, true, "P", digest}, {"s \"P\" \"C:\\A\" " + digest.substr(1)},
              {"s \"P\" \"C:\\A\" " + digest + "0"}, {"s \"P\" \"C:\\A\" " + std::string(64, 'A')},
              {"s \"P\" \"C:\\A\" " + digest + " x"}, {"\"P\""}, {"\"P\" \"\""}, {"\"P\" \"C:\\A"},
              {"\"P\" \"C:\\" + std::string(260, 'x') + "\""}};
  for (const auto& row : rows) {
    UninstallCommand command;
    EXPECT_EQ(row.Taken, ParseUninstallCommand((program + row.Line).c_str(), &command)) << row.Line;
    if (!row.Taken) continue;
    EXPECT_EQ(row.RollBack, command.RollBack) << row.Line;
    EXPECT_STREQ(row.Product, command.Product) << row.Line;
    EXPECT_EQ(row.Digest, command.LogDigest) << row.Line;
  }
}
