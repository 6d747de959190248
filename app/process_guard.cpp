// Start-up guards. A setup is often started, with an administrator's rights,
// from a downloads folder: a DLL planted there must never be loaded, so the
// libraries the program needs beyond the known DLLs are loaded by full path
// from the system folder, and the search order is narrowed where possible.
#include "app/process_guard.h"
#include <commctrl.h>
#include "app/message_box.h"

enum : DWORD { SEARCH_SYSTEM32 = 0x00000800, SHIFT_JIS_CODE_PAGE = 932 };

typedef BOOL(WINAPI* SetDefaultDllDirectoriesFunction)(DWORD);
typedef BOOL(WINAPI* SetDllDirectoryFunction)(const char*);

int GuardProcess()
{
  SetErrorMode(SEM_FAILCRITICALERRORS);
  // Both exist only on later systems; where they are missing the program
  // still loads nothing by name from its folder.
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  if (kernel != nullptr) {
    const auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFunction>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
    const auto setDirectory = reinterpret_cast<SetDllDirectoryFunction>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetDllDirectoryA")));
    if (setDefault != nullptr) setDefault(SEARCH_SYSTEM32);
    if (setDirectory != nullptr) setDirectory("");
  }
  // The system's own libraries take these by name while a dialog is shown
  // (theming, alpha blending, the window manager), in a search that the
  // calls above do not reach everywhere: loaded now from the system folder,
  // they are found in the process. They stay for its life; a system that
  // lacks one goes on without it.
  static const char* const preloaded[] = {"uxtheme.dll", "msimg32.dll", "dwmapi.dll"};
  for (const char* name : preloaded) LoadSystemLibrary(name);
  if (GetACP() == SHIFT_JIS_CODE_PAGE) return 1;
  ShowMessageBox(nullptr,
                 "This setup program needs Windows with the Japanese code page (932).\n"
                 "このセットアップ プログラムは日本語版 Windows (コード ページ 932) で実行してください。",
                 "Setup", MB_ICONSTOP);
  return 0;
}

HMODULE LoadSystemLibrary(const char* name)
{
  char path[MAX_PATH];
  const UINT length = GetSystemDirectoryA(path, MAX_PATH);
  if (length == 0 || length + 1 + lstrlenA(name) >= MAX_PATH) return nullptr;
  lstrcatA(path, "\\");
  lstrcatA(path, name);
  return LoadLibraryA(path);
}

typedef BOOL(WINAPI* InitControlsFunction)(const INITCOMMONCONTROLSEX*);

HMODULE LoadProgressBarClass()
{
  HMODULE controls = LoadSystemLibrary("comctl32.dll");
  if (controls == nullptr) return nullptr;
  const auto init = reinterpret_cast<InitControlsFunction>(
      reinterpret_cast<void*>(GetProcAddress(controls, "InitCommonControlsEx")));
  const INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_PROGRESS_CLASS};
  if (init != nullptr) init(&classes);
  return controls;
}
