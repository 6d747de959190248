// The whole-file rewrite of WININIT.INI in the Windows folder that adds one
// entry for the next start of Windows 9x.
#pragma once
#include <windows.h>

// Adds "target=source" as the first line of the "[rename]" section (source
// "NUL" deletes target). While the new file is written the old one waits in
// WININIT.BAK and is put back if writing fails; if even that fails,
// WININIT.BAK stays for the user. Paths in their 8.3 form. 0 after reporting.
int AddWininitEntry(const char* target, const char* source);
