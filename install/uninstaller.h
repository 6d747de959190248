// The uninstaller in the Windows folder (unins000.exe to unins999.exe) and
// its entry under the Windows Uninstall key; the reading of file versions.
#pragma once
#include <windows.h>

// Step of row 1: writes the payload's uninstaller image to a free or
// identical pool name and registers it. 0 after reporting.
int InstallUninstaller();

// The file's fixed version (dwFileVersionMS, dwFileVersionLS). 1 on success;
// on failure leaves *ms and *ls unchanged.
int GetFileVersion(const char* path, DWORD* ms, DWORD* ls);

// 1 when the file's "\StringFileInfo\041104b0\CompanyName" is exactly name.
int MatchCompanyName(const char* path, const char* name);
