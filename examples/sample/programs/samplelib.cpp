// The sample product's shared library: a version resource and one export,
// installed into the system folder and counted as shared.
#include <windows.h>

extern "C" __declspec(dllexport) int SampleVersion() { return 0x00010200; }

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
