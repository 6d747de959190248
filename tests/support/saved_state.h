// Machine-wide Windows state that tests change on purpose, saved when a
// test begins and put back when it ends: files of the Windows folder
// (WININIT.INI) and the moves planned for the next start of Windows.
#pragma once
#include <windows.h>
#include <string>
#include "payload/encode.h"

// A file of the Windows folder, removed for the test and put back (or
// removed again) afterwards.
struct SavedWindowsFile {
  explicit SavedWindowsFile(const char* name);
  ~SavedWindowsFile();
  std::string Path;
  bool Existed;
  Bytes Saved;
};

// The value PendingFileRenameOperations, put back afterwards.
struct SavedPendingRenames {
  SavedPendingRenames();
  ~SavedPendingRenames();
  // The moves planned now, as text (empty when none are planned).
  std::string Now() const;
  HKEY Key = nullptr;
  bool Existed = false;
  Bytes Saved;
};
