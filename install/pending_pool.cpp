// The pool names that the two lists of moves for the next start of Windows
// name: the NT family's PendingFileRenameOperations and the 9x family's
// WININIT.INI. Both are read on either family: an entry the system will
// not carry out costs a name at most. Neither list is ours: each is read
// whole within a bound, and one that cannot be read so refuses every name
// rather than guessing.
#include "install/pending_pool.h"
#include <windows.h>
#include "app/heap.h"
#include "app/message_box.h"
#include "app/registry.h"
#include "app/services.h"
#include "install/wininit_file.h"

static const char SESSION_MANAGER_KEY[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
static const char PENDING_MOVES_VALUE[] = "PendingFileRenameOperations";
// The most of a list that is read: a larger one cannot be checked.
enum { PENDING_MOVES_LIMIT = 16 << 20 };

// The registry's list into a block of the process heap (*list, *size
// bytes), null where there is none. 1 when read whole or absent.
static int ReadPendingMoves(char** list, DWORD* size)
{
  *list = nullptr;
  *size = 0;
  HKEY key;
  LONG result = OpenMachineKey(SESSION_MANAGER_KEY, KEY_QUERY_VALUE, &key);
  if (result != ERROR_SUCCESS) return result == ERROR_FILE_NOT_FOUND;
  DWORD need = 0;
  result = RegQueryValueExA(key, PENDING_MOVES_VALUE, nullptr, nullptr, nullptr, &need);
  if (result == ERROR_SUCCESS && need <= PENDING_MOVES_LIMIT &&
      (*list = static_cast<char*>(AllocateBlock(need + 1))) != nullptr) {
    *size = need;
    // A list that grew since it was measured fails here as one that cannot be read.
    result = RegQueryValueExA(key, PENDING_MOVES_VALUE, nullptr, nullptr, reinterpret_cast<BYTE*>(*list), size);
    if (result != ERROR_SUCCESS) {
      FreeBlock(*list);
      *list = nullptr;
    }
  }
  RegCloseKey(key);
  return *list != nullptr || result == ERROR_FILE_NOT_FOUND;
}

static int RefuseUnreadList(const char* list)
{
  static const char TXT_UNREAD_LIST[] =
      "アンインストーラを置く名前を決められません。\n\nWindows の次回起動時に移動・削除されるファイルの一覧 (%s) を読み取れませんでした。";
  char text[sizeof TXT_UNREAD_LIST + sizeof PENDING_MOVES_VALUE];
  wsprintfA(text, TXT_UNREAD_LIST, list);
  return ReportError(text);
}

int MarkPendingPoolNames(const char* folder, bool named[POOL_SIZE])
{
  // WININIT.INI takes short paths.
  char shortFolder[MAX_PATH];
  const DWORD length = GetShortPathNameA(folder, shortFolder, sizeof shortFolder);
  if (length == 0 || length >= sizeof shortFolder) lstrcpyA(shortFolder, folder);
  const char* const forms[] = {folder, shortFolder};
  char* list;
  DWORD size;
  if (!ReadPendingMoves(&list, &size)) return RefuseUnreadList(PENDING_MOVES_VALUE);
  for (const char* form : forms)
    if (list != nullptr) MarkPoolNamesInMoveList(list, size, form, named);
  FreeBlock(list);
  if (!ReadWininit(&list, &size)) return RefuseUnreadList("WININIT.INI");
  for (const char* form : forms)
    if (list != nullptr) MarkPoolNamesInWininit(list, size, form, named);
  FreeBlock(list);
  return 1;
}
