// Files an installation replaces. New data never overwrites a file in
// place: it is written whole under "name.$new", the old file is renamed
// "name.$old" and the new one takes its name, so that a failure at any
// moment leaves either file whole. The install folder's "setup.rpl" lists
// each replaced file before anything is renamed; the finish removes the
// old copies, the roll-back (or the next run, after a run that was ended)
// renames them back. The list is in a folder that users may write: a line
// only ever names a file whose ".$old" copy is there, which only a writer
// of that folder could have put there.
#include "install/replaced_files.h"
#include <windows.h>
#include "app/file_io.h"
#include "app/heap.h"
#include "app/services.h"
#include "app/sjis.h"
#include "app/state.h"
#include "install/install_folder.h"
#include "install/log_format.h"

// The run's own list while it is written, else nullptr (zero, so that the
// image has no initialised data).
static HANDLE ReplacedList;
static char* TakenList;  // a list taken in, NUL-terminated lines of text
static DWORD TakenBytes;

// path + suffix into out (MAX_PATH bytes); 0 when it does not fit.
static int WithSuffix(const char* path, const char* suffix, char* out)
{
  if (lstrlenA(path) + REPLACED_SUFFIX_BYTES >= MAX_PATH) return 0;
  wsprintfA(out, "%s%s", path, suffix);
  return 1;
}

int BeginReplacement(const char* path, char* newData)
{
  char full[MAX_PATH];
  if (!InstallFolderPath(path, full) || !WithSuffix(full, NEW_DATA_SUFFIX, newData)) return RefuseLongPath(path);
  if (ReplacedList == nullptr) {
    char list[MAX_PATH];
    if (!InstallFolderPath(REPLACED_LIST_FILE_NAME, list)) return RefuseLongPath(State.InstallFolder);
    // A new file: never one that is there already, nor one through a link.
    const HANDLE created = IoCreateFile(list, GENERIC_READ | GENERIC_WRITE, CREATE_NEW, FILE_ATTRIBUTE_NORMAL);
    if (created == INVALID_HANDLE_VALUE) return ReportSystemError(list);
    ReplacedList = created;
  }
  char line[MAX_PATH + 2];
  wsprintfA(line, "%s\r\n", full);
  const DWORD length = static_cast<DWORD>(lstrlenA(line));
  DWORD written = 0;
  if (!IoWriteFile(ReplacedList, line, length, &written) || written != length) {
    if (written != length && GetLastError() == ERROR_SUCCESS) SetLastError(ERROR_DISK_FULL);
    return ReportSystemError(REPLACED_LIST_FILE_NAME);
  }
  return 1;
}

int PutInPlace(const char* path, const char* newData, int* inUse)
{
  char full[MAX_PATH];
  char aside[MAX_PATH];
  lstrcpynA(full, newData, lstrlenA(newData) - REPLACED_SUFFIX_BYTES + 1);
  WithSuffix(full, KEPT_ASIDE_SUFFIX, aside);
  *inUse = 0;
  // Replaced twice in one run, the file keeps its first old copy; what it
  // holds now is this run's own.
  const bool kept = GetFileAttributesA(aside) != INVALID_FILE_ATTRIBUTES;
  if (kept) SetFileAttributesA(full, FILE_ATTRIBUTE_NORMAL);
  if (kept ? !MoveFileExA(newData, full, MOVEFILE_REPLACE_EXISTING) : !MoveFileExA(full, aside, 0)) {
    // A program holds the old file: the new data waits for the restart.
    if (GetLastError() != ERROR_SHARING_VIOLATION) return ReportSystemError(path);
    *inUse = 1;
    return 1;
  }
  if (kept || MoveFileExA(newData, full, 0)) return 1;
  const DWORD error = GetLastError();
  MoveFileExA(aside, full, 0);
  SetLastError(error);
  return ReportSystemError(path);
}

// Reads the open list whole into a heap block of NUL-terminated lines.
static int ReadList(HANDLE list)
{
  DWORD high = 0;
  const DWORD size = GetFileSize(list, &high);
  if (size == INVALID_FILE_SIZE || high != 0 || size > LOG_SIZE_LIMIT) return 0;
  TakenList = static_cast<char*>(AllocateBlock(size + 1));
  if (TakenList == nullptr || !IoReadFromStart(list, TakenList, size)) {
    FreeBlock(TakenList);
    TakenList = nullptr;
    return 0;
  }
  TakenList[size] = '\0';
  for (DWORD i = 0; i < size; ++i)
    if (TakenList[i] == '\r' || TakenList[i] == '\n') TakenList[i] = '\0';
  TakenBytes = size;
  return 1;
}

int TakeReplacedList()
{
  char list[MAX_PATH];
  if (!InstallFolderPath(REPLACED_LIST_FILE_NAME, list)) return 0;
  HANDLE file = ReplacedList;
  ReplacedList = nullptr;
  if (file == nullptr) {
    // A link in the list's place is no list of this engine.
    const DWORD attributes = GetFileAttributesA(list);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)))
      return 0;
    file = OpenToRead(list);
    if (file == INVALID_HANDLE_VALUE) return 0;
  }
  const int read = ReadList(file);
  CloseHandle(file);
  if (read) DeleteFileA(list);
  return read;
}

// Each full path of the list taken in, with its copy's name; frees the list.
// The list holds full paths alone: any other line (the empty one after each
// CR LF among them) names nothing, least of all the install folder itself.
static void ForEachReplaced(void (*action)(const char* full, const char* aside))
{
  for (DWORD i = 0; TakenList != nullptr && i < TakenBytes; i += static_cast<DWORD>(lstrlenA(TakenList + i)) + 1) {
    const char* full = TakenList + i;
    char aside[MAX_PATH];
    if (!IsAbsolutePath(full) || !WithSuffix(full, KEPT_ASIDE_SUFFIX, aside)) continue;
    action(full, aside);
  }
  FreeBlock(TakenList);
  TakenList = nullptr;
}

void ForgetReplacedFiles()
{
  if (ReplacedList == nullptr || !TakeReplacedList()) return;
  ForEachReplaced([](const char*, const char* aside) {
    SetFileAttributesA(aside, FILE_ATTRIBUTE_NORMAL);
    // A copy that a program still holds goes at the next start of Windows.
    if (!DeleteFileA(aside) && GetLastError() == ERROR_SHARING_VIOLATION)
      MoveFileExA(aside, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  });
}

void GiveBackReplacedFiles()
{
  ForEachReplaced([](const char* full, const char* aside) {
    char newData[MAX_PATH];
    const DWORD kept = GetFileAttributesA(aside);
    if (kept != INVALID_FILE_ATTRIBUTES && !(kept & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))) {
      // The new file may have been made read-only.
      const DWORD current = GetFileAttributesA(full);
      if (current != INVALID_FILE_ATTRIBUTES && !(current & FILE_ATTRIBUTE_DIRECTORY))
        SetFileAttributesA(full, FILE_ATTRIBUTE_NORMAL);
      MoveFileExA(aside, full, MOVEFILE_REPLACE_EXISTING);
    }
    if (WithSuffix(full, NEW_DATA_SUFFIX, newData) && GetFileAttributesA(newData) != INVALID_FILE_ATTRIBUTES) {
      SetFileAttributesA(newData, FILE_ATTRIBUTE_NORMAL);
      DeleteFileA(newData);
    }
  });
}
