// Files for tests: a temporary folder removed with everything in it, and
// whole-file reads and writes.
#pragma once
#include <windows.h>
#include <string>
#include "payload/encode.h"

class TempFolder {
 public:
  TempFolder();   // a new empty folder under the temp path
  ~TempFolder();  // removes it with everything inside
  const std::string& Path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

 private:
  std::string path_;
};

bool WriteWholeFile(const std::string& path, const Bytes& bytes);
Bytes ReadWholeFile(const std::string& path);
bool FileExists(const std::string& path);

// The folder of the running test program, without a trailing backslash.
std::string ProgramFolder();

// The Windows folder and the system folder, without a trailing backslash.
std::string WindowsFolder();
std::string SystemFolder();

// The path without its last component (double-byte aware).
std::string ParentFolder(const std::string& path);

// Removes a folder tree; true when it is gone.
bool RemoveTree(const std::string& path);
