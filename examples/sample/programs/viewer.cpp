// The sample product's program. It has nothing to show; started, it notes
// how it was started (command line and current folder) in "viewer.log"
// beside itself and ends, so that an installation that launches it can be
// checked and is never held up.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
  char log[MAX_PATH + 16];
  const DWORD length = GetModuleFileNameA(nullptr, log, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return 1;
  char* cut = log;
  for (char* p = log; *p != '\0'; p = CharNextA(p))
    if (*p == '\\') cut = p + 1;
  lstrcpyA(cut, "viewer.log");
  char folder[MAX_PATH];
  if (GetCurrentDirectoryA(sizeof folder, folder) == 0) folder[0] = '\0';
  HANDLE file = CreateFileA(log, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  const char* parts[] = {GetCommandLineA(), "\r\n", folder, "\r\n"};
  for (const char* part : parts) {
    DWORD written;
    WriteFile(file, part, lstrlenA(part), &written, nullptr);
  }
  CloseHandle(file);
  return 0;
}
