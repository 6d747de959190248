// Create, read and write calls with a fault-injection seam, and the shared
// open of a file to read; see the header.
#include "app/file_io.h"

// Calls of each kind to pass, plus one, before the fault; 0 when none is set.
static int FaultCountdown[IO_KIND_COUNT];
static DWORD FaultError[IO_KIND_COUNT];

void IoInjectFault(IoKind kind, int callsToPass, DWORD error)
{
  FaultCountdown[kind] = callsToPass < 0 ? 0 : callsToPass + 1;
  FaultError[kind] = error;
}

static bool FaultDue(IoKind kind)
{
  if (FaultCountdown[kind] == 0) return false;
  if (--FaultCountdown[kind] > 0) return false;
  SetLastError(FaultError[kind]);
  return true;
}

BOOL IoReadFile(HANDLE file, void* buffer, DWORD size, DWORD* done)
{
  *done = 0;
  if (FaultDue(IO_READ)) return FALSE;
  return ReadFile(file, buffer, size, done, nullptr);
}

BOOL IoWriteFile(HANDLE file, const void* buffer, DWORD size, DWORD* done)
{
  *done = 0;
  if (FaultDue(IO_WRITE)) return FALSE;
  return WriteFile(file, buffer, size, done, nullptr);
}

HANDLE IoCreateFile(const char* path, DWORD access, DWORD disposition, DWORD attributes)
{
  if (FaultDue(IO_CREATE)) return INVALID_HANDLE_VALUE;
  return CreateFileA(path, access, 0, nullptr, disposition, attributes, nullptr);
}

int IoReadFromStart(HANDLE file, void* buffer, DWORD size)
{
  if (SetFilePointer(file, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) return 0;
  DWORD total = 0;
  while (total < size) {
    DWORD got = 0;
    if (!IoReadFile(file, static_cast<char*>(buffer) + total, size - total, &got)) return 0;
    if (got == 0) {
      SetLastError(ERROR_HANDLE_EOF);
      return 0;
    }
    total += got;
  }
  return 1;
}

HANDLE OpenToRead(const char* path)
{
  return CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
}
