// The registry calls the engine's programs share: opening a machine-wide
// key and reading a text value whole.
#pragma once
#include <windows.h>

// RegOpenKeyExA of `key` under HKEY_LOCAL_MACHINE with `access`; its result.
LONG OpenMachineKey(const char* key, REGSAM access, HKEY* opened);

// Reads the text value `name` (nullptr: the default value) of `key` into
// out (MAX_PATH bytes), NUL-terminated; 1 when it is there as REG_SZ and
// fits, else 0. Static inline: each unit that reads one keeps its own
// copy, called as a local function (a few bytes less per call on i686).
static inline int ReadRegistryText(HKEY key, const char* name, char* out)
{
  DWORD type = 0;
  DWORD size = MAX_PATH - 1;
  if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(out), &size) != ERROR_SUCCESS ||
      type != REG_SZ)
    return 0;
  out[size] = '\0';
  return 1;
}
