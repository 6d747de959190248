// Merging an older install log into the new one: the older log's lines that
// the new log lacks are appended once each, in their old order. Works on
// whole logs in memory, so it costs one pass over each. Portable.
#pragma once
#include <cstddef>
#include "install/log_format.h"

// Bytes of workspace MergeLogs needs for these two logs (it grows with
// their number of lines).
size_t MergeWorkspaceBytes(const char* oldLog, size_t oldSize, const char* newLog, size_t newSize);

// Bytes the appended lines can take at most (each old line with CR LF).
size_t MergeOutputBytes(size_t oldSize);

// Writes to `out` the lines to append to the new log, each ended by CR LF,
// and returns their length. A line is the bytes before a LF without the last
// of them (the CR of CR LF); a last line without LF is no line. Nothing is
// appended when the old log has no line that equals LOG_AUTHOR_LINE.
size_t MergeLogs(const char* oldLog, size_t oldSize, const char* newLog, size_t newSize,
                 void* workspace, char* out);
