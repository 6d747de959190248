// The uninstaller's two command lines, as the setup program writes them:
//   "unins000.exe" "product" "folder"      (Add/Remove Programs)
//   "unins000.exe" s "product" "folder"    (quiet, no questions)
// The setup program's roll-back adds the digest of the log it closed:
//   "unins000.exe" s "product" "folder" 64-hex-digits
// Portable.
#pragma once
#include <cstddef>
#include "app/sha256.h"

enum { COMMAND_TEXT_BYTES = 260 };

struct UninstallCommand {
  bool RollBack;                     // the letter s: no question, no message
  char Product[COMMAND_TEXT_BYTES];  // the Uninstall entry's name
  char Folder[COMMAND_TEXT_BYTES];   // the install folder holding setup.inf
  char LogDigest[SHA256_TEXT_BYTES]; // the log's SHA-256 in lower-case hexadecimal, or empty
};

// Reads the whole command line (program name first). False when it is not
// one of these forms or a text would not fit its buffer whole.
bool ParseUninstallCommand(const char* line, UninstallCommand* out);
