// The product's entry under the Uninstall key, as far as the install log
// is concerned: its name, the digests that vouch for the log, and the mark
// of a log left open by a run that was ended.
#include "install/entry.h"
#include "app/registry.h"
#include "app/services.h"
#include "app/sjis.h"
#include "app/state.h"
#include "install/entry_digest.h"
#include "install/install_path.h"
#include "install/log_format.h"

void EntryKey(char* key)
{
  wsprintfA(key, "%s\\%s", UNINSTALL_KEY_PATH, State.ProductName);
}

bool HasEntryName() { return State.ProductName[0] != '\0' && IsSafeFileName(State.ProductName); }

void ReadLogDigests(char log[SHA256_TEXT_BYTES], char earlier[SHA256_TEXT_BYTES])
{
  log[0] = earlier[0] = '\0';
  if (HasEntryName()) ReadEntryDigests(State.ProductName, log, earlier);
}

void StoreLogDigests(const char* log, const char* earlier)
{
  if (!HasEntryName()) return;
  char key[MAX_PATH];
  EntryKey(key);
  HKEY entry;
  if (OpenMachineKey(key, KEY_SET_VALUE, &entry) != ERROR_SUCCESS) return;
  const char* const names[] = {LOG_DIGEST_VALUE, EARLIER_LOG_DIGEST_VALUE};
  const char* const texts[] = {log, earlier};
  // An empty text vouches for nothing: ReadLogDigests takes only a whole digest.
  for (int i = 0; i < 2; ++i)
    RegSetValueExA(entry, names[i], 0, REG_SZ, reinterpret_cast<const BYTE*>(texts[i]), lstrlenA(texts[i]));
  RegCloseKey(entry);
}

static bool EntryMadeForMark;

void MarkLogOpen()
{
  if (!HasEntryName()) return;
  char key[MAX_PATH];
  EntryKey(key);
  HKEY entry;
  DWORD disposition = 0;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, &entry,
                      &disposition) != ERROR_SUCCESS)
    return;
  EntryMadeForMark = disposition == REG_CREATED_NEW_KEY;
  RegSetValueExA(entry, LOG_OPEN_VALUE, 0, REG_SZ, reinterpret_cast<const BYTE*>(State.InstallFolder),
                 lstrlenA(State.InstallFolder) + 1);
  RegCloseKey(entry);
}

void UnmarkLogOpen()
{
  if (!HasEntryName()) return;
  char key[MAX_PATH];
  EntryKey(key);
  HKEY entry;
  if (OpenMachineKey(key, KEY_SET_VALUE | KEY_QUERY_VALUE, &entry) != ERROR_SUCCESS) return;
  RegDeleteValueA(entry, LOG_OPEN_VALUE);
  char name[MAX_PATH];
  const bool registered = ReadRegistryText(entry, "DisplayName", name);
  RegCloseKey(entry);
  // Made for the mark and never registered: nothing else is in it.
  if (EntryMadeForMark && !registered) RegDeleteKeyA(HKEY_LOCAL_MACHINE, key);
  EntryMadeForMark = false;
}

bool LogLeftOpenHere()
{
  if (!HasEntryName()) return false;
  char key[MAX_PATH];
  EntryKey(key);
  HKEY entry;
  if (OpenMachineKey(key, KEY_QUERY_VALUE, &entry) != ERROR_SUCCESS) return false;
  char folder[MAX_PATH];
  const bool here = ReadRegistryText(entry, LOG_OPEN_VALUE, folder) && SameSjisPath(folder, State.InstallFolder);
  RegCloseKey(entry);
  return here;
}
