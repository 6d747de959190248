// What every stand-in uninstaller does first: record how it was started by
// appending its command line and current folder, CR LF each, to a file
// beside its own image ("<image>.log"). Header-only, so that each stand-in
// stays a single source file.
#pragma once
#include <windows.h>

// False when the record could not be written.
inline bool RecordStart()
{
  char record[MAX_PATH + 8];
  const DWORD length = GetModuleFileNameA(nullptr, record, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return false;
  lstrcatA(record, ".log");
  char folder[MAX_PATH];
  if (GetCurrentDirectoryA(sizeof folder, folder) == 0) folder[0] = '\0';

  HANDLE file = CreateFileA(record, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const char* parts[] = {GetCommandLineA(), "\r\n", folder, "\r\n"};
  for (const char* part : parts) {
    DWORD written;
    WriteFile(file, part, lstrlenA(part), &written, nullptr);
  }
  CloseHandle(file);
  return true;
}
