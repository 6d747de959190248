// The registry calls the engine's programs share; see the header.
#include "app/registry.h"

LONG OpenMachineKey(const char* key, REGSAM access, HKEY* opened)
{
  return RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, access, opened);
}
