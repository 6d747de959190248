// Registry values as they were before the run wrote them, in a list on the
// heap, the last kept first. A key that a roll-back has removed since is
// made again for a value that was there.
#include "install/kept_values.h"
#include "app/heap.h"

namespace {
struct KeptValue {
  KeptValue* Earlier;  // kept before this one
  HKEY Root;
  bool Existed;
  bool KeyExisted;     // a key the run made goes again once empty
  bool Default;        // the key's default value
  DWORD Type;
  DWORD Size;          // bytes of data
  // Then the key's name, its NUL, the value's name, its NUL, and the data.
};
}  // namespace

static KeptValue* LastKept;

static char* KeyOf(KeptValue* kept) { return reinterpret_cast<char*>(kept + 1); }
static char* NameOf(KeptValue* kept) { return KeyOf(kept) + lstrlenA(KeyOf(kept)) + 1; }
static BYTE* DataOf(KeptValue* kept) { return reinterpret_cast<BYTE*>(NameOf(kept) + lstrlenA(NameOf(kept)) + 1); }

int KeepValue(HKEY root, const char* subKey, const char* name)
{
  HKEY key = nullptr;
  DWORD type = REG_NONE;
  DWORD size = 0;
  LONG found = RegOpenKeyExA(root, subKey, 0, KEY_QUERY_VALUE, &key);
  if (found != ERROR_SUCCESS) key = nullptr;
  if (found == ERROR_SUCCESS) found = RegQueryValueExA(key, name, nullptr, &type, nullptr, &size);
  const bool existed = found == ERROR_SUCCESS;
  const DWORD names = static_cast<DWORD>(lstrlenA(subKey) + 1 + (name != nullptr ? lstrlenA(name) : 0) + 1);
  KeptValue* kept = nullptr;
  // The value may grow between the two questions; it is asked again then.
  for (int attempt = 0; attempt < 3; ++attempt) {
    FreeBlock(kept);
    kept = static_cast<KeptValue*>(AllocateBlock(sizeof(KeptValue) + names + (existed ? size : 0)));
    if (kept == nullptr) break;
    lstrcpyA(KeyOf(kept), subKey);
    lstrcpyA(NameOf(kept), name != nullptr ? name : "");
    DWORD got = size;
    found = existed ? RegQueryValueExA(key, name, nullptr, &type, DataOf(kept), &got) : ERROR_SUCCESS;
    if (found != ERROR_MORE_DATA) {
      size = got;
      break;
    }
    size = got;
  }
  if (key != nullptr) RegCloseKey(key);
  if (kept == nullptr || found != ERROR_SUCCESS) {
    FreeBlock(kept);
    SetLastError(kept == nullptr ? ERROR_NOT_ENOUGH_MEMORY : static_cast<DWORD>(found));
    return 0;
  }
  kept->Earlier = LastKept;
  kept->Root = root;
  kept->Existed = existed;
  kept->KeyExisted = key != nullptr;
  kept->Default = name == nullptr || name[0] == '\0';
  kept->Type = type;
  kept->Size = existed ? size : 0;
  LastKept = kept;
  return 1;
}

static void WriteBack(KeptValue* kept)
{
  HKEY key = nullptr;
  const REGSAM access = KEY_SET_VALUE | KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS;
  const LONG opened = kept->Existed ? RegCreateKeyExA(kept->Root, KeyOf(kept), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                                      access, nullptr, &key, nullptr)
                                    : RegOpenKeyExA(kept->Root, KeyOf(kept), 0, access, &key);
  if (opened != ERROR_SUCCESS) return;
  const char* name = kept->Default ? nullptr : NameOf(kept);
  if (kept->Existed) RegSetValueExA(key, name, 0, kept->Type, DataOf(kept), kept->Size);
  else RegDeleteValueA(key, name);
  char first[2];
  DWORD firstBytes = sizeof first;
  const bool empty = RegEnumValueA(key, 0, first, &firstBytes, nullptr, nullptr, nullptr, nullptr) == ERROR_NO_MORE_ITEMS &&
                     (firstBytes = sizeof first,
                      RegEnumKeyExA(key, 0, first, &firstBytes, nullptr, nullptr, nullptr, nullptr) == ERROR_NO_MORE_ITEMS);
  RegCloseKey(key);
  if (!kept->KeyExisted && empty) RegDeleteKeyA(kept->Root, KeyOf(kept));
}

static void Release(bool giveBack)
{
  while (LastKept != nullptr) {
    KeptValue* kept = LastKept;
    LastKept = kept->Earlier;
    if (giveBack) WriteBack(kept);
    FreeBlock(kept);
  }
}

void GiveBackValues() { Release(true); }

void ForgetValues() { Release(false); }
