// The destination folder: the checks when the user goes on from the folder
// page, the write test and the folder browser.
#pragma once
#include <windows.h>

// The checks of "次へ" on the folder page for State.InstallFolder: not
// empty, one trailing backslash removed, an existing folder not another
// product's and write-tested, a missing one created after asking. 1 = the
// page may be left.
int CheckInstallFolder();

// Lets the user pick a folder, starting at `path` (260 bytes), which gets
// the choice. 1 when a folder was chosen.
int BrowseForFolder(HWND owner, const char* title, char* path);
