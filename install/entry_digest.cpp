// Reading an Uninstall entry's digests (see the header).
#include "install/entry_digest.h"
#include <windows.h>
#include "install/log_format.h"

static void ReadDigest(HKEY entry, const char* name, char text[SHA256_TEXT_BYTES])
{
  DWORD type = 0;
  DWORD size = SHA256_TEXT_BYTES;
  const LONG queried = RegQueryValueExA(entry, name, nullptr, &type, reinterpret_cast<BYTE*>(text), &size);
  if (queried == ERROR_SUCCESS && type == REG_SZ && size >= SHA256_TEXT_BYTES - 1) {
    text[SHA256_TEXT_BYTES - 1] = '\0';
  } else {
    lstrcpyA(text, queried == ERROR_FILE_NOT_FOUND ? "" : "-");
  }
}

void ReadEntryDigests(const char* product, char log[SHA256_TEXT_BYTES], char earlier[SHA256_TEXT_BYTES])
{
  log[0] = earlier[0] = '\0';
  char key[sizeof UNINSTALL_KEY_PATH + 1 + MAX_PATH];
  if (lstrlenA(product) >= MAX_PATH) return;
  wsprintfA(key, "%s\\%s", UNINSTALL_KEY_PATH, product);
  HKEY entry;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_QUERY_VALUE, &entry) != ERROR_SUCCESS) return;
  ReadDigest(entry, LOG_DIGEST_VALUE, log);
  ReadDigest(entry, EARLIER_LOG_DIGEST_VALUE, earlier);
  RegCloseKey(entry);
}
