// An uninstaller stand-in that records how it was started, as the recorder
// does ("<image>.log": command line and current folder, CR LF each), and
// then stays running while the test holds the event below, so that the
// test can look at the setup program while the roll-back waits for it.
#include <windows.h>

// Also named in tests/e2e/rollback_test.cpp.
static const char GATE_EVENT[] = "SetupTestHeldUninstallerGate";
static const DWORD LONGEST_HOLD_MS = 60000;  // never outlive a test that died

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
  char record[MAX_PATH + 8];
  const DWORD length = GetModuleFileNameA(nullptr, record, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return 1;
  lstrcatA(record, ".log");
  char folder[MAX_PATH];
  if (GetCurrentDirectoryA(sizeof folder, folder) == 0) folder[0] = '\0';

  HANDLE file = CreateFileA(record, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  const char* parts[] = {GetCommandLineA(), "\r\n", folder, "\r\n"};
  for (const char* part : parts) {
    DWORD written;
    WriteFile(file, part, lstrlenA(part), &written, nullptr);
  }
  CloseHandle(file);

  // The test sets the event to let this process end.
  HANDLE gate = OpenEventA(SYNCHRONIZE, FALSE, GATE_EVENT);
  if (gate != nullptr) {
    WaitForSingleObject(gate, LONGEST_HOLD_MS);
    CloseHandle(gate);
  }
  return 0;
}
