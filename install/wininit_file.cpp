// The file moves Windows carries out at its next start. WININIT.INI, the
// list of Windows 9x: one entry added with a rewrite of the whole file, the
// old file kept as WININIT.BAK until the new one is complete (shared by the
// setup program and the uninstaller). The NT family keeps its own list.
#include "install/wininit_file.h"
#include "app/file_io.h"
#include "app/services.h"
#include "app/sjis.h"
#include "app/state.h"
#include "install/wininit.h"

// WININIT.INI is read whole, old and new text in one block; past this size
// the two could not be counted in 32 bits.
static const DWORD MAX_INI_BYTES = 0x40000000;

static int WindowsFolderFile(const char* name, char* out)
{
  const UINT length = GetWindowsDirectoryA(out, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return RefuseLongName(name);
  CutTrailingBackslash(out);
  if (lstrlenA(out) + 1 + lstrlenA(name) >= MAX_PATH) return RefuseLongName(name);
  lstrcatA(out, "\\");
  lstrcatA(out, name);
  return 1;
}

// Reads the whole of `file` (size bytes) into `into`; reports with subject.
static int ReadAll(HANDLE file, char* into, DWORD size, const char* subject)
{
  DWORD at = 0;
  while (at < size) {
    DWORD got = 0;
    if (!IoReadFile(file, into + at, size - at, &got)) return ReportSystemError(subject);
    if (got == 0) {
      SetLastError(ERROR_HANDLE_EOF);
      return ReportSystemError(subject);
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
  if (file == INVALID_HANDLE_VALUE) return ReportSystemError("WININIT.INI");
  DWORD done = 0;
  BOOL written = IoWriteFile(file, text, length, &done);
  if (written && done != length) {
    written = FALSE;
    SetLastError(ERROR_DISK_FULL);
  }
  const DWORD error = GetLastError();
  CloseHandle(file);
  SetLastError(error);
  if (!written) return ReportSystemError("WININIT.INI");
  return 1;
}

// Writes the text of WININIT.INI with the entry added; the old text is read
// from its copy `bak` (absent when hadIni is 0). 0 after reporting.
static int RewriteIni(const char* ini, const char* bak, int hadIni, const char* target,
                      const char* source)
{
  HANDLE old = INVALID_HANDLE_VALUE;
  DWORD oldSize = 0;
  if (hadIni) {
    old = CreateFileA(bak, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (old == INVALID_HANDLE_VALUE) return ReportSystemError("WININIT.BAK");
    oldSize = GetFileSize(old, nullptr);
  }
  int ok = 0;
  HANDLE heap = GetProcessHeap();
  char* block = nullptr;
  if (oldSize == INVALID_FILE_SIZE) {
    ReportSystemError("WININIT.BAK");
  } else if (oldSize > MAX_INI_BYTES ||
             (block = static_cast<char*>(HeapAlloc(
                  heap, 0, oldSize + RenameOutputBytes(oldSize, target, source)))) == nullptr) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    ReportSystemError("WININIT.BAK");
  } else if (!hadIni || ReadAll(old, block, oldSize, "WININIT.BAK")) {
    char* out = block + oldSize;
    const size_t length = AddRenameEntry(block, oldSize, target, source, out);
    ok = WriteWholeIni(ini, out, static_cast<DWORD>(length));
  }
  if (block != nullptr) HeapFree(heap, 0, block);
  if (old != INVALID_HANDLE_VALUE) CloseHandle(old);
  return ok;
}

int AddWininitEntry(const char* target, const char* source)
{
  char ini[MAX_PATH];
  char bak[MAX_PATH];
  if (!WindowsFolderFile("WININIT.INI", ini) || !WindowsFolderFile("WININIT.BAK", bak)) return 0;
  const int hadIni = GetFileAttributesA(ini) != INVALID_FILE_ATTRIBUTES;
  if (hadIni && !CopyFileA(ini, bak, FALSE)) return ReportSystemError("WININIT.INI");
  if (RewriteIni(ini, bak, hadIni, target, source)) {
    if (hadIni) DeleteFileA(bak);
    return 1;
  }
  if (!hadIni) {
    DeleteFileA(ini);
  } else if (CopyFileA(bak, ini, FALSE)) {
    DeleteFileA(bak);
  }
  return 0;
}

static int AbsolutePath(const char* path, char* out)
{
  char* file = nullptr;
  const DWORD length = GetFullPathNameA(path, MAX_PATH, out, &file);
  if (length == 0) return ReportSystemError(path);
  if (length >= MAX_PATH) return RefuseLongName(path);
  return 1;
}

// The 8.3 form of an absolute path, as WININIT.INI needs it.
static int ShortPath(const char* path, char* out)
{
  const DWORD length = GetShortPathNameA(path, out, MAX_PATH);
  if (length == 0) return ReportSystemError(path);
  if (length >= MAX_PATH) return RefuseLongName(path);
  return 1;
}

static int IsNetworkPath(const char* path) { return path[0] == '\\' && path[1] == '\\'; }

int ReplaceAtNextStart(const char* path, const char* alternate)
{
  char target[MAX_PATH];
  char source[MAX_PATH];
  if (!AbsolutePath(path, target) || !AbsolutePath(alternate, source)) return 0;
  // Windows moves no files on network paths at its start; the data stays
  // under the alternate name.
  if (IsNetworkPath(target) || IsNetworkPath(source)) return 1;
  char shortTarget[MAX_PATH];
  char shortSource[MAX_PATH];
  if (!ShortPath(target, shortTarget) || !ShortPath(source, shortSource)) return 0;
  if (!AddWininitEntry(shortTarget, shortSource)) return 0;
  const bool ntFamily = (GetVersion() & 0x80000000) == 0;
  if (ntFamily && !MoveFileExA(source, target, MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING))
    return ReportSystemError(path);
  return 1;
}
