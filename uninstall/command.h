// The uninstaller's two command lines, as the setup program writes them:
//   "unins000.exe" "product" "folder"      (Add/Remove Programs)
//   "unins000.exe" s "product" "folder"    (roll-back, no questions)
// Portable.
#pragma once
#include <cstddef>

enum { COMMAND_TEXT_BYTES = 260 };

struct UninstallCommand {
  bool RollBack;                     // the letter s: no question, no message
  char Product[COMMAND_TEXT_BYTES];  // the Uninstall entry's name
  char Folder[COMMAND_TEXT_BYTES];   // the install folder holding setup.inf
};

// Reads the whole command line (program name first). False when it is not
// one of the two forms or a text would not fit its buffer whole.
bool ParseUninstallCommand(const char* line, UninstallCommand* out);
