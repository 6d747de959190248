// The payload's registry keys and values, and the root key table that the
// file types use as well.
#pragma once
#include <windows.h>

// Step of row 5. 0 after reporting (an unknown root key); a key or value
// that cannot be written is reported and the step goes on.
int InstallRegistryEntries();

// Creates (or opens for writing) `subKey` under `root`, non-volatile, and
// logs "REGKEY=<rootName>\<subKey>". 0 after reporting when the key cannot
// be created; 1 with *key open otherwise, also when only its log line could
// not be written (the log has reported that).
int CreateRegistryKey(HKEY root, const char* rootName, const char* subKey, HKEY* key);
