// A stand-in uninstaller for tests: it carries the engine's identity and
// records how it was started, appending its command line and current
// folder as two lines to a file beside its own image ("<image>.log").
#include <windows.h>
#include "record.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return RecordStart() ? 0 : 1; }
