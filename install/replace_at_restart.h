// The setup program's replacement of a file in use at the next start of
// Windows.
#pragma once

// Has Windows move `alternate` onto `path` when it starts next: an entry in
// WININIT.INI and, on the NT family, the system's own list. Paths on a
// network share stay as they are (Windows moves nothing there). 0 after
// reporting.
int ReplaceAtNextStart(const char* path, const char* alternate);
