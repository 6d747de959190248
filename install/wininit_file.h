// WININIT.INI, the file moves Windows 9x carries out at its next start:
// the whole-file rewrite that adds one entry, and the reading of the whole
// file. Reports nothing; each caller tells of a failure in its own way.
#pragma once
#include <windows.h>

// Adds "target=source" as the first line of the "[rename]" section (target
// "NUL" deletes source). While the new file is written the old one waits in
// WININIT.BAK and is put back if writing fails; if even that fails,
// WININIT.BAK stays for the user. Paths in their 8.3 form. 1 when the entry
// is written; 0 with the system's error set and *failed naming the file,
// "WININIT.INI" or "WININIT.BAK".
int AddWininitEntry(const char* target, const char* source, const char** failed);

// Reads the whole of WININIT.INI into a block of the process heap (*text,
// *size bytes), which the caller frees; *text is null when there is no
// such file. 1 when read or absent; 0 with the system's error set.
int ReadWininit(char** text, DWORD* size);
