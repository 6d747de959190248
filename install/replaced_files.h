// Files an installation replaces: their new data is written whole beside
// them, the old file goes aside until the run finishes, and a run that
// fails, or was ended before its finish, gives the old files back.
#pragma once

// Before new data replaces the existing file at path (relative to the
// install folder, or full): lists it in the install folder's list of
// replaced files and puts the name its new data goes to into newData
// (MAX_PATH bytes). 0 after reporting (a path with no room for the
// suffixes is refused, never cut).
int BeginReplacement(const char* path, char* newData);

// Puts the new data, written whole and closed, in place of path: the old
// file goes aside, keeping its times and attributes. When a program holds
// the old file, *inUse is set and nothing is moved: the new data waits
// under its own name. 0 after reporting.
int PutInPlace(const char* path, const char* newData, int* inUse);

// The run went through: the old files kept aside go, and the list with
// them. Reports nothing.
void ForgetReplacedFiles();

// Takes the list of replaced files in (the run's own, or one that an
// ended run left in the install folder) and removes it from the folder:
// the list must not keep the folder from going. 0 when there is none.
int TakeReplacedList();

// Gives every file of the list taken in its old data back (the new data
// goes) and frees the list. Reports nothing.
void GiveBackReplacedFiles();
