// Folder names from the payload: the macros that stand for the system's
// folders, and the one refusal of a folder name too long for a path. Used
// by the wizard's default folder and by the shared files' destinations.
#include "app/folder_macro.h"
#include "app/message_box.h"

enum { MACRO_LENGTH = 9 };

static const char TXT_TOO_LONG[] = "インストール先フォルダ名が長すぎます。";

int RefuseLongFolder() { return RefuseFolder(TXT_TOO_LONG); }

// True when text begins with the 9 bytes of macro, compared byte for byte.
static bool StartsWithMacro(const char* text, const char* macro)
{
  for (int i = 0; i < MACRO_LENGTH; ++i)
    if (text[i] != macro[i]) return false;  // also stops at text's NUL
  return true;
}

int ExpandFolderMacro(const char* source, char* destination)
{
  char head[MAX_PATH] = "";
  const char* rest = source;
  if (StartsWithMacro(source, "$(SYSDIR)")) {
    GetSystemDirectoryA(head, sizeof head);
    rest = source + MACRO_LENGTH;
  } else if (StartsWithMacro(source, "$(WINDIR)")) {
    GetWindowsDirectoryA(head, sizeof head);
    rest = source + MACRO_LENGTH;
  } else if (StartsWithMacro(source, "$(SYSDRV)")) {
    GetWindowsDirectoryA(head, sizeof head);
    head[1] = '\0';
    rest = source + MACRO_LENGTH;
  }
  if (lstrlenA(head) + lstrlenA(rest) >= MAX_PATH) return RefuseLongFolder();
  lstrcpyA(destination, head);
  lstrcatA(destination, rest);
  return 1;
}
