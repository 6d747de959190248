// The uninstaller step: a pool of names unins000.exe to unins999.exe in the
// Windows folder shared by every product of this engine. A name is taken
// when it is free or holds an identical uninstaller of this engine; a file
// of another maker is never replaced.
#include "install/uninstaller.h"
#include "app/flags.h"
#include "app/message_box.h"
#include "app/state.h"
#include "app/texts.h"
#include "app/version_info.h"
#include "install/extract.h"
#include "install/file_reference.h"
#include "resources/identity.h"

enum : DWORD { ENGINE_VERSION_MS = 0x30000, ENGINE_VERSION_LS = 0 };
enum { POOL_SIZE = 1000, POOL_NAME_EXTRA = 16 };  // "\unins000.exe" and the NUL

static const char UNINSTALL_KEY_FORMAT[] = "Software\\Microsoft\\Windows\\CurrentVersion\\%s";

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
  for (int n = 0; n < POOL_SIZE; ++n) {
    wsprintfA(State.UninstallerPath, "%s\\unins%3.3d.exe", folder, n);
    if (GetFileAttributesA(State.UninstallerPath) == INVALID_FILE_ATTRIBUTES) return 1;
    if (IsOurUninstaller(State.UninstallerPath)) return 1;
  }
  ShowMessageBox(State.CurrentDialog,
                 "アンインストーラを置く名前がありません。\n\nWindows フォルダの unins000.exe から unins999.exe までがすべて使われています。",
                 TXT_ERROR_CAPTION, MB_ICONERROR);
  return 0;
}

static void SetText(const char* key, const char* name, const char* text)
{
  HKEY handle;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                      &handle, nullptr) != ERROR_SUCCESS) {
    return;
  }
  RegSetValueExA(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), lstrlenA(text));
  RegCloseKey(handle);
}

static void Register()
{
  char key[MAX_PATH];
  char entry[MAX_PATH];
  wsprintfA(entry, "Uninstall\\%s", State.ProductName);
  wsprintfA(key, UNINSTALL_KEY_FORMAT, entry);

  HKEY handle;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_QUERY_VALUE, &handle) == ERROR_SUCCESS) {
    char name[MAX_PATH];
    DWORD size = sizeof name;
    if (RegQueryValueExA(handle, "DisplayName", nullptr, nullptr, reinterpret_cast<BYTE*>(name), &size) ==
        ERROR_SUCCESS) {
      State.AlreadyRegistered = 1;
    }
    RegCloseKey(handle);
  }
  SetText(key, "DisplayName", State.ProductName);
  wsprintfA(TextBuffer, "\"%s\" \"%s\" \"%s\"", State.UninstallerPath, State.ProductName, State.InstallFolder);
  SetText(key, "UninstallString", TextBuffer);
}

int InstallUninstaller()
{
  if (!ChooseName()) return 0;
  // The uninstall command must fit its 260 bytes whole, or the entry would
  // name another folder.
  const int command = lstrlenA(State.UninstallerPath) + lstrlenA(State.ProductName) + lstrlenA(State.InstallFolder) + 8;
  if (command >= MAX_PATH) return RefuseLongPath(State.InstallFolder);

  // The image is always compressed, whatever the product's files are.
  const unsigned stored = State.PayloadFlags & PF_STORED_BODIES;
  State.PayloadFlags &= ~PF_STORED_BODIES;
  const int written = ExtractFile(State.UninstallerPath);
  State.PayloadFlags |= stored;
  if (!written) return 0;
  Register();
  return 1;
}
