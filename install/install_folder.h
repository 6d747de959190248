// Paths of the installation made whole: a path the install steps name
// relative to the install folder, joined to it.
#pragma once

// The full path of a path of the installation: one with a drive or a
// share as it is, any other below InstallFolder, into out (MAX_PATH bytes).
// 0 when it would not fit whole.
int InstallFolderPath(const char* path, char* out);
