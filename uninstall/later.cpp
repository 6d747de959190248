// Files the uninstaller cannot delete now because a program holds them
// open: Windows deletes them when it starts next. The NT family keeps its
// own list; the 9x family reads WININIT.INI, which takes short paths.
#include "uninstall/later.h"
#include <windows.h>
#include "install/wininit_file.h"

int DeleteAtRestart(const char* path)
{
  const bool ntFamily = (GetVersion() & 0x80000000) == 0;
  if (ntFamily) return MoveFileExA(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) ? 1 : 0;
  char shortPath[MAX_PATH];
  const DWORD length = GetShortPathNameA(path, shortPath, sizeof shortPath);
  if (length == 0 || length >= sizeof shortPath) return 0;
  const char* failed = nullptr;
  return AddWininitEntry("NUL", shortPath, &failed);
}
