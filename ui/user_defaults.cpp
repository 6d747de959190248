// Registry reads for the user page. Values longer than the 79 bytes a field
// holds are cut at a character boundary; a missing value leaves it empty,
// and a field given on the command line keeps its text.
#include "ui/user_defaults.h"
#include "app/registry.h"
#include "app/services.h"
#include "app/sjis.h"
#include "app/state.h"

// Reads a text value into `out` (capacity bytes) unless it holds a text
// already. 1 when the value was read.
static int ReadValue(HKEY key, const char* name, char* out, int capacity)
{
  char value[MAX_PATH];
  DWORD size = sizeof value - 1;
  DWORD type = 0;
  if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) != ERROR_SUCCESS)
    return 0;
  if (out[0] != '\0') return 1;
  value[size] = '\0';
  const size_t fit = SjisFitLength(value, static_cast<size_t>(capacity - 1));
  CopyMemory(out, value, fit);
  out[fit] = '\0';
  // A line break here would become a line of the install log.
  StripControlCharacters(out);
  return 1;
}

void ReadUserDefaults()
{
  HKEY key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\MS Setup (ACME)\\User Info", 0,
                    KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
    const int found = ReadValue(key, "DefName", State.UserName, sizeof State.UserName);
    if (found) ReadValue(key, "DefCompany", State.UserCompany, sizeof State.UserCompany);
    RegCloseKey(key);
    if (found) return;
  }
  if (OpenMachineKey("Software\\Microsoft\\Windows\\CurrentVersion", KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
    ReadValue(key, "RegisteredOwner", State.UserName, sizeof State.UserName);
    ReadValue(key, "RegisteredOrganization", State.UserCompany, sizeof State.UserCompany);
    RegCloseKey(key);
  }
}
