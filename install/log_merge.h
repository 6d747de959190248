// Merging an older install log into the new one: the older log's lines that
// the new log lacks are appended once each, in their old order; and the
// look-up of one line in a log. Works on whole logs in memory, so it costs
// one pass over each. Portable.
#pragma once
#include <cstddef>
#include "install/log_format.h"

// Bytes of workspace MergeLogs needs for these two logs (it grows with
// their number of lines).
size_t MergeWorkspaceBytes(const char* oldLog, size_t oldSize, const char* newLog, size_t newSize);

// Bytes the appended lines can take at most (each old line with CR LF).
size_t MergeOutputBytes(size_t oldSize);

// Writes to `out` the lines to append to the new log, each ended by CR LF,
// and returns their length. A line is the bytes before a LF, or before the
// log's end, less one CR at its end; a log that ends in a LF has no empty
// line after it. Lines compare as Windows compares paths: equal but for
// ASCII case, a double-byte character as its two bytes (SameSjisText).
// The first spelling met stays: the new log's, then the old log's first.
// Nothing is appended when the old log has no line that equals
// LOG_AUTHOR_LINE byte for byte.
size_t MergeLogs(const char* oldLog, size_t oldSize, const char* newLog, size_t newSize,
                 void* workspace, char* out);

// True when the log holds a line (as MergeLogs reads and compares lines)
// equal to the `length` bytes at `line`.
bool LogHasLine(const char* log, size_t size, const char* line, size_t length);
