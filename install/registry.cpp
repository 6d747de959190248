// The payload's registry list: keys made sure of and values written with the
// payload's own type and bytes, each recorded in the install log. Keys are
// created non-volatile, so that they outlive a restart and the file types'
// keys can be made below them. A key or value that cannot be written is
// reported and the list goes on; only a root name outside the table stops it.
#include "install/registry.h"
#include <windows.h>
#include <cstdint>
#include <cstring>
#include "app/message_box.h"
#include "app/services.h"
#include "app/sjis.h"
#include "app/state.h"
#include "app/texts.h"
#include "install/kept_values.h"
#include "install/log.h"
#include "payload/layout.h"
#include "payload/reader.h"
#include "ui/panel.h"

enum {
  ENTRY_BAR_RANGE = 2,            // two progress calls per entry
  ENTRY_BLOCKS_PER_STEP = -5,    // the two calls fill the item meter
  REGISTRY_TEXT_HEAD = 64,       // room for a box text before the path it quotes
};

struct RootKey {
  const char* LongName;  // matched against the payload, byte for byte
  char ShortName[5];     // shown in the item label only
  HKEY Key;
};

// Looked up in this order; the row without names ends it.
static const RootKey RootKeyTable[] = {
    {"HKEY_CLASSES_ROOT", "HKCR", HKEY_CLASSES_ROOT},
    {"HKEY_CURRENT_USER", "HKCU", HKEY_CURRENT_USER},
    {"HKEY_LOCAL_MACHINE", "HKLM", HKEY_LOCAL_MACHINE},
    {"HKEY_USERS", "HKU", HKEY_USERS},
    {"HKEY_CURRENT_CONFIG", "HKCC", HKEY_CURRENT_CONFIG},
    {"HKEY_DYN_DATA", "HKDD", HKEY_DYN_DATA},
    {"HKEY_PERFORMANCE_DATA", "HKPD", HKEY_PERFORMANCE_DATA},
    {nullptr, "", nullptr},
};

static const char TXT_UNKNOWN_ROOT[] =
    "ﾚｼﾞｽﾄﾘｷｰが読取れませんでした。\n\nｾｯﾄｱｯﾌﾟ ﾌﾟﾛｸﾞﾗﾑ に障害があります。";
static const char TXT_KEY_NOT_WRITTEN[] = "ﾚｼﾞｽﾄﾘｷｰの書込みに失敗しました。\n\n%s";
static const char TXT_KEY_NOT_OPENED[] = "ﾚｼﾞｽﾄﾘｷｰのｵｰﾌﾟﾝに失敗しました。\n\n%s";
static const char TXT_VALUE_NOT_WRITTEN[] = "ﾚｼﾞｽﾄﾘの書込みに失敗しました。\n\n%s";
static_assert(sizeof TXT_KEY_NOT_WRITTEN <= REGISTRY_TEXT_HEAD &&
                  sizeof TXT_KEY_NOT_OPENED <= REGISTRY_TEXT_HEAD &&
                  sizeof TXT_VALUE_NOT_WRITTEN <= REGISTRY_TEXT_HEAD,
              "a registry box text must leave room for a whole path");

// The subject is a key or value name of up to a whole path, so the text
// gets a buffer of its own rather than the 260 bytes of TextBuffer.
static int ReportRegistryFailure(const char* format, const char* subject)
{
  // Other steps hand in their own key names; a longer one is shown up to a
  // character boundary rather than overrun the text.
  char shown[MAX_PATH];
  lstrcpynA(shown, subject, static_cast<int>(SjisFitLength(subject, MAX_PATH - 1)) + 1);
  char text[REGISTRY_TEXT_HEAD + MAX_PATH];
  wsprintfA(text, format, shown);
  return ReportError(text);
}

static const RootKey* FindRootKey(const char* name)
{
  for (const RootKey* row = RootKeyTable; row->LongName != nullptr; ++row)
    if (strcmp(row->LongName, name) == 0) return row;
  return nullptr;
}

// The first or last backslash of text, stepping by character: the trail
// byte of a double-byte character may be 0x5C as well.
static char* FindBackslash(char* text, bool last)
{
  char* found = nullptr;
  for (char* p = text; *p != '\0'; p = const_cast<char*>(NextSjisChar(p))) {
    if (*p != '\\') continue;
    found = p;
    if (!last) break;
  }
  return found;
}

static int CreateRegistryKey(HKEY root, const char* rootName, const char* subKey, HKEY* key)
{
  if (RegCreateKeyExA(root, subKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, key,
                      nullptr) != ERROR_SUCCESS) {
    *key = nullptr;
    return ReportRegistryFailure(TXT_KEY_NOT_WRITTEN, subKey);
  }
  // The key is there whether or not its line can be written; the log tells
  // of its own failure, and the caller still gets the key for its value.
  WriteLogLine(LOG_KEY "%s\\%s", rootName, subKey);
  return 1;
}

// Writes one value: `rest` is split at its last backslash into the key and
// the value name; without one, the value is the root's own default value.
static int SetRegistryValue(const RootKey& root, const char* rest, int type, const unsigned char* data,
                            DWORD length)
{
  char key[MAX_PATH];
  lstrcpynA(key, rest, sizeof key);
  char* cut = FindBackslash(key, true);
  const char* name = nullptr;
  HKEY opened = nullptr;
  if (cut != nullptr) {
    *cut = '\0';
    name = cut + 1;
  }
  // What the value held goes back if the run does not finish, and a key the
  // run makes goes again once empty: the value is kept before its key is
  // created.
  if (!KeepValue(root.Key, cut != nullptr ? key : "", name))
    return ReportRegistryFailure(TXT_VALUE_NOT_WRITTEN, name != nullptr ? name : "");
  if (cut != nullptr && RegCreateKeyExA(root.Key, key, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                                        &opened, nullptr) != ERROR_SUCCESS) {
    return ReportRegistryFailure(TXT_KEY_NOT_OPENED, key);
  }
  const LONG written =
      RegSetValueExA(opened != nullptr ? opened : root.Key, name, 0, static_cast<DWORD>(type), data, length);
  if (opened != nullptr) RegCloseKey(opened);
  if (written != ERROR_SUCCESS) return ReportRegistryFailure(TXT_VALUE_NOT_WRITTEN, name != nullptr ? name : "");
  WriteLogLine(LOG_VALUE "%s\\%s", root.LongName, rest);
  return 1;
}

static void ShowEntry(const RootKey& root, const char* rest)
{
  char label[MAX_PATH];
  // The short name is shorter than the long one the path began with.
  wsprintfA(label, "%s\\%s", root.ShortName, rest);
  StartItem(label, ENTRY_BAR_RANGE, ENTRY_BLOCKS_PER_STEP);
}

int InstallRegistryEntries()
{
  char path[MAX_PATH];
  // One byte more than the longest data: the system looks one byte past a
  // text's count for its NUL, and finds one there, so a text given without
  // its NUL is stored terminated whatever an earlier entry left behind.
  unsigned char data[MAX_REGISTRY_DATA + 1];
  for (;;) {
    // A cancel confirmed during the last entry ends the list here.
    if (InstallCancelled()) return 0;
    ReadListPath(path);
    if (path[0] == '\0') return 1;

    char* rest = FindBackslash(path, false);
    if (rest == nullptr) {
      // Such an entry is key-only in the format: its type byte is all of it.
      ReadByte();
      continue;
    }
    *rest++ = '\0';
    const RootKey* root = FindRootKey(path);
    if (root == nullptr) return ReportError(TXT_UNKNOWN_ROOT);
    ShowEntry(*root, rest);

    int type = 0;
    uint32_t length = 0;
    // Data longer than the format allows is refused there, with its box.
    if (!ReadRegistryValue(&type, &length, data)) return 0;
    data[length] = 0;
    AdvanceProgress(ADVANCE_ITEM);
    if (type == 0) {
      HKEY key;
      if (CreateRegistryKey(root->Key, root->LongName, rest, &key)) RegCloseKey(key);
    } else {
      SetRegistryValue(*root, rest, type, data, length);
    }
    AdvanceProgress(ADVANCE_BOTH);
  }
}
