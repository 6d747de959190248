// The install log "setup.inf": the prepare step that keeps an older log as
// "setup.$$$" and opens the new one with its head lines, the line writers
// of the install steps, and the closing merge. A line holds at most 257
// characters before its CR LF; a longer one is refused, never cut. An older
// log is never lost: it is merged, or it gets its own name back, or (when
// the run rolls back) it waits beside the lines only this run added.
#include "install/log.h"
#include <windows.h>
#include <commctrl.h>
#include <cstdarg>
#include <cstdio>
#include "app/file_io.h"
#include "app/message_box.h"
#include "app/phase_clock.h"
#include "app/services.h"
#include "app/sjis.h"
#include "app/state.h"
#include "install/log_merge.h"
#include "resources/dialogs.h"
#include "ui/panel.h"

enum {
  LINE_BYTES = LOG_LINE_LIMIT + 3,   // a line with its CR LF and NUL
  SHOWN_LINE_BYTES = 64,             // start of a refused line in its message
  PREPARE_BAR_RANGE = 10,            // the ten progress calls of the prepare step
  LOG_STEPS_PER_BLOCK = 1,           // a block per call
  MERGE_LOG_LIMIT = 16 << 20,        // bytes per log that the merge takes on
};

static const char TXT_LINE_TOO_LONG[] = "ｾｯﾄｱｯﾌﾟ情報ﾌｧｲﾙ に書き込めない長さの行です。\n\n";
static const char TXT_CONTROL_CHARACTER[] = "ｾｯﾄｱｯﾌﾟ情報ﾌｧｲﾙ に書き込めない文字を含む行です。\n\n";
static const char TXT_ELLIPSIS[] = "…";

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
  return ReportDataError(message);
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

int LogInstalledPath(const char* head, const char* path)
{
  const bool unc = path[0] == '\\' && path[1] == '\\';
  const bool drive = path[0] != '\0' && path[1] == ':';
  if (unc || drive) return WriteLogLine("%s%s", head, path);
  return WriteLogLine("%s%s\\%s", head, State.InstallFolder, path);
}

static int MergeInto(HANDLE target, HANDLE old);

static void DeleteOldLog()
{
  // A read-only attribute carried over from the older setup.inf would keep
  // it from going.
  SetFileAttributesA(EARLIER_LOG_FILE_NAME, FILE_ATTRIBUTE_NORMAL);
  DeleteFileA(EARLIER_LOG_FILE_NAME);
}

// Gives a stray "setup.$$$" its name back, or merges it into the
// "setup.inf" beside it. 1 when it is gone and its lines are kept.
static int TakeBackStrayLog()
{
  if (GetFileAttributesA(LOG_FILE_NAME) == INVALID_FILE_ATTRIBUTES) return MoveFileExA(EARLIER_LOG_FILE_NAME, LOG_FILE_NAME, 0);
  // The log is this engine's own, and it is renamed and rewritten next anyway.
  SetFileAttributesA(LOG_FILE_NAME, FILE_ATTRIBUTE_NORMAL);
  HANDLE log = CreateFileA(LOG_FILE_NAME, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (log == INVALID_HANDLE_VALUE) return 0;
  HANDLE old = CreateFileA(EARLIER_LOG_FILE_NAME, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  int merged = 0;
  if (old != INVALID_HANDLE_VALUE) {
    merged = MergeInto(log, old);
    CloseHandle(old);
  }
  CloseHandle(log);
  if (merged) DeleteOldLog();
  return merged;
}

int PrepareInstall()
{
  StartItem(LOG_FILE_NAME, PREPARE_BAR_RANGE, LOG_STEPS_PER_BLOCK);
  AdvanceProgress(ADVANCE_ITEM);

  lstrcpynA(TextBuffer, State.InstallFolder, MAX_PATH);
  // "D:" alone would name the drive's current directory, not its root.
  if (TextBuffer[0] != '\0' && TextBuffer[1] == ':' && TextBuffer[2] == '\0') lstrcatA(TextBuffer, "\\");
  if (!SetCurrentDirectoryA(TextBuffer)) return ReportSystemError(State.InstallFolder);
  AdvanceProgress(ADVANCE_ITEM);

  // A "setup.$$$" found here was left by a run that never closed its log,
  // or whose merge failed: it holds an earlier installation's lines, and
  // goes only once they are in "setup.inf".
  if (GetFileAttributesA(EARLIER_LOG_FILE_NAME) != INVALID_FILE_ATTRIBUTES && !TakeBackStrayLog())
    return ReportSystemError(EARLIER_LOG_FILE_NAME);
  AdvanceProgress(ADVANCE_ITEM);

  const bool keptOld = GetFileAttributesA(LOG_FILE_NAME) != INVALID_FILE_ATTRIBUTES &&
                       MoveFileExA(LOG_FILE_NAME, EARLIER_LOG_FILE_NAME, 0);
  AdvanceProgress(ADVANCE_ITEM);

  State.InstallLog = IoCreateFile(LOG_FILE_NAME, GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL);
  if (State.InstallLog == INVALID_HANDLE_VALUE) {
    ReportSystemError(LOG_FILE_NAME);
    // Without a new log nothing will merge the older one, so it keeps its
    // own name for the next run and the uninstaller.
    if (keptOld) MoveFileExA(EARLIER_LOG_FILE_NAME, LOG_FILE_NAME, 0);
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

// Reads the file from its start; 1 when all size bytes came.
static int ReadFromStart(HANDLE file, char* buffer, DWORD size)
{
  if (SetFilePointer(file, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) return 0;
  DWORD total = 0;
  while (total < size) {
    DWORD got = 0;
    if (!IoReadFile(file, buffer + total, size - total, &got) || got == 0) return 0;
    total += got;
  }
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
  if (oldHigh != 0 || newHigh != 0 || oldSize > MERGE_LOG_LIMIT || newSize > MERGE_LOG_LIMIT) {
    SetLastError(ERROR_FILE_TOO_LARGE);
    return 0;
  }

  HANDLE heap = GetProcessHeap();
  char* logs = static_cast<char*>(HeapAlloc(heap, 0, oldSize + newSize + MergeOutputBytes(oldSize)));
  void* workspace = nullptr;
  int merged = 0;
  if (logs != nullptr) {
    char* oldLog = logs;
    char* newLog = oldLog + oldSize;
    char* appended = newLog + newSize;
    if (ReadFromStart(old, oldLog, oldSize) && ReadFromStart(target, newLog, newSize))
      workspace = HeapAlloc(heap, 0, MergeWorkspaceBytes(oldLog, oldSize, newLog, newSize));
    if (workspace != nullptr) {
      const size_t length = MergeLogs(oldLog, oldSize, newLog, newSize, workspace, appended);
      DWORD written = 0;
      merged = length == 0 ||
               (SetFilePointer(target, 0, nullptr, FILE_END) != INVALID_SET_FILE_POINTER &&
                IoWriteFile(target, appended, static_cast<DWORD>(length), &written) && written == length);
      if (merged && !FlushFileBuffers(target)) merged = 0;
      if (length > 0 && written != length && GetLastError() == ERROR_SUCCESS) SetLastError(ERROR_DISK_FULL);
      HeapFree(heap, 0, workspace);
    } else if (GetLastError() == ERROR_SUCCESS) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    }
    HeapFree(heap, 0, logs);
  } else {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  }
  return merged;
}

void CloseInstallLog()
{
  // Without a new log, an older one stays as the prepare step left it.
  if (State.InstallLog == INVALID_HANDLE_VALUE) return;

  HANDLE old = CreateFileA(EARLIER_LOG_FILE_NAME, GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  // An older log whose lines did not all reach the new one stays; the next
  // run's prepare step merges it.
  int merged = GetFileAttributesA(EARLIER_LOG_FILE_NAME) == INVALID_FILE_ATTRIBUTES;
  if (old != INVALID_HANDLE_VALUE) {
    merged = MergeInto(State.InstallLog, old);
    CloseHandle(old);
  }
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
  HANDLE heap = GetProcessHeap();
  char* logs = static_cast<char*>(HeapAlloc(heap, 0, oldSize + newSize + MergeOutputBytes(newSize)));
  size_t length = 0;
  char* added = nullptr;
  if (logs != nullptr && ReadFromStart(old, logs, oldSize) && ReadFromStart(State.InstallLog, logs + oldSize, newSize)) {
    added = logs + oldSize + newSize;
    void* workspace = HeapAlloc(heap, 0, MergeWorkspaceBytes(logs + oldSize, newSize, logs, oldSize));
    if (workspace != nullptr) {
      // The merge the other way round: the new lines the old log lacks.
      length = MergeLogs(logs + oldSize, newSize, logs, oldSize, workspace, added);
      HeapFree(heap, 0, workspace);
    }
  }
  DWORD written = 0;
  if (SetFilePointer(State.InstallLog, 0, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER &&
      IoWriteFile(State.InstallLog, LOG_AUTHOR_LINE, sizeof LOG_AUTHOR_LINE - 1, &written) &&
      IoWriteFile(State.InstallLog, "\r\n", 2, &written) && length > 0) {
    IoWriteFile(State.InstallLog, added, static_cast<DWORD>(length), &written);
  }
  SetEndOfFile(State.InstallLog);
  if (logs != nullptr) HeapFree(heap, 0, logs);
}

void CloseInstallLogForRollBack()
{
  if (State.InstallLog == INVALID_HANDLE_VALUE) return;
  HANDLE old = CreateFileA(EARLIER_LOG_FILE_NAME, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (old != INVALID_HANDLE_VALUE) {
    DWORD oldHigh = 0;
    DWORD newHigh = 0;
    const DWORD oldSize = GetFileSize(old, &oldHigh);
    const DWORD newSize = GetFileSize(State.InstallLog, &newHigh);
    const bool sized = oldSize != INVALID_FILE_SIZE && newSize != INVALID_FILE_SIZE && oldHigh == 0 &&
                       newHigh == 0 && oldSize <= MERGE_LOG_LIMIT && newSize <= MERGE_LOG_LIMIT;
    char* head = nullptr;
    bool ours = false;
    if (sized && (head = static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, oldSize + 1))) != nullptr) {
      ours = ReadFromStart(old, head, oldSize) && HasAuthorLine(head, oldSize);
      HeapFree(GetProcessHeap(), 0, head);
    }
    // An older log of another engine would have been dropped by the merge:
    // the installation it tells of is not this product's.
    if (ours) KeepOnlyNewLines(old, oldSize, newSize);
    CloseHandle(old);
    if (!ours) DeleteOldLog();
  }
  CloseHandle(State.InstallLog);
  State.InstallLog = INVALID_HANDLE_VALUE;
}
