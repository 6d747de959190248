// Shared files: installed after comparing versions with a file already on
// the system, and counted in the SharedDLLs reference counts.
#pragma once

// Step of row 4. 0 after reporting.
int InstallSharedFiles();
