// The benchmark's phase clock: a stack of running phases, each span of time
// charged to the innermost, on the high-resolution counter.
#include "app/phase_clock.h"
#ifdef SETUP_PHASE_CLOCK
#include <windows.h>

enum { MAX_DEPTH = 16, LINE_BYTES = 48 };

static const char* const NAMES[PHASE_COUNT] = {"other", "read", "decode", "write", "files", "log", "progress", "pump", "box"};
static LONGLONG Totals[PHASE_COUNT];
static Phase Stack[MAX_DEPTH];
static int Depth;
static LONGLONG Since;

static LONGLONG Now()
{
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}

static void Charge()
{
  const LONGLONG now = Now();
  // Only the install steps' time counts: they open the outermost phase,
  // their own (PHASE_OTHER); a box or a drain of the wizard's does not.
  if (Depth > 0 && Stack[0] == PHASE_OTHER) Totals[Stack[(Depth <= MAX_DEPTH ? Depth : MAX_DEPTH) - 1]] += now - Since;
  Since = now;
}

void EnterPhase(Phase phase)
{
  Charge();
  if (Depth < MAX_DEPTH) Stack[Depth] = phase;
  ++Depth;
}

void LeavePhase()
{
  Charge();
  if (Depth > 0) --Depth;
}

void WritePhaseTimes()
{
  Charge();
  char path[MAX_PATH];
  const DWORD length = GetEnvironmentVariableA("SETUP_PHASE_TIMES", path, sizeof path);
  if (length == 0 || length >= sizeof path) return;
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  char text[PHASE_COUNT * LINE_BYTES];
  int used = 0;
  for (int i = 0; i < PHASE_COUNT; ++i) {
    // In floating point: a 64-bit division would need libgcc, which the
    // engine does not link.
    const int ms = static_cast<int>(static_cast<double>(Totals[i]) * 1000.0 / static_cast<double>(frequency.QuadPart));
    used += wsprintfA(text + used, "phase_%s_ms=%d\r\n", NAMES[i], ms);
  }
  HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, text, static_cast<DWORD>(used), &written, nullptr);
  CloseHandle(file);
}
#endif
