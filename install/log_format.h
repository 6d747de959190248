// The install log's format, owned here for everything that writes, reads or
// checks it: the setup program, the uninstaller and the builder. The log
// "setup.inf" in the install folder holds one line per change, each
// "KEY=value" with CR LF; an earlier log waits as "setup.$$$". Portable.
#pragma once
#include "app/install_names.h"
#include "resources/identity.h"

inline constexpr char EARLIER_LOG_FILE_NAME[] = "setup.$$$";

// A log that nothing vouches for, or that a roll-back could not take back,
// is kept aside under the first free name of "setup.000" to "setup.999":
// never merged, never acted on, never deleted.
#define LOG_ASIDE_NAME_FORMAT "setup.%3.3d"
enum { LOG_ASIDE_NAMES = 1000 };

// A file that an installation replaces gets its new data beside it under
// "name.$new", then goes aside as "name.$old" while the new file takes its
// place, until the run finishes (the copy goes) or rolls back (it comes
// back). "setup.rpl" in the install folder lists each such file by its full
// path, one per line, before anything is renamed: a run that was ended
// before its finish leaves what the next run needs to give them back.
inline constexpr char REPLACED_LIST_FILE_NAME[] = "setup.rpl";
#define NEW_DATA_SUFFIX ".$new"
#define KEPT_ASIDE_SUFFIX ".$old"
enum { REPLACED_SUFFIX_BYTES = 5 };  // either suffix, without a NUL

// Bytes of a log that the setup program merges and the uninstaller reads:
// a larger one is no log an installation writes.
enum { LOG_SIZE_LIMIT = 16 << 20 };

// Characters of a line before its CR LF. A longer line is never written.
enum { LOG_LINE_LIMIT = 257 };

// The longest extension a file type may have: its longest key,
// "HKEY_CLASSES_ROOT\<extension>file\shell\print\command", must fit the
// line that logs it.
enum {
  FILE_TYPE_KEY_HEAD = 25,       // "REGKEY=HKEY_CLASSES_ROOT\"
  FILE_TYPE_LONGEST_TAIL = 24,   // "file\shell\print\command" after the extension
  EXTENSION_LIMIT = LOG_LINE_LIMIT - FILE_TYPE_KEY_HEAD - FILE_TYPE_LONGEST_TAIL,
};

// The line that marks a log of this engine: a log without it is another
// program's, and neither merged nor acted on.
inline constexpr char LOG_AUTHOR_LINE[] = "AUTHOR=Norvalex";

// The heads of the lines, as literals so that a writer's format is built
// from them ("KEY=" followed by the value). The head lines come first, in
// this order: USER, SECTION, AUTHOR, VER, then IFOLDER when the setup
// program created the install folder.
#define LOG_USER "USER="
#define LOG_COMPANY "SECTION="
#define LOG_VERSION "VER="
#define LOG_INSTALL_FOLDER "IFOLDER="  // created by the installation
#define LOG_FOLDER "FOLDER="           // a folder of the file list, created
#define LOG_FILE "FILE="               // a file written
#define LOG_SHARED_FILE "DLL="         // a file written whose name ends in .dll
#define LOG_SHORTCUT "SCUT="           // a shortcut file
#define LOG_KEY "REGKEY="              // a registry key created: root name, "\", the rest
#define LOG_VALUE "REGDAT="            // a registry value written: root name, "\", key, "\", name

// The product's Uninstall entry, which only administrators may write,
// vouches for its log: REG_SZ values of 64 hexadecimal digits, the SHA-256
// of setup.inf as the setup program last closed it and, while an earlier
// log waits for its merge as setup.$$$, of that log. The setup program
// merges only a vouched earlier log; the uninstaller acts on no log that
// another digest was stored for.
inline constexpr char LOG_DIGEST_VALUE[] = "InstallLogSha256";
inline constexpr char EARLIER_LOG_DIGEST_VALUE[] = "EarlierLogSha256";

// While a run writes its log, the entry names the install folder under
// this REG_SZ value; the run removes it when it closes the log. A run that
// was ended before (the power failed, the process was killed) leaves it,
// and the next run into that folder takes the log it left as vouched for:
// only an administrator's run can have written the value.
inline constexpr char LOG_OPEN_VALUE[] = "InstallLogOpen";

// The VER line: the engine's major and minor version, as "3.00".
#define LOG_VERSION_FORMAT LOG_VERSION "%d.%2.2d"
