// The mutex of one run at a time. Held means opened: the runs ask whether
// it exists, not who owns it, so a process that ended in any way holds it
// no longer. It is never inherited: a program that the setup program starts
// and that outlives it (the product's own) must not keep later runs out.
#include "app/single_run.h"
#include <windows.h>
#include "resources/identity.h"

bool ClaimSingleRun()
{
  // The global name reaches the runs of every logged-on user. Windows 9x
  // and NT 4.0 do not know the prefix, and an ordinary user may not create
  // a global name: the name local to the user's logon serves them.
  SetLastError(ERROR_SUCCESS);
  HANDLE mutex = CreateMutexA(nullptr, FALSE, "Global\\" ENGINE_RUN_MUTEX);
  if (mutex == nullptr) {
    SetLastError(ERROR_SUCCESS);
    mutex = CreateMutexA(nullptr, FALSE, ENGINE_RUN_MUTEX);
  }
  // A mutex the system refuses altogether keeps no run out.
  return mutex == nullptr || GetLastError() != ERROR_ALREADY_EXISTS;
}
