// Version resources of files on disk, read through version.dll, which is
// loaded from the system folder for each call.
#pragma once
#include <windows.h>

// The file version of `path` (dwFileVersionMS/LS). 0 when the file has no
// version resource; reports nothing.
int GetFileVersion(const char* path, DWORD* ms, DWORD* ls);

// 1 when `path` carries a Japanese (041104b0) CompanyName equal to `name`,
// byte for byte; 0 otherwise. Reports nothing.
int MatchCompanyName(const char* path, const char* name);
