// The payload's registry keys and values, and the root key table that the
// file types use as well.
#pragma once
#include <windows.h>

// Step of row 5. 0 after reporting (an unknown root key); a key or value
// that cannot be written is reported and the step goes on.
int InstallRegistryEntries();

