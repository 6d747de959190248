// The places a log line may reach, read from the system once per run: the
// Windows and system folders, where shared files go; the desktops and the
// Start menu's Programs folders, where shortcuts go; Program Files, which no
// install folder may be. A name that does not fit is left empty, never cut.
#include "uninstall/bounds.h"
#include <shlobj.h>
#include "app/sjis.h"

// A folder into out (MAX_PATH bytes) from a call that returns its length.
static void Keep(UINT length, char* out)
{
  if (length == 0 || length >= MAX_PATH) out[0] = '\0';
}

static void Special(int place, char* out)
{
  if (!SHGetSpecialFolderPathA(nullptr, out, place, FALSE)) out[0] = '\0';
}

void GatherBounds(const char* installFolder, BoundsRecord* out)
{
  if (lstrlenA(installFolder) >= MAX_PATH) {
    out->InstallFolder[0] = '\0';
  } else {
    lstrcpyA(out->InstallFolder, installFolder);
    CutTrailingBackslash(out->InstallFolder);
  }
  if (!LongFormOf(out->InstallFolder, out->InstallFolderLong)) lstrcpyA(out->InstallFolderLong, out->InstallFolder);
  Keep(GetWindowsDirectoryA(out->Shared[0], MAX_PATH), out->Shared[0]);
  Keep(GetSystemDirectoryA(out->Shared[1], MAX_PATH), out->Shared[1]);
  static const int shortcutPlaces[SHORTCUT_PLACES] = {CSIDL_DESKTOPDIRECTORY, CSIDL_COMMON_DESKTOPDIRECTORY,
                                                      CSIDL_PROGRAMS, CSIDL_COMMON_PROGRAMS};
  for (int i = 0; i < SHORTCUT_PLACES; ++i) Special(shortcutPlaces[i], out->Shortcuts[i]);
  Special(CSIDL_PROGRAM_FILES, out->ProgramFiles);

  PathBounds& bounds = out->Bounds;
  bounds.InstallFolder = out->InstallFolder;
  bounds.InstallFolderLong = out->InstallFolderLong;
  for (int i = 0; i < SHARED_PLACES; ++i) bounds.Shared[i] = out->Shared[i];
  for (int i = 0; i < SHORTCUT_PLACES; ++i) bounds.Shortcuts[i] = out->Shortcuts[i];
  bounds.ProgramFiles = out->ProgramFiles;
}

int LongFormOf(const char* path, char* out)
{
  // Windows 95 and NT 4.0 have no such call.
  typedef DWORD(WINAPI * LongPathName)(const char*, char*, DWORD);
  const LongPathName longPathName = reinterpret_cast<LongPathName>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetLongPathNameA")));
  if (longPathName == nullptr) return 0;
  const DWORD length = longPathName(path, out, MAX_PATH);
  return length != 0 && length < MAX_PATH;
}
