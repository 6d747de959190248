// The uninstaller in the Windows folder (unins000.exe to unins999.exe) and
// its entry under the Windows Uninstall key, kept as it was when a
// reinstallation fails.
#pragma once
#include <windows.h>
#include "app/sha256.h"

// Step of row 1: writes the payload's uninstaller image to a free pool name
// (or reads it through where an identical uninstaller has the name already)
// and registers it. 0 after reporting.
int InstallUninstaller();

// After a failed reinstallation: puts the product's earlier Uninstall entry
// back as it was before this run registered over it. Nothing for a product
// that had no entry.
void RestoreUninstallEntry();

// The digests the product's Uninstall entry holds for its log and for an
// earlier log that waits for its merge (install/log_format.h), as
// ReadEntryDigests gives them; both empty without an entry name.
void ReadLogDigests(char log[SHA256_TEXT_BYTES], char earlier[SHA256_TEXT_BYTES]);

// Stores the two digests in the product's Uninstall entry, where it has
// one (none is made for them); an empty text stores a value that vouches
// for nothing.
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

// Records in the Uninstall entry the space the files of the open install
// log take (EstimatedSize, in kilobytes). Reports nothing.
void RegisterEstimatedSize();
