// Putting folders and files on disk from item records of the payload, and
// replacing files that are in use at the next start of Windows.
#pragma once

// Step of row 2: the file list, entry by entry. 0 after reporting.
int InstallFiles();

// Reads the next item record and creates the folder or extracts the file
// `path` (relative to the current folder, or absolute), then logs it. On
// failure removes what it made. 0 after reporting.
int InstallItem(const char* path);

// Reads one file body (stored or compressed as payloadFlags say) and writes
// it to `path`, or to an alternate name that Windows moves into place at its
// next start when `path` is in use. 0 after reporting; a partial target is left for the caller.
int ExtractFile(const char* path, unsigned payloadFlags);

// ExtractFile, with `label` as the item's name on the progress dialog.
int ExtractFileAs(const char* path, const char* label, unsigned payloadFlags);

// The bytes of the bodies of the files this run installed and logged, for
// the estimate of the product's size.
unsigned long long InstalledFileBytes();
