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

// When the file has a SharedDLLs count: lowers it by one (removing it at
// zero), stores what is left in *left and returns 1. 0 without a count.
int LowerSharedCount(const char* path, DWORD* left);

// Deletes the product's Uninstall entry when it names this install folder
// (or names none).
void RemoveUninstallEntry();

// 1 when an Uninstall entry's command line starts with this program's path.
int UninstallerStillNamed(const char* self);
