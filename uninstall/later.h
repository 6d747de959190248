// Deletion at the next start of Windows, for files in use now.
#pragma once

// Asks Windows to delete the file at its next start: MoveFileEx on the NT
// family, a "NUL=short path" line in WININIT.INI's [rename] section on the
// 9x family. 1 when it is planned; 0 otherwise, with nothing shown: the
// caller lists the file among those left.
int DeleteAtRestart(const char* path);
