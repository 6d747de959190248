// Registry entries taken back: values and keys of the log, the file types'
// keys, SharedDLLs counts, and the product's Uninstall entry.
#pragma once
#include <windows.h>

// Deletes the value of a REGDAT line ("ROOT\key\name") and then its key
// if that is left empty, when IsRemovableKey allows the key; a value of a
// file type's keys only while the type is this installation's. A refused
// line is noted.
void RemoveLoggedValue(const char* text);

// Deletes the key of a REGKEY line when it holds no values and no subkeys
// and IsRemovableKey allows it. A file type's keys that this log names as
// a pair (".ext" and "extfile") go the same way, each after losing the
// default value the engine wrote, while the type is this installation's.
// A refused line is noted.
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
