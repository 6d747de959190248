// The uninstaller's reading of an install log: the text cut into lines, the
// kind of each line, and where a line may reach before anything is done
// with it. The log is not trusted: the install folder's users can write it,
// so every path and key is judged against places the machine itself names.
// Bytes in, bytes out. Portable.
#pragma once
#include <cstddef>
#include "install/log_format.h"

enum LineKind { LINE_OTHER, LINE_FILE, LINE_FOLDER, LINE_INSTALL_FOLDER, LINE_SHORTCUT, LINE_KEY, LINE_VALUE };

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

enum { SHARED_PLACES = 2, SHORTCUT_PLACES = 4 };

// The folders of this machine that logged paths are judged against,
// gathered by the caller. An empty text stands for a folder the system did
// not name: nothing is confined to it.
struct PathBounds {
  const char* InstallFolder;      // as the command line names it (the Uninstall entry's)
  const char* InstallFolderLong;  // its long form, or the same text when the system gives none
  const char* Shared[SHARED_PLACES];        // the Windows and system folders
  const char* Shortcuts[SHORTCUT_PLACES];   // the desktop and the Start menu's Programs, the user's and all users'
  const char* ProgramFiles;
};

enum PathVerdict {
  PATH_REFUSED,     // never acted on
  PATH_OWN,         // the installation's own place
  PATH_IF_COUNTED,  // the Windows folder or below: only a file with a SharedDLLs count of its own
};

// Where the path of a FILE, FOLDER, IFOLDER or SCUT line may be acted on.
// Every path must be absolute (a drive, a colon and a backslash, or
// \\server\share\...), at most LOG_LINE_LIMIT bytes, with no "/", ":" after
// the drive, wildcard or control character, no empty, "." or ".." component
// and none ending in a dot or a blank; "\\?\" and "\\.\" are refused. Then:
// FILE and FOLDER lie below the install folder, IFOLDER is it or lies below
// it; a FILE outside it lies below a Shared folder (PATH_IF_COUNTED); SCUT
// names a ".lnk" below a Shortcuts folder. Folders compare without regard
// to ASCII case. An install folder that is a drive or share root, or is or
// holds one of the bounds' folders, confines nothing. A component below the
// bound with "~" and a digit (a short form) passes only when longForm, the
// path's long form as the system gives it (null for none), is the same path.
PathVerdict JudgePath(LineKind kind, const char* path, const char* longForm, const PathBounds& bounds);

// True when the registry key of a REGKEY line, or the first length bytes of
// a REGDAT line (its value's key), may be taken back: under
// HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_USERS\<user> or
// HKEY_LOCAL_MACHINE\Software, two keys below the root or deeper; under
// Software three (a vendor's key is shared by its products); never in
// Software\Classes or Software\Wow6432Node (other views of shared keys), nor
// in the Uninstall entries or SharedDLLs counts, which the uninstaller finds
// by name. A top key of HKEY_CLASSES_ROOT is the caller's to judge as a
// file type.
bool IsRemovableKey(const char* text, size_t length);
