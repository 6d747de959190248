// The install log "setup.inf" in the install folder: its head lines, the
// one line per installed folder, file, shortcut and registry entry, and the
// merge that carries over the lines of an earlier log of this engine.
#pragma once
#include "install/log_format.h"

// Step of row 0: makes InstallFolder the current directory (refusing one
// that is a link), keeps aside under "setup.NNN" any log the product's
// Uninstall entry does not vouch for (one box names them), merges a vouched
// stray "setup.$$$" of an unfinished run into a vouched "setup.inf" (or
// gives it that name), keeps the earlier log as "setup.$$$", open in
// State.EarlierLog, creates "setup.inf" and writes its head lines. 0 after
// reporting.
int PrepareInstall();

// Formats one line (a printf format and its arguments) and appends it
// with CR LF. A line that would not fit LOG_LINE_LIMIT characters is
// refused with a message, never cut. 0 after reporting.
int WriteLogLine(const char* format, ...);

// Writes the line head (LOG_FILE and the like) and the absolute path: a
// relative path is taken from InstallFolder. 0 after reporting.
int LogInstalledPath(const char* head, const char* path);

// True when the earlier log that PrepareInstall keeps open lists `path`
// (absolute, or relative to InstallFolder) on a FILE= or DLL= line, the
// lines compared as the merge compares them. False without an earlier log
// or when it cannot be read. Reports nothing.
bool EarlierLogListsFile(const char* path);

// Appends the older log's lines that the new log lacks, removes "setup.$$$"
// once they are written and flushed (otherwise it stays, for the next run's
// prepare step), stores the digests that vouch for the logs in the
// Uninstall entry and closes the log. Reports nothing. Safe to call when no
// log is open.
void CloseInstallLog();

// Instead of CloseInstallLog when the run rolls back: an older log of this
// engine stays as "setup.$$$" and the new log keeps only the lines this run
// added (with the author line), so that the uninstaller takes back this
// run alone. Without an older log the new one is closed as it is. The
// digest of the log as closed goes to State.LogDigest, for the roll-back.
void CloseInstallLogForRollBack();

// After the roll-back: each log the prepare step kept aside under
// "setup.NNN" gets its own name back where that name is free again.
void GiveBackKeptLogs();
