// The destination folder: macro expansion of the payload's default folder,
// the checks when the user goes on from the folder page, the write test and
// the folder browser.
#pragma once
#include <windows.h>

// Expands a leading "$(SYSDIR)", "$(WINDIR)" or "$(SYSDRV)" of source into
// destination (260 bytes). 0 after a message when the result would not fit.
int ExpandFolderMacro(const char* source, char* destination);

// Tells the user that a folder name is too long for a path; returns 0.
int RefuseLongFolder();

// The checks of "次へ" on the folder page for State.InstallFolder: not
// empty, one trailing backslash removed, an existing folder write-tested,
// a missing one created after asking. 1 = the page may be left.
int CheckInstallFolder();

// Lets the user pick a folder, starting at `path` (260 bytes), which gets
// the choice. 1 when a folder was chosen.
int BrowseForFolder(HWND owner, const char* title, char* path);
