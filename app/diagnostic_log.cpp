// The diagnostic log. Its text is the program's own Shift-JIS, which is the
// ANSI code page wherever the program runs. Each line is written through at
// once, so a run that is ended keeps what it logged. The handle is a file
// static rather than a field of State: the uninstaller, which never reaches
// State, shares the message box funnel that writes here.
#include "app/diagnostic_log.h"
#include "app/sjis.h"

static HANDLE LogFile;  // null while no log is open

int OpenDiagnosticLog(const char* path)
{
  HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 0;
  LogFile = file;
  return 1;
}

static void PutLogBytes(const char* bytes, int length)
{
  DWORD written = 0;
  WriteFile(LogFile, bytes, static_cast<DWORD>(length), &written, nullptr);
}

void LogEvent(const char* head, const char* text)
{
  if (LogFile == nullptr) return;
  SYSTEMTIME now;
  GetLocalTime(&now);
  char stamp[32];
  PutLogBytes(stamp, wsprintfA(stamp, "%04u-%02u-%02u %02u:%02u:%02u ", now.wYear, now.wMonth, now.wDay, now.wHour,
                       now.wMinute, now.wSecond));
  PutLogBytes(head, lstrlenA(head));
  // A run of line breaks (a box's blank lines, a system text's CR LF) is one.
  const char* start = text;
  bool written = false, broken = false;
  for (const char* p = text;; p = NextSjisChar(p)) {
    if (*p != '\0' && *p != '\r' && *p != '\n') continue;
    if (p > start) {
      PutLogBytes(broken ? "\r\n    " : ": ", broken ? 6 : 2);
      PutLogBytes(start, static_cast<int>(p - start));
      written = true;
      broken = false;
    }
    if (*p == '\0') break;
    broken = written;
    start = p + 1;
  }
  PutLogBytes("\r\n", 2);
}

void CloseDiagnosticLog(unsigned exitCode)
{
  if (LogFile == nullptr) return;
  char code[16];
  wsprintfA(code, "%u", exitCode);
  LogEvent("終了コード", code);
  CloseHandle(LogFile);
  LogFile = nullptr;
}
