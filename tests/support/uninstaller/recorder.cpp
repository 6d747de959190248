// A stand-in uninstaller for tests: it carries the engine's identity and
// records how it was started, appending its command line and current
// folder, CR LF each, to a file beside its own image ("<image>.log").
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
  char record[MAX_PATH + 8], folder[MAX_PATH] = "";
  const DWORD length = GetModuleFileNameA(nullptr, record, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return 1;
  lstrcatA(record, ".log");
  GetCurrentDirectoryA(sizeof folder, folder);
  HANDLE file = CreateFileA(record, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  const char* parts[] = {GetCommandLineA(), "\r\n", folder, "\r\n"};
  for (const char* part : parts) {
    DWORD written;
    WriteFile(file, part, lstrlenA(part), &written, nullptr);
  }
  CloseHandle(file);
  return 0;
}
