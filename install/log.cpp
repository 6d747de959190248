// The install log "setup.inf": the prepare step that keeps an older log as
// "setup.$$$" and opens the new one with its head lines, the line writers
// of the install steps, the look-up of a file in the older log, and the
// closing merge. A line holds at most 257 characters before its CR LF; a
// longer one is refused, never cut. An older log is never lost: it is
// merged, or it gets its own name back, or (when the run rolls back) it
// waits beside the lines only this run added. Only an earlier log that the
// product's Uninstall entry vouches for by its digest is merged; any other
// is kept aside under a name of its own.
#include "install/log.h"
#include <windows.h>
#include <commctrl.h>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include "app/file_io.h"
#include "app/heap.h"
#include "app/message_box.h"
#include "app/phase_clock.h"
#include "app/services.h"
#include "app/sjis.h"
#include "app/state.h"
#include "app/texts.h"
#include "install/entry.h"
#include "install/install_folder.h"
#include "install/log_merge.h"
#include "install/replaced_files.h"
#include "resources/dialogs.h"
#include "ui/panel.h"

enum {
  LINE_BYTES = LOG_LINE_LIMIT + 3,   // a line with its CR LF and NUL
  SHOWN_LINE_BYTES = 64,             // start of a refused line in its message
  PREPARE_BAR_RANGE = 10,            // the ten progress calls of the prepare step
  LOG_STEPS_PER_BLOCK = 1,           // a block per call
  DIGEST_CHUNK_BYTES = 2048,         // a frame of 4 KB would step over the stack's guard page (the build refuses one)
  ASIDE_NAME_BYTES = 10,             // "setup.000" and its NUL
};

static const char TXT_LINE_TOO_LONG[] = "ｾｯﾄｱｯﾌﾟ情報ﾌｧｲﾙ に書き込めない長さの行です。\n\n";
static const char TXT_CONTROL_CHARACTER[] = "ｾｯﾄｱｯﾌﾟ情報ﾌｧｲﾙ に書き込めない文字を含む行です。\n\n";
static const char TXT_ELLIPSIS[] = "…";
static const char TXT_KEPT_ASIDE[] =
    "このフォルダのアンインストール情報は、このセットアップが書いたものと確かめられないため、使わずに別の名前で残しました。\n\n%s\nインストールを続けます。";

static bool CompareMemoryBytes(const char* a, const char* b, DWORD length)
{
  for (DWORD i = 0; i < length; ++i)
    if (a[i] != b[i]) return false;
  return true;
}

// Shows the reason and the start of the refused line.
static int RefuseLine(const char* reason, size_t reasonBytes, const char* start)
{
  char message[sizeof TXT_CONTROL_CHARACTER + SHOWN_LINE_BYTES + sizeof TXT_ELLIPSIS];
  static_assert(sizeof TXT_LINE_TOO_LONG <= sizeof TXT_CONTROL_CHARACTER, "message room");
  const size_t head = reasonBytes - 1;
  const size_t shown = SjisFitLength(start, SHOWN_LINE_BYTES);
  CopyMemory(message, reason, head);
  CopyMemory(message + head, start, shown);
  CopyMemory(message + head + shown, TXT_ELLIPSIS, sizeof TXT_ELLIPSIS);
  return ReportError(message);
}

int WriteLogLine(const char* format, ...)
{
  PhaseSpan span(PHASE_LOG);
  char line[LINE_BYTES];
  va_list arguments;
  va_start(arguments, format);
  // Counted formatting: one character more than a line may hold tells an
  // overlong line from one that just fits.
  const int length = _vsnprintf(line, LOG_LINE_LIMIT + 1, format, arguments);
  va_end(arguments);
  line[LOG_LINE_LIMIT + 1] = '\0';
  if (length < 0 || length > LOG_LINE_LIMIT) return RefuseLine(TXT_LINE_TOO_LONG, sizeof TXT_LINE_TOO_LONG, line);
  // A CR or LF from a name or the payload would add a line that the
  // uninstaller acts on. Trail bytes are never below 0x20.
  for (int i = 0; i < length; ++i) {
    const unsigned char c = static_cast<unsigned char>(line[i]);
    if (c < 0x20 || c == 0x7F) {
      line[i] = '\0';
      return RefuseLine(TXT_CONTROL_CHARACTER, sizeof TXT_CONTROL_CHARACTER, line);
    }
  }

  line[length] = '\r';
  line[length + 1] = '\n';
  const DWORD size = static_cast<DWORD>(length) + 2;
  DWORD written = 0;
  const BOOL wrote = IoWriteFile(State.InstallLog, line, size, &written);
  // A short write sets no error of its own.
  if (wrote && written != size) SetLastError(ERROR_DISK_FULL);
  if (!wrote || written != size) return ReportSystemError(LOG_FILE_NAME);
  return 1;
}

// Counted formatting of a line into LINE_BYTES: its length, or more than
// LOG_LINE_LIMIT (or less than 0) for a line too long to be one.
static int FormatLine(char* line, const char* format, ...)
{
  va_list arguments;
  va_start(arguments, format);
  const int length = _vsnprintf(line, LOG_LINE_LIMIT + 1, format, arguments);
  va_end(arguments);
  return length;
}

// The line that logs the installed path `path` under `head`, into
// LINE_BYTES, NUL-terminated even when cut; its length as FormatLine's.
static int InstalledPathLine(char* line, const char* head, const char* path)
{
  const int length = IsAbsolutePath(path) ? FormatLine(line, "%s%s", head, path)
                                          : FormatLine(line, "%s%s\\%s", head, State.InstallFolder, path);
  line[LOG_LINE_LIMIT + 1] = '\0';
  return length;
}

int LogInstalledPath(const char* head, const char* path)
{
  // A line too long stays too long for WriteLogLine, which refuses it.
  char line[LINE_BYTES];
  InstalledPathLine(line, head, path);
  return WriteLogLine("%s", line);
}

static int MergeInto(HANDLE target, HANDLE old);

static void DeleteOldLog()
{
  // A read-only attribute carried over from the older setup.inf would keep
  // it from going.
  SetFileAttributesA(EARLIER_LOG_FILE_NAME, FILE_ATTRIBUTE_NORMAL);
  DeleteFileA(EARLIER_LOG_FILE_NAME);
}

// The SHA-256 of the whole open file, as text. 0 when it cannot be read.
static int DigestOf(HANDLE file, char text[SHA256_TEXT_BYTES])
{
  if (SetFilePointer(file, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) return 0;
  Sha256 sha;
  Sha256Start(&sha);
  char chunk[DIGEST_CHUNK_BYTES];
  for (DWORD got = 1; got != 0;) {
    if (!IoReadFile(file, chunk, sizeof chunk, &got)) return 0;
    Sha256Add(&sha, chunk, got);
  }
  unsigned char digest[SHA256_BYTES];
  Sha256Finish(&sha, digest);
  Sha256Text(digest, text);
  return 1;
}

enum { VOUCHERS = 4 };  // the entry's two digests, that of a merge made here, and of a log left open

// True when the open log's bytes are those a digest vouches for.
static bool Vouched(HANDLE log, const char vouched[VOUCHERS][SHA256_TEXT_BYTES])
{
  char digest[SHA256_TEXT_BYTES];
  if (log == INVALID_HANDLE_VALUE || !DigestOf(log, digest)) return false;
  for (int i = 0; i < VOUCHERS; ++i)
    if (vouched[i][0] != '\0' && strcmp(digest, vouched[i]) == 0) return true;
  return false;
}

// A log of the install folder, open and shut to every other writer, when a
// digest vouches for its bytes; else INVALID_HANDLE_VALUE. Its attributes
// are touched only once it is known for this product's: a log to be
// written (`write`) loses a read-only attribute.
static HANDLE OpenVouched(const char* name, const char vouched[VOUCHERS][SHA256_TEXT_BYTES], bool write)
{
  HANDLE log = CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (Vouched(log, vouched) && write) {
    CloseHandle(log);
    SetFileAttributesA(name, FILE_ATTRIBUTE_NORMAL);
    log = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                      FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  if (Vouched(log, vouched)) return log;
  if (log != INVALID_HANDLE_VALUE) CloseHandle(log);
  return INVALID_HANDLE_VALUE;
}

// Gives a log that nothing vouches for the first free name "setup.000" to
// "setup.999", where it is never merged and never acted on, and adds
// "name -> new name" to the note. 0 when it cannot be moved.
// The logs this run kept aside, by name and number, for a roll-back to
// give back.
static struct {
  const char* Name;
  int Number;
} KeptLogs[2];
static int KeptLogCount;

static int KeepAside(const char* name, char* note, size_t noteBytes)
{
  char aside[ASIDE_NAME_BYTES];
  for (int n = 0; n < LOG_ASIDE_NAMES; ++n) {
    wsprintfA(aside, LOG_ASIDE_NAME_FORMAT, n);
    if (MoveFileExA(name, aside, 0)) {
      if (KeptLogCount < 2) KeptLogs[KeptLogCount++] = {name, n};
      const size_t used = static_cast<size_t>(lstrlenA(note));
      if (used + MAX_PATH < noteBytes) wsprintfA(note + used, "%s → %s\n", name, aside);
      return 1;
    }
    if (GetLastError() != ERROR_ALREADY_EXISTS && GetLastError() != ERROR_FILE_EXISTS) return 0;
  }
  return 0;
}

static bool Exists(const char* name) { return GetFileAttributesA(name) != INVALID_FILE_ATTRIBUTES; }

// Finds the earlier log: setup.inf, or a "setup.$$$" left by a run that
// never closed its log or whose merge failed (merged into setup.inf when
// both are vouched for, else given that name). A log the Uninstall entry
// does not vouch for is kept aside and named in `note`. The earlier log is
// left as "setup.$$$", open in State.EarlierLog and shut to writers; 0 when
// a log could not be moved (the system's error set).
static int FindEarlierLog(char* note, size_t noteBytes)
{
  char vouched[VOUCHERS][SHA256_TEXT_BYTES];
  ReadLogDigests(vouched[0], vouched[1]);
  vouched[2][0] = vouched[3][0] = '\0';
  // A run into this folder was ended before it closed its log: the log is
  // the one it wrote, and is merged as the earlier installation's.
  if (LogLeftOpenHere()) {
    HANDLE left = OpenToRead(LOG_FILE_NAME);
    if (left != INVALID_HANDLE_VALUE && !DigestOf(left, vouched[3])) vouched[3][0] = '\0';
    if (left != INVALID_HANDLE_VALUE) CloseHandle(left);
  }
  HANDLE stray = Exists(EARLIER_LOG_FILE_NAME) ? OpenVouched(EARLIER_LOG_FILE_NAME, vouched, false) : INVALID_HANDLE_VALUE;
  if (stray == INVALID_HANDLE_VALUE && Exists(EARLIER_LOG_FILE_NAME) && !KeepAside(EARLIER_LOG_FILE_NAME, note, noteBytes))
    return 0;
  const bool merging = stray != INVALID_HANDLE_VALUE;
  HANDLE log = Exists(LOG_FILE_NAME) ? OpenVouched(LOG_FILE_NAME, vouched, merging) : INVALID_HANDLE_VALUE;
  int kept = log != INVALID_HANDLE_VALUE || !Exists(LOG_FILE_NAME) || KeepAside(LOG_FILE_NAME, note, noteBytes);
  if (kept && merging && log != INVALID_HANDLE_VALUE) {
    // The merged log is vouched for by what was written here, in the entry
    // too, before the stray goes: a run that fails or rolls back from here
    // on leaves it as the log of record.
    kept = MergeInto(log, stray) && DigestOf(log, vouched[2]);
    CloseHandle(stray);
    stray = INVALID_HANDLE_VALUE;
    if (kept) StoreLogDigests(vouched[2], "");
    if (kept) DeleteOldLog();
  }
  if (stray != INVALID_HANDLE_VALUE) CloseHandle(stray);
  if (log != INVALID_HANDLE_VALUE) CloseHandle(log);
  if (!kept) return 0;
  if (merging && log == INVALID_HANDLE_VALUE && !MoveFileExA(EARLIER_LOG_FILE_NAME, LOG_FILE_NAME, 0)) return 0;

  if (!Exists(LOG_FILE_NAME)) return 1;
  if (!MoveFileExA(LOG_FILE_NAME, EARLIER_LOG_FILE_NAME, 0)) return 0;
  // Whatever changed under the name meanwhile is not merged.
  State.EarlierLog = OpenVouched(EARLIER_LOG_FILE_NAME, vouched, false);
  return State.EarlierLog != INVALID_HANDLE_VALUE || KeepAside(EARLIER_LOG_FILE_NAME, note, noteBytes);
}

// Gives the earlier log its own name back and lets it go, for the next run
// and the uninstaller; the entry vouches for it as it now is.
static void GiveBackEarlierLog()
{
  if (State.EarlierLog == INVALID_HANDLE_VALUE) return;
  char digest[SHA256_TEXT_BYTES];
  const int read = DigestOf(State.EarlierLog, digest);
  CloseHandle(State.EarlierLog);
  State.EarlierLog = INVALID_HANDLE_VALUE;
  if (MoveFileExA(EARLIER_LOG_FILE_NAME, LOG_FILE_NAME, 0) && read) StoreLogDigests(digest, "");
}

int PrepareInstall()
{
  StartItem(LOG_FILE_NAME, PREPARE_BAR_RANGE, LOG_STEPS_PER_BLOCK);
  AdvanceProgress(ADVANCE_ITEM);

  lstrcpynA(TextBuffer, State.InstallFolder, MAX_PATH);
  // "D:" alone would name the drive's current directory, not its root.
  if (TextBuffer[0] != '\0' && TextBuffer[1] == ':' && TextBuffer[2] == '\0') lstrcatA(TextBuffer, "\\");
  if (!SetCurrentDirectoryA(TextBuffer)) return ReportSystemError(State.InstallFolder);
  // The folder page refused a link; one put in its place since is refused too.
  const DWORD attributes = GetFileAttributesA(TextBuffer);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    char text[sizeof TXT_LINKED_FOLDER + MAX_PATH];
    wsprintfA(text, TXT_LINKED_FOLDER, State.InstallFolder);
    return ReportError(text);
  }
  AdvanceProgress(ADVANCE_ITEM);

  // A run that was ended before its finish left the files it replaced
  // aside: they come back before anything else happens here.
  if (TakeReplacedList()) GiveBackReplacedFiles();

  // An earlier installation's lines go only once they are in the new log.
  char note[2 * MAX_PATH + 8];
  note[0] = '\0';
  if (!FindEarlierLog(note, sizeof note)) return ReportSystemError(EARLIER_LOG_FILE_NAME);
  if (note[0] != '\0') {
    char text[sizeof TXT_KEPT_ASIDE + sizeof note];
    wsprintfA(text, TXT_KEPT_ASIDE, note);
    ShowMessageBox(State.CurrentDialog, text, TXT_SETUP, MB_ICONEXCLAMATION);
  }
  AdvanceProgress(ADVANCE_ITEM);
  AdvanceProgress(ADVANCE_ITEM);

  MarkLogOpen();
  State.InstallLog = IoCreateFile(LOG_FILE_NAME, GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL);
  if (State.InstallLog == INVALID_HANDLE_VALUE) {
    ReportSystemError(LOG_FILE_NAME);
    // Without a new log nothing will merge the older one, so it keeps its
    // own name for the next run and the uninstaller.
    GiveBackEarlierLog();
    return 0;
  }
  AdvanceProgress(ADVANCE_ITEM);

  if (!WriteLogLine(LOG_USER "%s", State.UserName) || !WriteLogLine(LOG_COMPANY "%s", State.UserCompany)) return 0;
  AdvanceProgress(ADVANCE_ITEM);
  // The merge recognises this engine's logs by exactly this line.
  if (!WriteLogLine("%s", LOG_AUTHOR_LINE)) return 0;
  AdvanceProgress(ADVANCE_ITEM);
  if (!WriteLogLine(LOG_VERSION_FORMAT, ENGINE_VERSION_MAJOR, ENGINE_VERSION_MINOR)) return 0;
  AdvanceProgress(ADVANCE_ITEM);
  if (State.FolderCreated && !WriteLogLine(LOG_INSTALL_FOLDER "%s", State.InstallFolder)) return 0;
  AdvanceProgress(ADVANCE_ITEM);

  AdvanceProgress(ADVANCE_ITEM | ADVANCE_OVERALL);
  return 1;
}

// Appends to `target` the lines of the open older log that it lacks and
// flushes it. 1 when those lines are all on disk (or there were none); 0,
// with the system's error set, when the older log must be kept.
static int MergeInto(HANDLE target, HANDLE old)
{
  DWORD oldHigh = 0;
  DWORD newHigh = 0;
  const DWORD oldSize = GetFileSize(old, &oldHigh);
  const DWORD newSize = GetFileSize(target, &newHigh);
  if (oldSize == INVALID_FILE_SIZE || newSize == INVALID_FILE_SIZE) return 0;
  if (oldHigh == 0 && oldSize == 0) return 1;
  // The bound keeps the sizes below in 32 bits; a log this large is not one
  // that an installation writes, and it is kept rather than lost.
  if (oldHigh != 0 || newHigh != 0 || oldSize > LOG_SIZE_LIMIT || newSize > LOG_SIZE_LIMIT) {
    SetLastError(ERROR_FILE_TOO_LARGE);
    return 0;
  }

  char* logs = static_cast<char*>(AllocateBlock(oldSize + newSize + MergeOutputBytes(oldSize)));
  void* workspace = nullptr;
  int merged = 0;
  if (logs != nullptr) {
    char* oldLog = logs;
    char* newLog = oldLog + oldSize;
    char* appended = newLog + newSize;
    if (IoReadFromStart(old, oldLog, oldSize) && IoReadFromStart(target, newLog, newSize))
      workspace = AllocateBlock(MergeWorkspaceBytes(oldLog, oldSize, newLog, newSize));
    if (workspace != nullptr) {
      const size_t length = MergeLogs(oldLog, oldSize, newLog, newSize, workspace, appended);
      DWORD written = 0;
      merged = length == 0 ||
               (SetFilePointer(target, 0, nullptr, FILE_END) != INVALID_SET_FILE_POINTER &&
                IoWriteFile(target, appended, static_cast<DWORD>(length), &written) && written == length);
      if (merged && !FlushFileBuffers(target)) merged = 0;
      if (length > 0 && written != length && GetLastError() == ERROR_SUCCESS) SetLastError(ERROR_DISK_FULL);
      FreeBlock(workspace);
    } else if (GetLastError() == ERROR_SUCCESS) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    }
    FreeBlock(logs);
  } else {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  }
  return merged;
}

bool EarlierLogListsFile(const char* path)
{
  DWORD high = 0;
  const DWORD size = State.EarlierLog == INVALID_HANDLE_VALUE ? INVALID_FILE_SIZE : GetFileSize(State.EarlierLog, &high);
  if (size == INVALID_FILE_SIZE || high != 0 || size > LOG_SIZE_LIMIT) return false;
  char* log = static_cast<char*>(AllocateBlock(size + 1));
  if (log == nullptr) return false;
  bool listed = false;
  if (IoReadFromStart(State.EarlierLog, log, size)) {
    static const char* const heads[] = {LOG_FILE, LOG_SHARED_FILE};
    for (const char* head : heads) {
      // As LogInstalledPath writes it; a line too long for the log was never written.
      char line[LINE_BYTES];
      const int length = InstalledPathLine(line, head, path);
      if (length >= 0 && length <= LOG_LINE_LIMIT && LogHasLine(log, size, line, static_cast<size_t>(length)))
        listed = true;
    }
  }
  FreeBlock(log);
  return listed;
}

void CloseInstallLog()
{
  UnmarkLogOpen();
  // Without a new log, an older one stays as the prepare step left it.
  if (State.InstallLog == INVALID_HANDLE_VALUE) return;

  // An older log whose lines did not all reach the new one stays, vouched
  // for beside the new log; the next run's prepare step merges it.
  char digests[2][SHA256_TEXT_BYTES];
  digests[0][0] = digests[1][0] = '\0';
  int merged = 0;
  if (State.EarlierLog != INVALID_HANDLE_VALUE) {
    merged = MergeInto(State.InstallLog, State.EarlierLog);
    if (!merged && !DigestOf(State.EarlierLog, digests[1])) digests[1][0] = '\0';
    CloseHandle(State.EarlierLog);
    State.EarlierLog = INVALID_HANDLE_VALUE;
  }
  // Vouched for before the earlier log goes: the new one holds its lines.
  if (!DigestOf(State.InstallLog, digests[0])) digests[0][0] = '\0';
  StoreLogDigests(digests[0], digests[1]);
  if (merged) DeleteOldLog();
  CloseHandle(State.InstallLog);
  State.InstallLog = INVALID_HANDLE_VALUE;
}

static bool HasAuthorLine(const char* log, DWORD size)
{
  const DWORD length = sizeof LOG_AUTHOR_LINE - 1;
  for (DWORD start = 0, i = 0; i < size; ++i) {
    if (log[i] != '\n') continue;
    if (i - start == length + 1 && log[i - 1] == '\r' && CompareMemoryBytes(log + start, LOG_AUTHOR_LINE, length))
      return true;
    start = i + 1;
  }
  return false;
}

// Rewrites the new log to the author line and the lines that the older log
// lacks: what this run added. On any failure only the author line stays,
// so the roll-back removes nothing rather than the earlier installation.
static void KeepOnlyNewLines(HANDLE old, DWORD oldSize, DWORD newSize)
{
  char* logs = static_cast<char*>(AllocateBlock(oldSize + newSize + MergeOutputBytes(newSize)));
  size_t length = 0;
  char* added = nullptr;
  if (logs != nullptr && IoReadFromStart(old, logs, oldSize) && IoReadFromStart(State.InstallLog, logs + oldSize, newSize)) {
    added = logs + oldSize + newSize;
    void* workspace = AllocateBlock(MergeWorkspaceBytes(logs + oldSize, newSize, logs, oldSize));
    if (workspace != nullptr) {
      // The merge the other way round: the new lines the old log lacks.
      length = MergeLogs(logs + oldSize, newSize, logs, oldSize, workspace, added);
      FreeBlock(workspace);
    }
  }
  DWORD written = 0;
  if (SetFilePointer(State.InstallLog, 0, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER &&
      IoWriteFile(State.InstallLog, LOG_AUTHOR_LINE, sizeof LOG_AUTHOR_LINE - 1, &written) &&
      IoWriteFile(State.InstallLog, "\r\n", 2, &written) && length > 0) {
    IoWriteFile(State.InstallLog, added, static_cast<DWORD>(length), &written);
  }
  SetEndOfFile(State.InstallLog);
  FreeBlock(logs);
}

void GiveBackKeptLogs()
{
  while (KeptLogCount > 0) {
    const auto& kept = KeptLogs[--KeptLogCount];
    char aside[ASIDE_NAME_BYTES];
    wsprintfA(aside, LOG_ASIDE_NAME_FORMAT, kept.Number);
    char asidePath[MAX_PATH];
    char name[MAX_PATH];
    if (InstallFolderPath(aside, asidePath) && InstallFolderPath(kept.Name, name)) MoveFileExA(asidePath, name, 0);
  }
}

void CloseInstallLogForRollBack()
{
  UnmarkLogOpen();
  if (State.InstallLog == INVALID_HANDLE_VALUE) return;
  HANDLE old = State.EarlierLog;
  if (old != INVALID_HANDLE_VALUE) {
    DWORD oldHigh = 0;
    DWORD newHigh = 0;
    const DWORD oldSize = GetFileSize(old, &oldHigh);
    const DWORD newSize = GetFileSize(State.InstallLog, &newHigh);
    const bool sized = oldSize != INVALID_FILE_SIZE && newSize != INVALID_FILE_SIZE && oldHigh == 0 &&
                       newHigh == 0 && oldSize <= LOG_SIZE_LIMIT && newSize <= LOG_SIZE_LIMIT;
    char* head = nullptr;
    bool ours = true;  // vouched for; only one read whole without the author line is another's
    if (sized && (head = static_cast<char*>(AllocateBlock(oldSize + 1))) != nullptr) {
      ours = !IoReadFromStart(old, head, oldSize) || HasAuthorLine(head, oldSize);
      FreeBlock(head);
    }
    // An older log of another engine would have been dropped by the merge:
    // the installation it tells of is not this product's. Logs too large to
    // read leave the new one its author line alone: the roll-back takes
    // back nothing rather than the earlier installation.
    if (ours) KeepOnlyNewLines(old, sized ? oldSize : 0, sized ? newSize : 0);
    CloseHandle(old);
    State.EarlierLog = INVALID_HANDLE_VALUE;
    if (!ours) DeleteOldLog();
  }
  // The uninstaller that rolls back is handed the digest of what it reads.
  if (!DigestOf(State.InstallLog, State.LogDigest)) State.LogDigest[0] = '\0';
  CloseHandle(State.InstallLog);
  State.InstallLog = INVALID_HANDLE_VALUE;
}
