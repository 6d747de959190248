// The names of the uninstaller pool, "<Windows folder>\unins000.exe" to
// "...\unins999.exe", that the lists of moves Windows carries out at its
// next start name. Portable: bytes in, marks out.
#pragma once
#include <cstddef>

enum { POOL_SIZE = 1000 };

// Marks named[n] for each pool name below `folder` that a path of the list
// names, on either side of a move: whatever is planned for it, the file
// there now is not there after the restart. The list is the REG_MULTI_SZ
// PendingFileRenameOperations (size bytes), each path with "\??\" ahead, a
// target that replaces with "!\??\".
void MarkPoolNamesInMoveList(const char* list, size_t size, const char* folder, bool named[POOL_SIZE]);

// The same for the text of WININIT.INI (size bytes), lines "target=source"
// of short paths, where the target NUL deletes the source.
void MarkPoolNamesInWininit(const char* text, size_t size, const char* folder, bool named[POOL_SIZE]);
