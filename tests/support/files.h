// The helpers of the Windows tests: temporary folders, whole files, texts,
// registry values, short names, and a file held open.
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
Bytes ReadWholeFile(const std::string& path);  // empty when it cannot be read
// A 64-byte stand-in executable image with `payload` attached; false if it cannot be written.
bool WriteStandInSetup(const std::string& path, const Bytes& payload);
bool FileExists(const std::string& path);
std::string ProgramFolder();  // of the running test program
std::string WindowsFolder();
std::string SystemFolder();
std::string ParentFolder(const std::string& path);  // double-byte aware

Bytes BytesOf(const std::string& text);
std::string FileText(const std::string& path);
bool EndsWith(const std::string& text, const std::string& end);
std::string ShortName(const std::string& path);
// Attributes without the archive bit, which Wine reports on every file.
DWORD Attributes(const std::string& path);

// A value as text ("<no key>", "<no value>"; a DWORD in decimal). `root`
// may be given in the key as "HKEY_...\" instead.
std::string RegistryText(HKEY root, const std::string& key, const char* name, DWORD* type = nullptr);
void SetRegistryText(HKEY root, const std::string& key, const char* name, const std::string& text);

// A file held open without sharing, as a running program holds its files.
struct Held {
  explicit Held(const std::string& path)
      : Handle(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)) {}
  ~Held() { CloseHandle(Handle); }
  HANDLE Handle;
};

// Plants a link at `link` to the folder `target`, or removes it when target
// is "", through the host: this Wine makes no junction, but reports a host's
// symbolic link as a reparse point and follows it as Windows follows a
// junction. False when it did not come or go within five seconds.
bool HostLink(const std::string& link, const std::string& target);
