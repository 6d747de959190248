// The uninstaller's reading of an install log: the text cut into lines, the
// kind of each line, and the shape a logged path must have before anything
// is done with it. Bytes in, bytes out. Portable.
#pragma once
#include <cstddef>
#include "install/log_format.h"

enum LineKind { LINE_OTHER, LINE_FILE, LINE_FOLDER, LINE_SHORTCUT, LINE_KEY, LINE_VALUE };

// Cuts text (size bytes, any NUL inside refused) into lines ended by LF, a
// CR before the LF dropped; a last line without LF counts too. Each line is
// NUL-terminated in place and its start stored in lines (at most max).
// Returns the number of lines, or -1 when the text holds a NUL byte or more
// than max lines.
long SplitLogLines(char* text, size_t size, char** lines, size_t max);

// True when one of the lines is exactly the engine's AUTHOR line.
bool HasAuthorLine(char* const* lines, size_t count);

// The kind of a line and, through value, the text after its "KEY=".
LineKind ClassifyLine(const char* line, const char** value);

// True when a logged file or folder path may be acted on: absolute (drive
// letter, colon, backslash, or a UNC path), not a drive or share root, no
// "." or ".." component, no empty component, at most LOG_LINE_LIMIT bytes,
// and none of the guarded folders (compared without regard to case or a
// trailing backslash).
bool IsRemovablePath(const char* path, const char* const* guarded, size_t guardedCount);

// True when a and b name the same folder: equal but for ASCII case and one
// trailing backslash each (double-byte characters compared as they are).
bool SameFolder(const char* a, const char* b);
