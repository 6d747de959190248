// Paths of the installation made whole: a relative path is joined to the
// install folder, and one that would not fit is refused, never cut.
#include "install/install_folder.h"
#include <windows.h>
#include "app/sjis.h"
#include "app/state.h"

int InstallFolderPath(const char* path, char* out)
{
  if (IsAbsolutePath(path)) {
    if (lstrlenA(path) >= MAX_PATH) return 0;
    lstrcpyA(out, path);
    return 1;
  }
  char folder[MAX_PATH];
  lstrcpyA(folder, State.InstallFolder);
  CutTrailingBackslash(folder);
  if (lstrlenA(folder) + 1 + lstrlenA(path) >= MAX_PATH) return 0;
  wsprintfA(out, "%s\\%s", folder, path);
  return 1;
}
