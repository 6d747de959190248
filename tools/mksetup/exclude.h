// Which files and folders of a tree the payload leaves out: version-control
// folders and editor backups always, and the tree entry's own patterns.
#pragma once
#include <string>
#include <vector>

// True when `relative` (a path below the tree's root, with "/" between its
// names) is left out. A pattern without a backslash or slash matches a file
// or folder's name at any depth; one with them matches the path from the
// tree's root (a leading one changes nothing). "*" matches any run of characters and "?" one character,
// neither across a backslash; letters match in either case, as Windows
// compares names. A folder left out is left out with all it holds.
bool LeftOutOfTree(const std::string& relative, const std::vector<std::string>& patterns);
