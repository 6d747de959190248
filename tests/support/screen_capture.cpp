// Screen capture and drawn pictures for pixel checks; see the header.
#include "tests/support/screen_capture.h"
#include "app/services.h"
#include "tests/support/files.h"

// A 24-bit top-down BITMAPINFO of that size.
static BITMAPINFO Info24(int width, int height)
{
  const DWORD bytes = static_cast<DWORD>((width * 3 + 3) & ~3) * height;
  BITMAPINFO info = {};
  info.bmiHeader = {sizeof info.bmiHeader, width, -height, 1, 24, BI_RGB, bytes, 0, 0, 0, 0};
  return info;
}

ScreenCapture Picture(int width, int height, const std::function<void(HDC)>& paint)
{
  ScreenCapture picture = {width, height, (width * 3 + 3) & ~3, {}};
  HDC display = GetDC(nullptr);
  BITMAPINFO info = Info24(width, height);
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(display, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC memory = CreateCompatibleDC(display);
  HGDIOBJ previous = SelectObject(memory, dib);
  paint(memory);
  GdiFlush();
  const unsigned char* bytes = static_cast<const unsigned char*>(bits);
  picture.Bgr.assign(bytes, bytes + info.bmiHeader.biSizeImage);
  SelectObject(memory, previous);
  DeleteDC(memory);
  DeleteObject(dib);
  ReleaseDC(nullptr, display);
  return picture;
}

ScreenCapture CaptureScreen()
{
  const int width = GetSystemMetrics(SM_CXSCREEN);
  const int height = GetSystemMetrics(SM_CYSCREEN);
  return Picture(width, height, [=](HDC memory) {
    HDC display = GetDC(nullptr);
    BitBlt(memory, 0, 0, width, height, display, 0, 0, SRCCOPY);
    ReleaseDC(nullptr, display);
  });
}

bool SaveScreenshotAs(const ScreenCapture& screen, const char* path)
{
  const BITMAPINFO info = Info24(screen.Width, screen.Height);
  const DWORD offset = sizeof(BITMAPFILEHEADER) + sizeof info.bmiHeader;
  const BITMAPFILEHEADER head = {0x4D42, offset + info.bmiHeader.biSizeImage, 0, 0, offset};
  Bytes file(reinterpret_cast<const BYTE*>(&head), reinterpret_cast<const BYTE*>(&head + 1));
  const BYTE* header = reinterpret_cast<const BYTE*>(&info.bmiHeader);
  file.insert(file.end(), header, header + sizeof info.bmiHeader);
  file.insert(file.end(), screen.Bgr.begin(), screen.Bgr.end());
  return WriteWholeFile(path, file);
}

void Settle()
{
  for (int round = 0; round < 15; ++round) {
    PumpMessages();
    Sleep(20);
  }
}
