// Screen capture for pixel checks and screenshots; see the header.
#include "tests/support/screen_capture.h"
#include <string>
#include "app/services.h"

BITMAPINFO Info24(int width, int height)
{
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

ScreenCapture CaptureScreen()
{
  ScreenCapture screen;
  screen.Width = GetSystemMetrics(SM_CXSCREEN);
  screen.Height = GetSystemMetrics(SM_CYSCREEN);
  screen.Stride = (screen.Width * 3 + 3) & ~3;
  HDC display = GetDC(nullptr);
  BITMAPINFO info = Info24(screen.Width, screen.Height);
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(display, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC memory = CreateCompatibleDC(display);
  HGDIOBJ previous = SelectObject(memory, dib);
  BitBlt(memory, 0, 0, screen.Width, screen.Height, display, 0, 0, SRCCOPY);
  GdiFlush();
  const unsigned char* bytes = static_cast<const unsigned char*>(bits);
  screen.Bgr.assign(bytes, bytes + static_cast<size_t>(screen.Stride) * screen.Height);
  SelectObject(memory, previous);
  DeleteDC(memory);
  DeleteObject(dib);
  ReleaseDC(nullptr, display);
  return screen;
}

// Writes the screen as a 24-bit bottom-up .bmp into screenshots/.
bool SaveScreenshot(const ScreenCapture& screen, const char* name)
{
  CreateDirectoryA("screenshots", nullptr);
  return SaveScreenshotAs(screen, (std::string("screenshots\\") + name).c_str());
}

bool SaveScreenshotAs(const ScreenCapture& screen, const char* path)
{
  HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const DWORD pixelBytes = static_cast<DWORD>(screen.Stride) * screen.Height;
  BITMAPFILEHEADER head = {};
  head.bfType = 0x4D42;
  head.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
  head.bfSize = head.bfOffBits + pixelBytes;
  BITMAPINFO info = Info24(screen.Width, screen.Height);
  info.bmiHeader.biHeight = screen.Height;
  DWORD written = 0;
  WriteFile(file, &head, sizeof head, &written, nullptr);
  WriteFile(file, &info.bmiHeader, sizeof info.bmiHeader, &written, nullptr);
  for (int row = screen.Height - 1; row >= 0; --row) {
    WriteFile(file, &screen.Bgr[static_cast<size_t>(row) * screen.Stride], screen.Stride, &written,
              nullptr);
  }
  CloseHandle(file);
  return true;
}

// Lets the window paint and reach the display.
void Settle()
{
  for (int round = 0; round < 15; ++round) {
    PumpMessages();
    Sleep(20);
  }
}

