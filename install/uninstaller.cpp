// The uninstaller step: a pool of names unins000.exe to unins999.exe in the
// Windows folder shared by every product of this engine. A name is taken
// when it is free or holds an identical uninstaller of this engine, and no
// move planned for the next start of Windows names it; a file of another
// maker is never replaced.
#include "install/uninstaller.h"
#include <cstring>
#include "app/file_io.h"
#include "app/flags.h"
#include "app/message_box.h"
#include "app/registry.h"
#include "app/services.h"
#include "app/sjis.h"
#include "app/state.h"
#include "app/texts.h"
#include "app/version_info.h"
#include "install/entry.h"
#include "install/extract.h"
#include "install/install_path.h"
#include "install/log_format.h"
#include "install/pending_pool.h"
#include "resources/identity.h"

enum : DWORD { ENGINE_VERSION_MS = ENGINE_VERSION_MAJOR << 16 | ENGINE_VERSION_MINOR, ENGINE_VERSION_LS = 0 };
enum { POOL_NAME_LENGTH = 13, POOL_NAME_EXTRA = 16 };  // "\unins000.exe", and room for the NUL
enum { COMPARE_CHUNK = 4096 };
enum { SAVED_VALUES = 16, SAVED_NAME_BYTES = 64, KILOBYTE = 1024 };

static bool IsOurUninstaller(const char* path)
{
  DWORD ms = 0, ls = 0;
  return MatchCompanyName(path, ENGINE_COMPANY_NAME) && GetFileVersion(path, &ms, &ls) &&
         ms == ENGINE_VERSION_MS && ls == ENGINE_VERSION_LS;
}

// Picks the pool name into UninstallerPath. 0 after a message when every
// name, the last one included, belongs to something else.
static int ChooseName()
{
  char folder[MAX_PATH];
  GetWindowsDirectoryA(folder, sizeof folder);
  if (lstrlenA(folder) + POOL_NAME_EXTRA > MAX_PATH) return RefuseLongPath(folder);
  // A name whose file goes at the next start (another product's
  // uninstallation deletes its pool file so) would leave the entry naming
  // a missing file; a free one would lose the new file.
  bool pending[POOL_SIZE] = {};
  if (!MarkPendingPoolNames(folder, pending)) return 0;
  for (int n = 0; n < POOL_SIZE; ++n) {
    if (pending[n]) continue;
    wsprintfA(State.UninstallerPath, "%s\\unins%3.3d.exe", folder, n);
    if (GetFileAttributesA(State.UninstallerPath) == INVALID_FILE_ATTRIBUTES) return 1;
    if (IsOurUninstaller(State.UninstallerPath)) return 1;
  }
  return ReportError(
      "アンインストーラを置く名前がありません。\n\nWindows フォルダの unins000.exe から unins999.exe までがすべて使われています。");
}

// True when the two files hold the same bytes.
static bool SameContents(const char* one, const char* other)
{
  HANDLE files[2];
  files[0] = OpenToRead(one);
  files[1] = OpenToRead(other);
  bool same = files[0] != INVALID_HANDLE_VALUE && files[1] != INVALID_HANDLE_VALUE &&
              GetFileSize(files[0], nullptr) == GetFileSize(files[1], nullptr);
  static char chunks[2][COMPARE_CHUNK];
  while (same) {
    DWORD got[2] = {0, 0};
    for (int i = 0; i < 2; ++i) ReadFile(files[i], chunks[i], COMPARE_CHUNK, &got[i], nullptr);
    same = got[0] == got[1] && memcmp(chunks[0], chunks[1], got[0]) == 0;
    if (got[0] == 0) break;
  }
  for (HANDLE file : files)
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  return same;
}

// The pool name holds an uninstaller of this engine and version that other
// products' entries may name. The new image goes to a temporary file beside
// it and takes its place only once whole and only if it differs, so that a
// cancel, a full disk or a cut payload never leaves it half-written. When
// it cannot be replaced (it is running), the one there serves as well.
static int ReplacePooled(unsigned flags)
{
  // The pool name is the folder, a backslash and "uninsNNN.exe".
  char folder[MAX_PATH];
  char temporary[MAX_PATH];
  const int folderLength = lstrlenA(State.UninstallerPath) - POOL_NAME_LENGTH;
  lstrcpynA(folder, State.UninstallerPath, folderLength + 1);
  if (!GetTempFileNameA(folder, "uns", 0, temporary)) return ReportSystemError(folder);
  // The name is the pool's own now; the file is made new, not replaced.
  DeleteFileA(temporary);
  const char* name = State.UninstallerPath + folderLength + 1;
  if (!ExtractFileAs(temporary, name, flags)) {
    DeleteFileA(temporary);
    return 0;
  }
  if (SameContents(temporary, State.UninstallerPath) ||
      !MoveFileExA(temporary, State.UninstallerPath, MOVEFILE_REPLACE_EXISTING)) {
    DeleteFileA(temporary);
  }
  return 1;
}

static void SetValue(const char* key, const char* name, DWORD type, const void* data, DWORD size)
{
  HKEY handle;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                      &handle, nullptr) != ERROR_SUCCESS) {
    return;
  }
  RegSetValueExA(handle, name, 0, type, static_cast<const BYTE*>(data), size);
  RegCloseKey(handle);
}

static void SetText(const char* key, const char* name, const char* text)
{
  SetValue(key, name, REG_SZ, text, lstrlenA(text));
}

static void SetNumber(const char* key, const char* name, DWORD number)
{
  SetValue(key, name, REG_DWORD, &number, sizeof number);
}

// The values of an earlier installation's entry, given back to it when its
// reinstallation fails.
static struct {
  char Name[SAVED_NAME_BYTES];
  DWORD Type;
  DWORD Size;
  BYTE Data[MAX_PATH];
} Saved[SAVED_VALUES];
static int SavedCount;

static void SaveEntry(HKEY handle)
{
  SavedCount = 0;
  for (DWORD i = 0; SavedCount < SAVED_VALUES; ++i) {
    DWORD nameSize = SAVED_NAME_BYTES;
    auto& value = Saved[SavedCount];
    value.Size = sizeof value.Data;
    const LONG read = RegEnumValueA(handle, i, value.Name, &nameSize, nullptr, &value.Type, value.Data, &value.Size);
    if (read == ERROR_NO_MORE_ITEMS) break;
    // A value too long for its slot is one this engine never wrote; the
    // mark of the open log is this run's own.
    if (read == ERROR_SUCCESS && !SameSjisPath(value.Name, LOG_OPEN_VALUE)) ++SavedCount;
  }
}

static void Register()
{
  char key[MAX_PATH];
  EntryKey(key);

  HKEY handle;
  if (OpenMachineKey(key, KEY_QUERY_VALUE, &handle) == ERROR_SUCCESS) {
    char name[MAX_PATH];
    DWORD size = sizeof name;
    if (RegQueryValueExA(handle, "DisplayName", nullptr, nullptr, reinterpret_cast<BYTE*>(name), &size) ==
        ERROR_SUCCESS) {
      State.AlreadyRegistered = 1;
      SaveEntry(handle);
    }
    RegCloseKey(handle);
  }
  SetText(key, "DisplayName", State.ProductName);
  wsprintfA(TextBuffer, "\"%s\" \"%s\" \"%s\"", State.UninstallerPath, State.ProductName, State.InstallFolder);
  SetText(key, "UninstallString", TextBuffer);
  // The roll-back form asks nothing: administrators uninstall with it. It
  // has " s" more and is left out where only the ordinary form fits.
  if (lstrlenA(TextBuffer) + 2 < MAX_PATH) {
    wsprintfA(TextBuffer, "\"%s\" s \"%s\" \"%s\"", State.UninstallerPath, State.ProductName, State.InstallFolder);
    SetText(key, "QuietUninstallString", TextBuffer);
  }
  SetText(key, "InstallLocation", State.InstallFolder);
  SetText(key, "DisplayIcon", State.UninstallerPath);
  SetNumber(key, "NoModify", 1);
  SetNumber(key, "NoRepair", 1);
}

void RestoreUninstallEntry()
{
  if (!State.AlreadyRegistered) return;
  char key[MAX_PATH];
  EntryKey(key);
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, key);
  for (int i = 0; i < SavedCount; ++i) SetValue(key, Saved[i].Name, Saved[i].Type, Saved[i].Data, Saved[i].Size);
}

void RegisterEstimatedSize()
{
  char key[MAX_PATH];
  EntryKey(key);
  SetNumber(key, "EstimatedSize", static_cast<DWORD>((InstalledFileBytes() + KILOBYTE - 1) / KILOBYTE));
}

int InstallUninstaller()
{
  // The product's name names its Uninstall entry and is quoted in its
  // command lines: a name that would nest the key or break the quotes is
  // damaged data (the builder refuses it).
  if (!HasEntryName()) return ReportError(TXT_DATA_DAMAGED);
  if (!ChooseName()) return 0;
  // The uninstall command must fit its 260 bytes whole, or the entry would
  // name another folder.
  const int command = lstrlenA(State.UninstallerPath) + lstrlenA(State.ProductName) + lstrlenA(State.InstallFolder) + 8;
  if (command >= MAX_PATH) return RefuseLongPath(State.InstallFolder);

  // The image is always compressed, whatever the product's files are.
  const unsigned flags = State.PayloadFlags & ~PF_STORED_BODIES;
  if (GetFileAttributesA(State.UninstallerPath) != INVALID_FILE_ATTRIBUTES) {
    if (!ReplacePooled(flags)) return 0;
  } else if (!ExtractFile(State.UninstallerPath, flags)) {
    // A new pool file that is not whole goes again.
    DeleteFileA(State.UninstallerPath);
    return 0;
  }
  Register();
  return 1;
}
