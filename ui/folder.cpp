// Destination folder handling for the folder pages. Every box is owned by
// the page on screen; composed names that would not fit MAX_PATH are
// refused, never cut.
#include "ui/folder.h"
#include <shlobj.h>
#include "app/folder_macro.h"
#include "app/install_names.h"
#include "app/message_box.h"
#include "app/registry.h"
#include "app/services.h"
#include "app/sjis.h"
#include "app/state.h"
#include "app/texts.h"

enum { TEST_NAME_SUFFIX = 10, CSIDL_DRIVES_ROOT = 17, ENTRY_NAME_BYTES = 512 };  // a key name, 2 bytes a character

static int WriteTest()
{
  if (lstrlenA(State.InstallFolder) + TEST_NAME_SUFFIX >= MAX_PATH) return RefuseLongFolder();
  char name[MAX_PATH];
  int n = 0;
  for (; n < 1000; ++n) {
    wsprintfA(name, "%s\\setup.%3.3d", State.InstallFolder, n);
    if (GetFileAttributesA(name) == INVALID_FILE_ATTRIBUTES) break;
  }
  if (n == 1000) return 0;
  HANDLE file = CreateFileA(name, GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return ReportSystemError("書込みテストエラー");
  CloseHandle(file);
  DeleteFileA(name);
  return 1;
}

// The system's own places: an installation there could not be told from
// them, and its uninstaller would confine nothing to it.
static const int SYSTEM_PLACES[] = {CSIDL_WINDOWS, CSIDL_SYSTEM, CSIDL_PROGRAM_FILES, CSIDL_DESKTOPDIRECTORY,
                                    CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_PROGRAMS, CSIDL_COMMON_PROGRAMS};

// True when the folder (cut of its trailing backslash) is a drive or share
// root, or is or holds one of the system's own places.
static bool IsSystemPlace(const char* folder)
{
  if (folder[2] == '\0' && folder[1] == ':') return true;
  if (folder[0] == '\\') {
    int separators = 0;
    for (const char* p = folder; *p != '\0'; p = NextSjisChar(p)) separators += *p == '\\';
    if (separators <= 3) return true;
  }
  IMalloc* allocator = nullptr;
  if (FAILED(SHGetMalloc(&allocator))) return false;
  bool found = false;
  for (int place : SYSTEM_PLACES) {
    LPITEMIDLIST list = nullptr;
    if (found || SHGetSpecialFolderLocation(nullptr, place, &list) != S_OK) continue;
    char path[MAX_PATH];
    if (SHGetPathFromIDListA(list, path) && path[0] != '\0')
      found = SameSjisPath(folder, path) || SjisPathBelow(path, folder) != nullptr;
    allocator->Free(list);
  }
  allocator->Release();
  return found;
}

// A value of an Uninstall entry that fits `text` (MAX_PATH bytes) whole,
// of whatever type another product stored it as (ReadRegistryText takes
// REG_SZ alone, which this check must not be narrower than).
static bool ReadEntryText(HKEY entry, const char* name, char* text)
{
  DWORD size = MAX_PATH - 1;
  if (RegQueryValueExA(entry, name, nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size) != ERROR_SUCCESS)
    return false;
  text[size] = '\0';
  return true;
}

// True when the folder holds an install log and another product's
// Uninstall entry names the folder as its install folder; that product's
// display name goes into `other` (MAX_PATH bytes). Installed there, this
// product would take that log for an earlier one of its own, and the other
// product's entry would find none.
static bool HoldsOtherProduct(const char* folder, char* other)
{
  char log[MAX_PATH];
  if (lstrlenA(folder) + 1 + lstrlenA(LOG_FILE_NAME) >= MAX_PATH) return false;  // the write test refuses it
  wsprintfA(log, "%s\\%s", folder, LOG_FILE_NAME);
  HKEY entries;
  if (GetFileAttributesA(log) == INVALID_FILE_ATTRIBUTES ||
      OpenMachineKey(UNINSTALL_KEY_PATH, KEY_ENUMERATE_SUB_KEYS, &entries) != ERROR_SUCCESS) {
    return false;
  }
  bool found = false;
  char name[ENTRY_NAME_BYTES];
  for (DWORD i = 0; !found; ++i) {
    DWORD size = sizeof name;
    if (RegEnumKeyExA(entries, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    HKEY entry;
    // The product's own entry names its folder again when it is reinstalled.
    if (SameSjisPath(name, State.ProductName) ||
        RegOpenKeyExA(entries, name, 0, KEY_QUERY_VALUE, &entry) != ERROR_SUCCESS) {
      continue;
    }
    char location[MAX_PATH];
    found = ReadEntryText(entry, "InstallLocation", location) && SameSjisPath(location, folder);
    if (found && !ReadEntryText(entry, "DisplayName", other)) lstrcpynA(other, name, MAX_PATH);
    RegCloseKey(entry);
  }
  RegCloseKey(entries);
  return found;
}

int CheckInstallFolder()
{
  static const char TXT_EMPTY[] = "インストール先フォルダを空にすることはできません。";
  static const char TXT_SYSTEM_PLACE[] =
      "%s\n\nドライブのルートや、Windows が使うフォルダ (またはそれを含むフォルダ) にはインストールできません。"
      "\n製品用のフォルダを指定してください。";
  static const char TXT_OTHER_PRODUCT[] =
      "%s\n\nこのフォルダには「%s」がインストールされています。\nほかの製品のフォルダにはインストールできません。別のフォルダを指定してください。";
  static const char TXT_NOT_FULL[] =
      "インストール先フォルダは、ドライブ名から始まる完全なパス (例: C:\\Program Files\\製品) で指定してください。";
  // Judged before the cut below, which leaves "C:\" as "C:".
  const bool full = IsFullPath(State.InstallFolder);
  if (State.InstallFolder[0] == '\0' ||
      (CutTrailingBackslash(State.InstallFolder) && State.InstallFolder[0] == '\0')) {
    return RefuseFolder(TXT_EMPTY);
  }
  if (!full) {
    return RefuseFolder(TXT_NOT_FULL);
  }
  if (IsSystemPlace(State.InstallFolder)) {
    char text[sizeof TXT_SYSTEM_PLACE + MAX_PATH];
    wsprintfA(text, TXT_SYSTEM_PLACE, State.InstallFolder);
    return RefuseFolder(text);
  }
  const DWORD attributes = GetFileAttributesA(State.InstallFolder);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    char text[sizeof TXT_LINKED_FOLDER + MAX_PATH];
    wsprintfA(text, TXT_LINKED_FOLDER, State.InstallFolder);
    return RefuseFolder(text);
  }
  char other[MAX_PATH];
  if (attributes != INVALID_FILE_ATTRIBUTES && HoldsOtherProduct(State.InstallFolder, other)) {
    char text[sizeof TXT_OTHER_PRODUCT + 2 * MAX_PATH];
    wsprintfA(text, TXT_OTHER_PRODUCT, State.InstallFolder, other);
    return RefuseFolder(text);
  }
  if (attributes != INVALID_FILE_ATTRIBUTES) return WriteTest();

  char question[MAX_PATH + 64];
  wsprintfA(question, "%s フォルダは存在しませんでした。\n\n作成しますか？", State.InstallFolder);
  if (ShowMessageBox(State.CurrentDialog, question, "フォルダ作成確認", MB_YESNO | MB_ICONQUESTION) != IDYES)
    return 0;
  if (!CreateDirectoryA(State.InstallFolder, nullptr))
    return ReportSystemError(State.InstallFolder);
  State.FolderCreated = 1;
  return 1;
}

static int CALLBACK BrowseCallback(HWND window, UINT message, LPARAM, LPARAM data)
{
  if (message == BFFM_INITIALIZED) SendMessageA(window, BFFM_SETSELECTIONA, TRUE, data);
  return 0;
}

int BrowseForFolder(HWND owner, const char* title, char* path)
{
  IMalloc* allocator = nullptr;
  if (FAILED(SHGetMalloc(&allocator))) {
    ShowMessageBox(owner, "System error.", nullptr, MB_ICONEXCLAMATION);
    return 0;
  }
  LPITEMIDLIST root = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(owner, CSIDL_DRIVES_ROOT, &root))) root = nullptr;

  BROWSEINFOA browse = {};
  browse.hwndOwner = owner;
  browse.pidlRoot = root;
  browse.pszDisplayName = path;
  browse.lpszTitle = title;
  browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_DONTGOBELOWDOMAIN;
  browse.lpfn = BrowseCallback;
  browse.lParam = reinterpret_cast<LPARAM>(path);
  LPITEMIDLIST chosen = SHBrowseForFolderA(&browse);

  int result = 0;
  if (chosen != nullptr) {
    // The shell writes at most MAX_PATH bytes, the size of the path buffer.
    result = SHGetPathFromIDListA(chosen, path) ? 1 : 0;
    allocator->Free(chosen);
  }
  if (root != nullptr) allocator->Free(root);
  allocator->Release();
  return result;
}
