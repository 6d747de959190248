// Which names of the uninstaller pool a move planned for the next start of
// Windows names: a file there now would be gone, or another, after it.
#pragma once
#include "install/pool_names.h"

// Marks named[n] for each pool name below `folder` (the Windows folder)
// that PendingFileRenameOperations or WININIT.INI names, in its long or
// its short form. Each list is read whole. 0 after reporting when a list
// is there but cannot be read: no name could be vouched for then.
int MarkPendingPoolNames(const char* folder, bool named[POOL_SIZE]);
