// The product's entry under the Windows Uninstall key (HKLM), which only
// administrators may write: its name, and what it holds for the install
// log (install/log_format.h): the digests that vouch for the log, and the
// mark of a log that a run was writing when it was ended.
#pragma once
#include <windows.h>
#include "app/sha256.h"

// True when the product's name can name its entry: without a name fit for
// that, there is no entry of its own to read or write.
bool HasEntryName();

// The entry's key below HKEY_LOCAL_MACHINE, into key (MAX_PATH bytes).
void EntryKey(char* key);

// The digests the entry holds for the log and for an earlier log that
// waits for its merge, as ReadEntryDigests gives them; both empty without
// an entry name.
void ReadLogDigests(char log[SHA256_TEXT_BYTES], char earlier[SHA256_TEXT_BYTES]);

// Stores the two digests in the entry, where there is one (none is made
// for them); an empty text stores a value that vouches for nothing.
void StoreLogDigests(const char* log, const char* earlier);

// Before the run creates its log: the entry (made for it if need be) names
// the install folder under LOG_OPEN_VALUE. Reports nothing.
void MarkLogOpen();

// The log is closed, or was never opened: the value goes, and an entry
// made for it alone goes with it. Reports nothing.
void UnmarkLogOpen();

// True when the entry's LOG_OPEN_VALUE names the install folder: a run
// into it was ended before it closed its log.
bool LogLeftOpenHere();
