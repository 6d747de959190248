// The uninstaller's run-long record: what the command line asked for, the
// log being taken back, and what the end of the run must tell the user.
#pragma once
#include <windows.h>
#include "uninstall/command.h"

struct UninstallRun {
  UninstallCommand Command;  // mode, product name, install folder
  int Partial;               // roll-back of a reinstallation: the earlier log waits as setup.$$$
  char** Lines;              // the log's lines, first to last
  long LineCount;
  HWND Window;               // progress window (ordinary mode), owner of every box
  int RestartNeeded;         // a file waits for the next start of Windows
};

extern UninstallRun Run;
