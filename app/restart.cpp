// The restart at the end of a run whose replacements wait for the next
// start of Windows. On the NT family a process may restart Windows only
// with the shutdown privilege enabled; on the 9x family the token calls
// fail and the restart goes ahead.
#include "app/restart.h"
#include <windows.h>

void RestartWindows()
{
  HANDLE token;
  if (OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
    TOKEN_PRIVILEGES privileges = {};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &privileges.Privileges[0].Luid))
      AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
    CloseHandle(token);
  }
  ExitWindowsEx(EWX_REBOOT, 0);
}
