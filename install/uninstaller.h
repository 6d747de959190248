// The uninstaller in the Windows folder (unins000.exe to unins999.exe) and
// its entry under the Windows Uninstall key.
#pragma once
#include <windows.h>

// Step of row 1: writes the payload's uninstaller image to a free or
// identical pool name and registers it. 0 after reporting.
int InstallUninstaller();
