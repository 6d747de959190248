// An uninstaller stand-in that records how it was started, as the recorder
// does ("<image>.log": command line and current folder, CR LF each), and
// then stays running while the test holds the event below, so that the
// test can look at the setup program while the roll-back waits for it.
#include <windows.h>
#include "record.h"

// Also named in tests/e2e/rollback_test.cpp.
static const char GATE_EVENT[] = "SetupTestHeldUninstallerGate";
static const DWORD LONGEST_HOLD_MS = 60000;  // never outlive a test that died

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
  if (!RecordStart()) return 1;

  // The test sets the event to let this process end.
  HANDLE gate = OpenEventA(SYNCHRONIZE, FALSE, GATE_EVENT);
  if (gate != nullptr) {
    WaitForSingleObject(gate, LONGEST_HOLD_MS);
    CloseHandle(gate);
  }
  return 0;
}
