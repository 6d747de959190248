// The uninstaller: takes back what one installation of this engine did, as
// its setup.inf tells, last line first. It refuses a folder without a log of
// this engine, never acts on a line outside the place its kind belongs in
// (the log is writable by the install folder's users), and removes its own
// file only when no other product's Uninstall entry still names it. A
// roll-back (the letter s) asks nothing and shows nothing, and its exit code
// tells the outcome; the ordinary mode ends with 0.
#include <windows.h>
#include <commctrl.h>
#include "app/exit_codes.h"
#include "app/process_guard.h"
#include "app/sha256.h"
#include "app/single_run.h"
#include "app/sjis.h"
#include "app/texts.h"
#include "install/entry_digest.h"
#include "install/log_format.h"
#include "uninstall/bounds.h"
#include "uninstall/later.h"
#include "uninstall/log_lines.h"
#include "uninstall/registry_removal.h"
#include "uninstall/removal.h"
#include "uninstall/report.h"
#include "uninstall/run.h"
#include "uninstall/window.h"

UninstallRun Run;

enum { POOL_NAME_LENGTH = 12 };

static const char TXT_CONFIRM_CAPTION[] = "アンインストールの確認";
static const char TXT_CONFIRM[] =
    "「%s」をアンインストールします。\n\nインストールされたファイル、ショートカット、レジストリの設定を削除します。"
    "\nよろしいですか？";
static const char TXT_BAD_COMMAND[] = "アンインストールの指定が正しくありません。\n\n何も削除しませんでした。";
static const char TXT_NO_LOG[] =
    "アンインストール情報 (setup.inf) が見つかりません。\n\n%s\n\n何も削除しませんでした。";
static const char TXT_CHANGED_LOG[] =
    "次のファイルは、インストールの後で書き換えられています。\n\n%s\n\n何も削除しませんでした。";
static const char TXT_FOREIGN_LOG[] =
    "次のファイルは、このセットアップが書いたアンインストール情報として読み取れません。\n\n%s\n\n"
    "何も削除しませんでした。";

// "folder\name" into out (MAX_PATH bytes); 0 when it would not fit whole.
static int FolderFile(const char* name, char* out)
{
  char folder[MAX_PATH];
  lstrcpyA(folder, Run.Command.Folder);
  CutTrailingBackslash(folder);
  if (lstrlenA(folder) + 1 + lstrlenA(name) >= MAX_PATH) return 0;
  wsprintfA(out, "%s\\%s", folder, name);
  return 1;
}

static void Refuse(const char* format, const char* subject)
{
  static_assert(sizeof TXT_NO_LOG <= sizeof TXT_FOREIGN_LOG && sizeof TXT_CHANGED_LOG <= sizeof TXT_FOREIGN_LOG, "room");
  char text[sizeof TXT_FOREIGN_LOG + MAX_PATH];
  wsprintfA(text, format, subject);
  Tell(text);
}

// The digest that vouches for the log: the one the roll-back was handed,
// else the one the product's Uninstall entry holds; empty when the entry
// has no such value (an installation by an earlier build). A value that is
// not a digest vouches for no log.
static void VouchedDigest(char text[SHA256_TEXT_BYTES])
{
  lstrcpyA(text, Run.Command.LogDigest);
  char earlier[SHA256_TEXT_BYTES];
  if (text[0] == '\0') ReadEntryDigests(Run.Command.Product, text, earlier);
}

// True when the log's bytes are the ones vouched for, or nothing vouches.
static bool AsWritten(const char* text, DWORD size)
{
  char vouched[SHA256_TEXT_BYTES];
  VouchedDigest(vouched);
  if (vouched[0] == '\0') return true;
  char read[SHA256_TEXT_BYTES];
  Sha256TextOf(text, size, read);
  return lstrcmpiA(read, vouched) == 0;
}

// Entries of each third of the block that holds Run.Lines.
static long LineRoom;

// Reads setup.inf into a heap block and cuts it into Run.Lines. 0 after a
// refusal.
static int ReadLog(const char* path, HANDLE heap, char** text)
{
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    Refuse(TXT_NO_LOG, path);
    return 0;
  }
  const DWORD size = GetFileSize(file, nullptr);
  DWORD got = 0;
  *text = size <= LOG_SIZE_LIMIT ? static_cast<char*>(HeapAlloc(heap, 0, size + 1)) : nullptr;
  const BOOL read = *text != nullptr && ReadFile(file, *text, size, &got, nullptr) && got == size;
  CloseHandle(file);
  // Its bytes are checked once, as read: what is acted on is what was vouched for.
  if (read && !AsWritten(*text, size)) {
    Refuse(TXT_CHANGED_LOG, path);
    return 0;
  }
  long lines = 0;
  if (read) {
    for (DWORD i = 0; i < size; ++i) lines += (*text)[i] == '\n';
    // One block: the lines, then room for a path per line twice (the
    // folders to remove last, and the shared files met), so that nothing
    // is removed unless all of it could be had.
    Run.Lines = static_cast<char**>(HeapAlloc(heap, 0, 3 * (lines + 1) * sizeof(char*)));
    LineRoom = lines + 1;
  }
  if (Run.Lines != nullptr) Run.LineCount = SplitLogLines(*text, size, Run.Lines, lines + 1);
  if (Run.LineCount <= 0 || !HasAuthorLine(Run.Lines, Run.LineCount)) {
    Refuse(TXT_FOREIGN_LOG, path);
    return 0;
  }
  return 1;
}

static void RemoveLines()
{
  BoundsRecord places;
  GatherBounds(Run.Command.Folder, &places);
  const char** folders = const_cast<const char**>(Run.Lines) + LineRoom;
  SharedSeen seen = {folders + LineRoom, 0};
  int folderCount = 0;
  for (long i = Run.LineCount - 1; i >= 0; --i) {
    const char* value = nullptr;
    const LineKind kind = ClassifyLine(Run.Lines[i], &value);
    ShowProgress(Run.LineCount - i, value);
    if (kind == LINE_OTHER) continue;
    if (kind == LINE_KEY) {
      RemoveLoggedKey(value);
      continue;
    }
    if (kind == LINE_VALUE) {
      RemoveLoggedValue(value);
      continue;
    }
    char longForm[MAX_PATH];
    const PathVerdict verdict = JudgePath(kind, value, LongFormOf(value, longForm) ? longForm : nullptr, places.Bounds);
    if (verdict == PATH_REFUSED) {
      NoteLeftover(value, 1);
    } else if (kind == LINE_FILE) {
      RemoveLoggedFile(value, verdict == PATH_IF_COUNTED, &seen);
    } else if (kind == LINE_SHORTCUT) {
      RemoveLoggedShortcut(value);
    } else {
      folders[folderCount++] = value;
    }
  }
  // The log goes before the folders, the install folder among them.
  char log[MAX_PATH];
  if (FolderFile(LOG_FILE_NAME, log)) {
    if (ReachesThroughLink(log)) {
      NoteLeftover(log, 1);
    } else {
      SetFileAttributesA(log, FILE_ATTRIBUTE_NORMAL);
      if (!DeleteFileA(log) && GetFileAttributesA(log) != INVALID_FILE_ATTRIBUTES) NoteLeftover(log, 0);
    }
  }
  RemoveLoggedFolders(folders, folderCount);
}

// Plans the deletion of this program's own file when it is a pool file of
// the Windows folder that no Uninstall entry names any more.
static void RemoveSelf()
{
  char self[MAX_PATH];
  char windows[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, self, sizeof self);
  if (length == 0 || length >= sizeof self || GetWindowsDirectoryA(windows, sizeof windows) >= MAX_PATH) return;
  CutTrailingBackslash(windows);
  const int folderLength = lstrlenA(windows);
  const char* name = self + folderLength + 1;
  if (static_cast<int>(length) != folderLength + 1 + POOL_NAME_LENGTH || self[folderLength] != '\\' ||
      CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, self, folderLength, windows, folderLength) !=
          CSTR_EQUAL ||
      CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, name, 5, "unins", 5) != CSTR_EQUAL ||
      lstrcmpiA(name + 8, ".exe") != 0) {
    return;
  }
  for (int i = 5; i < 8; ++i)
    if (name[i] < '0' || name[i] > '9') return;
  if (!UninstallerStillNamed(self)) DeleteAtRestart(self);
}

// Tells the command's refusal (the ordinary mode's box) and returns its exit code.
static unsigned RefuseCommand()
{
  Tell(TXT_BAD_COMMAND);
  return EXIT_BAD_COMMAND_LINE;
}

// Takes the installation back; returns the exit code of mode s.
static unsigned Uninstall()
{
  const bool parsed = ParseUninstallCommand(GetCommandLineA(), &Run.Command);
  // The setup program's roll-back (mode s with the digest of its log) runs
  // while that program holds the mutex and waits for it: it is not refused.
  // Anyone may type that command too, but gains nothing by it: the mutex
  // keeps runs from meeting by accident, it grants no right.
  const bool rollBack = parsed && Run.Command.RollBack && Run.Command.LogDigest[0] != '\0';
  if (!ClaimSingleRun() && !rollBack) {
    Tell(TXT_ANOTHER_RUN);
    return EXIT_ANOTHER_RUN;
  }
  if (!parsed) return RefuseCommand();
  const char* folder = Run.Command.Folder;
  char log[MAX_PATH];
  if (!IsAbsolutePath(folder) || !FolderFile(LOG_FILE_NAME, log)) return RefuseCommand();
  if (!Run.Command.RollBack) {
    char question[sizeof TXT_CONFIRM + MAX_PATH];
    wsprintfA(question, TXT_CONFIRM, Run.Command.Product);
    if (Ask(question, TXT_CONFIRM_CAPTION, 0) != IDYES) return EXIT_CANCELLED;
  }
  // A current folder inside the product would keep that folder from going.
  char windows[MAX_PATH];
  if (GetWindowsDirectoryA(windows, sizeof windows) < MAX_PATH) SetCurrentDirectoryA(windows);

  HANDLE heap = GetProcessHeap();
  char* text = nullptr;
  const int read = ReadLog(log, heap, &text);
  if (read) {
    char earlier[MAX_PATH];
    Run.Partial = Run.Command.RollBack && FolderFile(EARLIER_LOG_FILE_NAME, earlier) &&
                  GetFileAttributesA(earlier) != INVALID_FILE_ATTRIBUTES;
    OpenProgress(Run.LineCount);
    RemoveLines();
    // After a failed reinstallation the earlier installation keeps its entry
    // and its uninstaller.
    if (!Run.Partial) {
      RemoveUninstallEntry();
      RemoveSelf();
    }
    CloseProgress();
    TellOutcome();
  }
  if (Run.Lines != nullptr) HeapFree(heap, 0, Run.Lines);
  if (text != nullptr) HeapFree(heap, 0, text);
  if (!read) return EXIT_FAILED;
  return Run.RestartNeeded ? EXIT_RESTART_NEEDED : EXIT_DONE;
}

// The program's entry: no C runtime start-up, which would double its size.
extern "C" void WINAPI UninstallEntry()
{
  // Its texts and path scans are Shift-JIS, as the setup program's are; no
  // library is taken from a folder that is not the system's.
  const unsigned code = GuardProcess() ? Uninstall() : EXIT_FAILED;
  ExitProcess(Run.Command.RollBack ? code : 0);
}
