// WININIT.INI, the list of file moves that Windows 9x carries out at its
// next start: one entry added with a rewrite of the whole file, the old file
// kept as WININIT.BAK until the new one is complete. Shared by the setup
// program and the uninstaller, so it shows nothing: every failure returns 0
// with the system's error set and the name of the file it concerns.
#include "install/wininit_file.h"
#include "app/file_io.h"
#include "app/heap.h"
#include "app/sjis.h"
#include "install/wininit.h"

// WININIT.INI is read whole, old and new text in one block; past this size
// the two could not be counted in 32 bits.
static const DWORD MAX_INI_BYTES = 0x40000000;

static int TooLong()
{
  SetLastError(ERROR_FILENAME_EXCED_RANGE);
  return 0;
}

static int WindowsFolderFile(const char* name, char* out)
{
  const UINT length = GetWindowsDirectoryA(out, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return TooLong();
  CutTrailingBackslash(out);
  if (lstrlenA(out) + 1 + lstrlenA(name) >= MAX_PATH) return TooLong();
  lstrcatA(out, "\\");
  lstrcatA(out, name);
  return 1;
}

// Reads the whole of `file` (size bytes) into `into`.
static int ReadAll(HANDLE file, char* into, DWORD size)
{
  DWORD at = 0;
  while (at < size) {
    DWORD got = 0;
    if (!IoReadFile(file, into + at, size - at, &got)) return 0;
    if (got == 0) {
      SetLastError(ERROR_HANDLE_EOF);
      return 0;
    }
    at += got;
  }
  return 1;
}

// Creates `ini` with `length` bytes of text. On failure the file may hold
// part of the text; the caller puts the old one back.
static int WriteWholeIni(const char* ini, const char* text, DWORD length)
{
  HANDLE file = CreateFileA(ini, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 0;
  DWORD done = 0;
  BOOL written = IoWriteFile(file, text, length, &done);
  if (written && done != length) {
    written = FALSE;
    SetLastError(ERROR_DISK_FULL);
  }
  const DWORD error = GetLastError();
  CloseHandle(file);
  SetLastError(error);
  return written ? 1 : 0;
}

// Writes the text of WININIT.INI with the entry added; the old text is read
// from its copy `bak` (absent when hadIni is 0). 0 with the error set and
// *failed naming the file that failed.
static int RewriteIni(const char* ini, const char* bak, int hadIni, const char* target,
                      const char* source, const char** failed)
{
  *failed = "WININIT.BAK";
  HANDLE old = INVALID_HANDLE_VALUE;
  DWORD oldSize = 0;
  if (hadIni) {
    old = CreateFileA(bak, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (old == INVALID_HANDLE_VALUE) return 0;
    oldSize = GetFileSize(old, nullptr);
  }
  int ok = 0;
  char* block = nullptr;
  if (oldSize == INVALID_FILE_SIZE) {
  } else if (oldSize > MAX_INI_BYTES ||
             (block = static_cast<char*>(AllocateBlock(oldSize + RenameOutputBytes(oldSize, target, source)))) == nullptr) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  } else if (!hadIni || ReadAll(old, block, oldSize)) {
    char* out = block + oldSize;
    const size_t length = AddRenameEntry(block, oldSize, target, source, out);
    *failed = "WININIT.INI";
    ok = WriteWholeIni(ini, out, static_cast<DWORD>(length));
  }
  const DWORD error = GetLastError();
  FreeBlock(block);
  if (old != INVALID_HANDLE_VALUE) CloseHandle(old);
  SetLastError(error);
  return ok;
}

int ReadWininit(char** text, DWORD* size)
{
  *text = nullptr;
  *size = 0;
  char ini[MAX_PATH];
  if (!WindowsFolderFile("WININIT.INI", ini)) return 0;
  HANDLE file = CreateFileA(ini, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND ? 1 : 0;
  const DWORD length = GetFileSize(file, nullptr);
  int ok = 0;
  if (length == INVALID_FILE_SIZE) {
  } else if (length > MAX_INI_BYTES || (*text = static_cast<char*>(AllocateBlock(length + 1))) == nullptr) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  } else {
    ok = ReadAll(file, *text, length);
    *size = length;
  }
  const DWORD error = GetLastError();
  CloseHandle(file);
  if (!ok && *text != nullptr) {
    FreeBlock(*text);
    *text = nullptr;
  }
  SetLastError(error);
  return ok;
}

int AddWininitEntry(const char* target, const char* source, const char** failed)
{
  char ini[MAX_PATH];
  char bak[MAX_PATH];
  *failed = "WININIT.INI";
  if (!WindowsFolderFile("WININIT.INI", ini) || !WindowsFolderFile("WININIT.BAK", bak)) return 0;
  const int hadIni = GetFileAttributesA(ini) != INVALID_FILE_ATTRIBUTES;
  if (hadIni && !CopyFileA(ini, bak, FALSE)) return 0;
  if (RewriteIni(ini, bak, hadIni, target, source, failed)) {
    if (hadIni) DeleteFileA(bak);
    return 1;
  }
  const DWORD error = GetLastError();
  if (!hadIni) {
    DeleteFileA(ini);
  } else if (CopyFileA(bak, ini, FALSE)) {
    DeleteFileA(bak);
  }
  SetLastError(error);
  return 0;
}
