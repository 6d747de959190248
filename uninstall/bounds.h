// The folders of this machine that the log's paths are judged against, and
// the long form of a path, as the system names them.
#pragma once
#include <windows.h>
#include "uninstall/log_lines.h"

// The bounds and the texts they point into.
struct BoundsRecord {
  PathBounds Bounds;
  char InstallFolder[MAX_PATH];
  char InstallFolderLong[MAX_PATH];
  char Shared[SHARED_PLACES][MAX_PATH];
  char Shortcuts[SHORTCUT_PLACES][MAX_PATH];
  char ProgramFiles[MAX_PATH];
};

// Fills out for the install folder the command line names. A folder the
// system does not name is left empty; nothing is shown.
void GatherBounds(const char* installFolder, BoundsRecord* out);

// The long form of path into out (MAX_PATH bytes). 0 when the system gives
// none: the path does not exist, or the system has no GetLongPathNameA.
int LongFormOf(const char* path, char* out);
