// Registry entries taken back: values and keys of the log, the file types'
// keys, SharedDLLs counts, and the product's Uninstall entry.
#pragma once
#include <windows.h>

// Deletes the value of a REGDAT line ("ROOT\key\name").
void RemoveLoggedValue(const char* text);

// Deletes the key of a REGKEY line when it holds no values and no subkeys;
// never a root or a key directly below one, except a file type's extension
// and class keys, which lose the default value the engine wrote first.
void RemoveLoggedKey(const char* text);

// Reads the file's SharedDLLs count into *count and the name it is kept
// under (the short path, as the setup program counts it) into name
// (MAX_PATH bytes): 1, or 0 without a count.
int ReadSharedCount(const char* path, char* name, DWORD* count);

// Stores the count of that name; 0 removes it, and with the last count the
// list of counts. The name stays right after the file is gone.
void SetSharedCount(const char* name, DWORD count);

// Deletes the product's Uninstall entry when it names this install folder
// (or names none).
void RemoveUninstallEntry();

// 1 when an Uninstall entry's command line starts with this program's path.
int UninstallerStillNamed(const char* self);
