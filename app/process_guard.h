// What the process settles before it reads anything: no system boxes for
// empty drives, no library from the program's own folder, and the code page
// that every text of the program is written in.
#pragma once
#include <windows.h>

// Turns off the system's critical-error boxes, limits the default DLL
// search to the system folder where the system offers that, and loads from
// there the libraries that the system's own take by name. Returns 0
// after one box (in English and Japanese) when the ANSI code page is not
// 932: the program's texts and its path scans are Shift-JIS.
int GuardProcess();

// Loads a library that is not one of the system's known DLLs from the
// system folder by its full path; null when that fails. The caller frees it.
HMODULE LoadSystemLibrary(const char* name);

// Loads the common controls from the system folder and registers the
// progress bar class. The caller frees the module (null when it failed)
// once no window of that class is left.
HMODULE LoadProgressBarClass();
