// Reading the screen back for pixel checks, and saving it as a screenshot
// that a person can look at.
#pragma once
#include <windows.h>
#include <vector>

// The screen as read back through the screen's device context.
struct ScreenCapture {
  int Width = 0;
  int Height = 0;
  int Stride = 0;
  std::vector<unsigned char> Bgr;  // top-down rows

  COLORREF At(int x, int y) const
  {
    const unsigned char* pixel = &Bgr[static_cast<size_t>(y) * Stride + x * 3];
    return RGB(pixel[2], pixel[1], pixel[0]);
  }
};

// A 24-bit top-down BITMAPINFO of that size.
BITMAPINFO Info24(int width, int height);

ScreenCapture CaptureScreen();

// Writes the capture as a 24-bit .bmp into screenshots\ of the current
// folder (CTest runs Wine tests in the build tree). False when it cannot.
bool SaveScreenshot(const ScreenCapture& screen, const char* name);

// Writes the capture as a 24-bit .bmp to `path`.
bool SaveScreenshotAs(const ScreenCapture& screen, const char* path);

// Lets windows paint and reach the display: pumps and waits a moment.
void Settle();
