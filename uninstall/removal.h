// Files, shortcuts and folders of the log taken back. Nothing is deleted
// through a link: a path with a junction, symbolic link or mount point in
// any component below its root is refused and named at the end.
#pragma once

// 1 when a component of path below its root is a reparse point.
int ReachesThroughLink(const char* path);

// Deletes the file of a FILE or DLL line: a shared file only when no other
// product counts on it (and, in the ordinary mode, the user agrees); a file
// in use at the next start of Windows. With countedOnly (a file of the
// Windows folder) only a shared file is deleted: any other is refused.
void RemoveLoggedFile(const char* path, int countedOnly);

// Deletes a shortcut, and its Start-menu folder when that is left empty.
void RemoveLoggedShortcut(const char* path);

// Removes the folders (FOLDER and IFOLDER paths) that are empty, deepest
// first; the ones that still hold something are noted.
void RemoveLoggedFolders(const char** folders, int count);
