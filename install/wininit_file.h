// The file moves Windows carries out at its next start: the whole-file
// rewrite of WININIT.INI that adds one entry, and a replacement of a file
// in use.
#pragma once
#include <windows.h>

// Adds "target=source" as the first line of the "[rename]" section (target
// "NUL" deletes source). While the new file is written the old one waits in
// WININIT.BAK and is put back if writing fails; if even that fails,
// WININIT.BAK stays for the user. Paths in their 8.3 form. 0 after reporting.
int AddWininitEntry(const char* target, const char* source);

// Has Windows move `alternate` onto `path` when it starts next: an entry in
// WININIT.INI and, on the NT family, the system's own list. Paths on a
// network share stay as they are (Windows moves nothing there). 0 after
// reporting.
int ReplaceAtNextStart(const char* path, const char* alternate);
