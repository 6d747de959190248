// A library planted beside setup.exe under the name of a system library:
// when loaded it leaves "C:\planted-<its name>.txt", which a test looks for.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, void*)
{
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(module, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return TRUE;
  const char* name = path;
  for (const char* p = path; *p != '\0'; p = CharNextA(p))
    if (*p == '\\') name = p + 1;
  char marker[MAX_PATH];
  wsprintfA(marker, "C:\\planted-%.200s.txt", name);
  HANDLE file = CreateFileA(marker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  return TRUE;
}
