// The edit of WININIT.INI that registers one file replacement for the next
// start of Windows: the entry "target=source" becomes the first line of the
// "[rename]" section and every other byte of the file stays as it was.
// Bytes in, bytes out, lines of any length. Portable.
#pragma once
#include <cstddef>

// Bytes AddRenameEntry writes at most for an old file of oldSize bytes.
size_t RenameOutputBytes(size_t oldSize, const char* target, const char* source);

// Writes to `out` (RenameOutputBytes long) the old file with the entry
// "target=source" CR LF added, and returns the length written. A line is the
// bytes up to and including its LF, or up to the end of the file. The lines
// before the first line that is exactly "[rename]" CR LF are copied, then
// that section line, the entry and the rest of the old file. Without such a
// line the old file is copied whole, a last line without LF gets CR LF, and
// the section line and the entry follow at the end.
size_t AddRenameEntry(const char* old, size_t oldSize, const char* target, const char* source,
                      char* out);
