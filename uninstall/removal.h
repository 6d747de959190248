// Files, shortcuts and folders of the log taken back. Nothing is deleted
// through a link: a path with a junction, symbolic link or mount point in
// any component below its root is refused and named at the end.
#pragma once

// The counted shared files met in this run, so that a path named by more
// than one line lowers its SharedDLLs count once. Paths is the caller's,
// with room for a path per log line.
struct SharedSeen {
  const char** Paths;
  int Count;
};

// 1 when a component of path below its root is a reparse point.
int ReachesThroughLink(const char* path);

// Takes back the file of a FILE or DLL line. A file with a SharedDLLs count
// that others still hold keeps its file and loses one from its count; at
// the last count, the ordinary mode asks before the delete, and the count
// goes once the file is deleted or the user keeps it; mode s keeps such a
// file and removes its count. With countedOnly (a file of the Windows
// folder) only a counted file is acted on: any other is refused. A file in
// use is deleted at the next start of Windows.
void RemoveLoggedFile(const char* path, int countedOnly, SharedSeen* seen);

// Deletes a shortcut, and its Start-menu folder when that is left empty.
void RemoveLoggedShortcut(const char* path);

// Removes the folders (FOLDER and IFOLDER paths) that are empty, deepest
// first; the ones that still hold something are noted.
void RemoveLoggedFolders(const char** folders, int count);
