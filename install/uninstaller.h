// The uninstaller in the Windows folder (unins000.exe to unins999.exe) and
// its entry under the Windows Uninstall key, kept as it was when a
// reinstallation fails.
#pragma once
#include <windows.h>

// Step of row 1: writes the payload's uninstaller image to a free pool name
// (or reads it through where an identical uninstaller has the name already)
// and registers it. 0 after reporting.
int InstallUninstaller();

// After a failed reinstallation: puts the product's earlier Uninstall entry
// back as it was before this run registered over it. Nothing for a product
// that had no entry.
void RestoreUninstallEntry();

// Records in the Uninstall entry the space the files this run installed
// take (EstimatedSize, in kilobytes), as their bodies' sizes add up: no
// file is opened again. Reports nothing.
void RegisterEstimatedSize();
