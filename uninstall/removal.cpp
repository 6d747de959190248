// The file side of the uninstallation. A path is acted on only after the
// caller judged its place, and only when no component below its root is a
// reparse point; a path that is gone already is passed over quietly. A
// read-only attribute the installation gave a file does not keep it, and is
// given back when the file has to stay.
#include "uninstall/removal.h"
#include <windows.h>
#include <shlobj.h>
#include "app/sjis.h"
#include "uninstall/later.h"
#include "uninstall/log_lines.h"
#include "uninstall/registry_removal.h"
#include "uninstall/report.h"
#include "uninstall/run.h"

static const char TXT_SHARED_CAPTION[] = "共有ファイルの削除確認";
static const char TXT_SHARED[] =
    "次の共有ファイルは、もうどのプログラムにも使われていないようです。\n\n%s\n\n"
    "削除しますか？\n分からないときは「いいえ」を選んでください。ファイルを残しても問題はありません。";

enum { PENDING_LIMIT = 64 };

// Files that wait for the next start of Windows, and folders planned to
// follow them (paths of the log's text).
static const char* Pending[PENDING_LIMIT];
static int PendingCount;
static const char* PlannedFolders[PENDING_LIMIT];
static int PlannedCount;

int ReachesThroughLink(const char* path)
{
  char prefix[MAX_PATH];
  if (lstrlenA(path) >= MAX_PATH) return 1;
  lstrcpyA(prefix, path);
  // The root's separators: "C:\" has one, "\\server\share\" four.
  const int root = prefix[0] == '\\' ? 4 : 1;
  int separators = 0;
  for (char* p = prefix;; p = const_cast<char*>(NextSjisChar(p))) {
    if (*p != '\\' && *p != '\0') continue;
    const char end = *p;
    if (++separators > root) {
      *p = '\0';
      const DWORD attributes = GetFileAttributesA(prefix);
      *p = end;
      // Nothing below a missing component can be reached at all; a
      // component that cannot be looked at is not taken on trust.
      if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
      }
      if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return 1;
    }
    if (end == '\0') return 0;
  }
}

// Deletes the file now, or at the next start of Windows when a program
// holds it. 1 when it is gone or will go; 0 after noting it as kept.
static int DeleteOrPlan(const char* path)
{
  const DWORD attributes = GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return 1;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    NoteLeftover(path, 0);
    return 0;
  }
  if (attributes & FILE_ATTRIBUTE_READONLY) SetFileAttributesA(path, attributes & ~FILE_ATTRIBUTE_READONLY);
  if (DeleteFileA(path)) return 1;
  const DWORD error = GetLastError();
  if (error == ERROR_FILE_NOT_FOUND) return 1;
  // Only a file in use waits for the restart: one the administrator may
  // not delete now is not the uninstaller's to delete then.
  if (error == ERROR_SHARING_VIOLATION && DeleteAtRestart(path)) {
    Run.RestartNeeded = 1;
    if (PendingCount < PENDING_LIMIT) Pending[PendingCount++] = path;
    return 1;
  }
  SetFileAttributesA(path, attributes);
  NoteLeftover(path, 0);
  return 0;
}

void RemoveLoggedFile(const char* path, int countedOnly, SharedSeen* seen)
{
  if (ReachesThroughLink(path)) return NoteLeftover(path, 1);
  if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) return;
  for (int i = 0; i < seen->Count; ++i)
    if (SameSjisPath(seen->Paths[i], path)) return;
  char name[MAX_PATH];
  DWORD count = 0;
  const int counted = ReadSharedCount(path, name, &count);
  // The engine puts only shared files into the Windows folder; a log that
  // names another file there is not to be trusted with it.
  if (countedOnly && !counted) return NoteLeftover(path, 1);
  if (!counted) {
    DeleteOrPlan(path);
    return;
  }
  seen->Paths[seen->Count++] = path;
  if (count > 1) return SetSharedCount(name, count - 1);
  // Windows itself may still use a file whose count reached zero; keeping
  // it costs only its space. Mode s asks nothing and keeps it.
  char question[sizeof TXT_SHARED + MAX_PATH];
  wsprintfA(question, TXT_SHARED, path);
  if (Ask(question, TXT_SHARED_CAPTION, 1) == IDYES && !DeleteOrPlan(path)) return;
  SetSharedCount(name, 0);
}

// Copies the folder part of path into out (MAX_PATH bytes); 0 at a root.
static int ParentOf(const char* path, char* out)
{
  lstrcpynA(out, path, MAX_PATH);
  char* cut = nullptr;
  for (char* p = out; *p != '\0'; p = const_cast<char*>(NextSjisChar(p)))
    if (*p == '\\') cut = p;
  if (cut == nullptr) return 0;
  *cut = '\0';
  return 1;
}

// True when folder lies strictly below one of the Start menu's program folders.
static bool InStartMenu(const char* folder)
{
  static const int places[] = {CSIDL_PROGRAMS, CSIDL_COMMON_PROGRAMS};
  for (int place : places) {
    char programs[MAX_PATH];
    if (!SHGetSpecialFolderPathA(nullptr, programs, place, FALSE)) continue;
    char parent[MAX_PATH];
    if (ParentOf(folder, parent) && SameSjisPath(parent, programs)) return true;
  }
  return false;
}

void RemoveLoggedShortcut(const char* path)
{
  if (ReachesThroughLink(path)) return NoteLeftover(path, 1);
  if (!DeleteOrPlan(path)) return;
  char folder[MAX_PATH];
  if (ParentOf(path, folder) && InStartMenu(folder)) RemoveDirectoryA(folder);
}

static bool InList(const char* path, const char* const* list, int count)
{
  for (int i = 0; i < count; ++i)
    if (CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, list[i], -1, path, -1) == CSTR_EQUAL) return true;
  return false;
}

// True when everything left in folder goes at the next start of Windows:
// each entry is a file waiting for it or a folder planned to follow. A
// folder that holds anything else (a file the user added) stays, and is
// reported now rather than left behind unnamed after the restart.
static bool OnlyPlannedLeft(const char* folder)
{
  char path[MAX_PATH];
  const int length = lstrlenA(folder);
  if (length + 3 > MAX_PATH) return false;
  wsprintfA(path, "%s\\*", folder);
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA(path, &entry);
  if (find == INVALID_HANDLE_VALUE) return false;
  bool planned = true;
  bool any = false;
  do {
    const char* name = entry.cFileName;
    if (lstrcmpA(name, ".") == 0 || lstrcmpA(name, "..") == 0) continue;
    any = true;
    if (length + 1 + lstrlenA(name) >= MAX_PATH) {
      planned = false;
      break;
    }
    wsprintfA(path, "%s\\%s", folder, name);
    const bool isFolder = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    planned = isFolder ? InList(path, PlannedFolders, PlannedCount) : InList(path, Pending, PendingCount);
  } while (planned && FindNextFileA(find, &entry));
  FindClose(find);
  return planned && any;
}

void RemoveLoggedFolders(const char** folders, int count)
{
  // A folder is always longer than the folders it lies in.
  for (int i = 1; i < count; ++i) {
    for (int j = i; j > 0 && lstrlenA(folders[j]) > lstrlenA(folders[j - 1]); --j) {
      const char* swap = folders[j];
      folders[j] = folders[j - 1];
      folders[j - 1] = swap;
    }
  }
  for (int i = 0; i < count; ++i) {
    if (ReachesThroughLink(folders[i])) {
      NoteLeftover(folders[i], 1);
      continue;
    }
    const DWORD attributes = GetFileAttributesA(folders[i]);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
    if (RemoveDirectoryA(folders[i])) continue;
    // The NT family removes a folder at its start when it is empty by then,
    // after the files planned before it.
    const bool ntFamily = (GetVersion() & 0x80000000) == 0;
    if (ntFamily && PlannedCount < PENDING_LIMIT && OnlyPlannedLeft(folders[i]) &&
        MoveFileExA(folders[i], nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) {
      PlannedFolders[PlannedCount++] = folders[i];
      continue;
    }
    NoteLeftover(folders[i], 0);
  }
}
