// Shortcuts to the product on the desktop and in the Start menu's programs
// folder: one pass per folder, each only when the payload carries its
// record, saved through the shell's link object and logged as "SCUT". A
// shortcut path that would not fit its buffer and its log line is refused,
// never cut, since a cut path names another file.
#include "install/shortcuts.h"
#include <windows.h>
#include <shlobj.h>
#include "app/flags.h"
#include "app/message_box.h"
#include "app/services.h"
#include "app/state.h"
#include "app/texts.h"
#include "install/file_reference.h"
#include "install/install_path.h"
#include "install/log.h"
#include "payload/layout.h"
#include "payload/reader.h"
#include "ui/panel.h"

enum {
  SHORTCUT_BLOCKS_PER_STEP = -10,  // one step fills the item meter
  PASS_COUNT = 2,
  SCUT_KEY_LENGTH = 5,             // "SCUT=" before the path
  // The longest shortcut path whose log line still fits.
  SHORTCUT_PATH_LIMIT = LOG_LINE_LIMIT - SCUT_KEY_LENGTH,
  LINK_EXTENSION_LENGTH = 4,
};

static const char LINK_EXTENSION[] = ".lnk";
static const char TXT_SHORTCUT_FAILED[] = "ｼｮｰﾄｶｯﾄ の作成に失敗しました。";

struct ShortcutPass {
  unsigned Flag;     // PayloadFlags bit that says the record is present
  int Folder;        // CSIDL of the special folder
  const char* Word;  // the folder in the item label
};

static const ShortcutPass PASSES[PASS_COUNT] = {
    {PF_DESKTOP_SHORTCUT, CSIDL_DESKTOPDIRECTORY, "ﾃﾞｽｸﾄｯﾌﾟ"},
    {PF_STARTMENU_SHORTCUT, CSIDL_PROGRAMS, "ｽﾀｰﾄ ﾒﾆｭｰ"},
};

// The shortcut file being made; after a save the saved ".lnk" path, kept
// until the next shortcut.
static char ShortcutPath[MAX_PATH];
// COM is initialised once, on the installer's thread, for the rest of the run.
static bool ComStarted;

static int ShortcutFailed() { return ReportError(TXT_SHORTCUT_FAILED); }

// Puts the special folder's path into ShortcutPath. 0 after reporting.
static int FindSpecialFolder(int folder)
{
  IMalloc* allocator = nullptr;
  if (FAILED(SHGetMalloc(&allocator))) return ShortcutFailed();
  int found = 0;
  LPITEMIDLIST list = nullptr;
  if (SHGetSpecialFolderLocation(nullptr, folder, &list) == S_OK) {
    found = SHGetPathFromIDListA(list, ShortcutPath) != FALSE;
    allocator->Free(list);
  }
  allocator->Release();
  return found ? 1 : ShortcutFailed();
}

// Saves a link to `target` with `arguments` as the file `linkName`; nothing
// else of the link is set. 1 when the file was saved.
static int SaveLink(const char* target, const char* arguments, const WCHAR* linkName)
{
  if (!ComStarted) {
    CoInitialize(nullptr);
    ComStarted = true;
  }
  IShellLinkA* link = nullptr;
  HRESULT result = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                    reinterpret_cast<void**>(&link));
  if (SUCCEEDED(result)) {
    // A target that is not installed (yet) gives S_FALSE; the link still names it.
    link->SetPath(target);
    link->SetArguments(arguments);
    IPersistFile* file = nullptr;
    result = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    if (SUCCEEDED(result)) {
      result = file->Save(linkName, TRUE);
      file->Release();
    }
    link->Release();
  }
  return SUCCEEDED(result);
}

// Saves the shortcut `name` of the pass's folder. Returns the ".lnk" path
// (ShortcutPath), or null after reporting.
static const char* CreateShortcut(int pass, const char* target, const char* name, const char* arguments)
{
  if (!FindSpecialFolder(PASSES[pass].Folder)) return nullptr;
  const int length = lstrlenA(ShortcutPath) + 1 + lstrlenA(name) + LINK_EXTENSION_LENGTH;
  if (length > SHORTCUT_PATH_LIMIT) {
    RefuseLongPath(ShortcutPath);
    return nullptr;
  }
  lstrcatA(ShortcutPath, "\\");
  lstrcatA(ShortcutPath, name);
  lstrcatA(ShortcutPath, LINK_EXTENSION);

  WCHAR linkName[MAX_PATH];
  if (MultiByteToWideChar(CP_ACP, 0, ShortcutPath, -1, linkName, MAX_PATH) == 0 ||
      !SaveLink(target, arguments, linkName)) {
    ShortcutFailed();
    return nullptr;
  }
  return ShortcutPath;
}

static void ShowPass(int pass)
{
  wsprintfA(TextBuffer, "%s ｼｮｰﾄｶｯﾄ", PASSES[pass].Word);
  StartItem(TextBuffer, 1, SHORTCUT_BLOCKS_PER_STEP);
}

// One pass: reads its record, saves the shortcut and logs it. A pass whose
// record the payload does not carry reads nothing. 0 after reporting.
static int RunPass(int pass)
{
  if (!(State.PayloadFlags & PASSES[pass].Flag)) return 1;
  // An empty name stands for the product name, which may be one byte longer.
  char name[NAME_CAPACITY];
  if (!ReadShortcutName(name)) return 0;
  if (name[0] == '\0') lstrcpynA(name, State.ProductName, sizeof name);
  // The name becomes a file name: a '\' or ':' would put the link elsewhere.
  if (!IsSafeFileName(name)) return ReportError(TXT_DATA_DAMAGED);
  char target[MAX_PATH];
  if (!ReadFileReference("exe", target)) return 0;
  char arguments[PATH_CAPACITY];
  if (!ReadString(arguments, PATH_CAPACITY)) return 0;

  ShowPass(pass);
  const char* link = CreateShortcut(pass, target, name, arguments);
  if (link == nullptr || !WriteLogLine(LOG_SHORTCUT "%s", link)) return 0;
  AdvanceProgress(ADVANCE_ITEM);
  return 1;
}

int InstallShortcuts()
{
  for (int pass = 0; pass < PASS_COUNT; ++pass)
    if (!RunPass(pass)) return 0;
  return 1;
}
