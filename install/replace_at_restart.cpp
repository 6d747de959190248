// A file in use replaced when Windows starts next: the new data waits under
// an alternate name, and both lists of moves name it, WININIT.INI for the
// 9x family and the system's own for the NT family. Reports its failures
// with the setup program's error box.
#include "install/replace_at_restart.h"
#include "app/services.h"
#include "install/wininit_file.h"

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
  const char* failed = nullptr;
  if (!AddWininitEntry(shortTarget, shortSource, &failed)) return ReportSystemError(failed);
  const bool ntFamily = (GetVersion() & 0x80000000) == 0;
  if (ntFamily && !MoveFileExA(source, target, MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING))
    return ReportSystemError(path);
  return 1;
}
