// The file reads and writes of the engine (and the creation of its log) pass through here, so that tests
// can make the n-th call fail with a chosen error and watch the one message
// and the clean failure path that follow.
#pragma once
#include <windows.h>

enum IoKind { IO_READ, IO_WRITE, IO_CREATE, IO_KIND_COUNT };

// ReadFile / WriteFile of a whole request; results as the system's.
BOOL IoReadFile(HANDLE file, void* buffer, DWORD size, DWORD* done);
BOOL IoWriteFile(HANDLE file, const void* buffer, DWORD size, DWORD* done);

// CreateFileA of a file for this process alone; results as the system's.
HANDLE IoCreateFile(const char* path, DWORD access, DWORD disposition, DWORD attributes);

// Reads the first `size` bytes of the open file into buffer, through
// IoReadFile as often as it takes; 1 when all came, else 0 with the
// system's error set (ERROR_HANDLE_EOF when the file ended first).
int IoReadFromStart(HANDLE file, void* buffer, DWORD size);

// CreateFileA of an existing file to read, shared with other readers (no
// seam: no fault is injected here); results as the system's.
HANDLE OpenToRead(const char* path);

// Test seam: the call of that kind after `callsToPass` more successful ones
// fails with `error` (once). A negative count clears the fault.
void IoInjectFault(IoKind kind, int callsToPass, DWORD error);
