// Keeps a Wine session's desktop alive between test programs: a hidden
// window and a message loop that ends only with the session.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
  CreateWindowExA(0, "STATIC", "keepalive", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                  GetModuleHandleA(nullptr), nullptr);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
  return 0;
}
