// Shared files: libraries that other products use as well. The payload's
// file is installed unless a newer one is there and the user keeps it; a
// kept file still has its item record read through, so the next entry
// starts where it should. Each entry counts the product as one more user in
// the SharedDLLs reference counts, under the file's short path, once per
// product: a reinstallation counts only the files its earlier log does not
// list. A file that was there uncounted counts its unknown owner too.
#include "install/shared_files.h"
#include <windows.h>
#include <cstdint>
#include "app/flags.h"
#include "app/folder_macro.h"
#include "app/message_box.h"
#include "app/registry.h"
#include "app/services.h"
#include "app/state.h"
#include "app/version_info.h"
#include "install/log.h"
#include "install/extract.h"
#include "install/file_reference.h"
#include "install/kept_values.h"
#include "payload/layout.h"
#include "payload/reader.h"

enum {
  PUMP_MASK = EXTRACT_BLOCK_BYTES - 1,  // drain the queue once per 4096 bytes read through
  VERSION_NUMBER_BYTES = 3 * 11,        // three signed decimal numbers
};

static const char REFERENCE_KEY_FORMAT[] = "Software\\Microsoft\\Windows\\CurrentVersion\\%s";
static const char TXT_NEWER_CAPTION[] = "共有ﾌｧｲﾙの上書確認";
static const char TXT_NEWER_FILE[] =
    "ｲﾝｽﾄｰﾙしようとした共有ﾌｧｲﾙよりも新しいﾌｧｲﾙが既にｼｽﾃﾑに存在します。\n"
    "現在のﾌｧｲﾙをそのまま使用することをお勧めします。\n\n"
    "ﾌｧｲﾙ名 : %s\nﾌｧｲﾙ ﾊﾞｰｼﾞｮﾝ : %d.%d.%d\n\n"
    "現在のﾌｧｲﾙをそのまま使いますか ?";

// Bytes of the body being read through.
static DWORD Discarded;

// 1 to install the payload's file (version ms.ls) at path, 0 to keep the
// newer file that is there. A file without version information counts as
// older than any payload version.
static int SharedFileWanted(const char* path, DWORD ms, DWORD ls)
{
  if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) return 1;
  DWORD installedMs = 0;
  DWORD installedLs = 0;
  if (!GetFileVersion(path, &installedMs, &installedLs)) return 1;
  const LONG payloadHigh = static_cast<LONG>(ms);
  const LONG installedHigh = static_cast<LONG>(installedMs);
  if (payloadHigh > installedHigh) return 1;
  if (payloadHigh == installedHigh && static_cast<LONG>(ls) >= static_cast<LONG>(installedLs)) return 1;

  // The path alone may fill TextBuffer, so the question has a buffer of its own.
  char text[sizeof TXT_NEWER_FILE + MAX_PATH + VERSION_NUMBER_BYTES];
  wsprintfA(text, TXT_NEWER_FILE, path, HIWORD(installedMs), LOWORD(installedMs), static_cast<int>(installedLs));
  // Only a plain No replaces the newer file; keeping it is what the box recommends.
  return ShowMessageBox(State.CurrentDialog, text, TXT_NEWER_CAPTION, MB_ICONQUESTION | MB_YESNO) == IDNO;
}

static int DiscardAndPump(int)
{
  ++Discarded;
  if ((Discarded & PUMP_MASK) != 0) return 1;
  // A long body keeps the progress dialog answering, and a cancel stops it.
  PumpMessages();
  return !InstallCancelled();
}

// Consumes the entry's item record without writing anything: the body is
// decoded into nothing. 0 when the data ends or is corrupt; only an end at
// the attributes is reported (by the record reader).
static int ReadItemThrough()
{
  ItemRecord item;
  if (!ReadItemHead(&item)) return 0;
  if (IsFolder(item)) return 1;
  uint32_t size = 0;
  if (!ReadBodySize(&size, State.PayloadFlags)) return 0;
  Discarded = 0;
  // Only a cancel stops the sink. Data that cannot be read has been noted
  // for the exit code, by the reader or by the decoder.
  return DecodeBody(size, (State.PayloadFlags & PF_STORED_BODIES) != 0, DiscardAndPump);
}

// Raises the SharedDLLs count of path by one. A count that cannot be read
// starts from 0, or from 1 when the file was there before (existed): an
// earlier owner that did not count it may still need it, so no uninstaller
// may take it away. One that cannot be written is let go. 0 only after
// refusing a short form that would not fit a path.
static int CountReference(const char* path, bool existed)
{
  char name[MAX_PATH];
  SetLastError(ERROR_SUCCESS);
  const DWORD length = GetShortPathNameA(path, name, sizeof name);
  // Some systems give the size the short form would need, others give up
  // with an error of its own.
  if (length >= sizeof name || (length == 0 && GetLastError() == ERROR_FILENAME_EXCED_RANGE))
    return RefuseLongPath(path);
  // Without a short form (the file is gone again) the count goes under the
  // path as it stands.
  if (length == 0) lstrcpynA(name, path, sizeof name);

  char key[MAX_PATH];
  wsprintfA(key, REFERENCE_KEY_FORMAT, "SharedDLLs");
  DWORD count = existed ? 1 : 0;
  HKEY handle;
  if (OpenMachineKey(key, KEY_QUERY_VALUE, &handle) == ERROR_SUCCESS) {
    DWORD type = 0;
    DWORD size = sizeof count;
    if (RegQueryValueExA(handle, name, nullptr, &type, reinterpret_cast<BYTE*>(&count), &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof count) {
      count = existed ? 1 : 0;
    }
    RegCloseKey(handle);
  }
  ++count;
  // The count as it was goes back if the run does not finish.
  if (KeepValue(HKEY_LOCAL_MACHINE, key, name) &&
      RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &handle,
                      nullptr) == ERROR_SUCCESS) {
    RegSetValueExA(handle, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&count), sizeof count);
    RegCloseKey(handle);
  }
  return 1;
}

int InstallSharedFiles()
{
  char name[MAX_PATH];
  char path[MAX_PATH];
  for (;;) {
    // A cancel confirmed during the last entry ends the list here.
    if (InstallCancelled()) return 0;
    ReadListPath(name);
    if (name[0] == '\0') return 1;
    DWORD ms = 0;
    DWORD ls = 0;
    if (!ReadBytes(&ms, 4) || !ReadBytes(&ls, 4)) return 0;
    if (!ExpandFolderMacro(name, path)) return 0;

    const bool existed = GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
    if (SharedFileWanted(path, ms, ls)) {
      if (!InstallItem(path)) return 0;
    } else if (!ReadItemThrough()) {
      return 0;
    }
    // A product already registered counted the files its earlier log lists;
    // one this version adds is counted now, since its uninstallation lowers it.
    if (!(State.AlreadyRegistered && EarlierLogListsFile(path)) && !CountReference(path, existed)) return 0;
  }
}
