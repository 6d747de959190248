// Reading the screen back for pixel checks, drawing the pictures they are
// compared with, and saving either as a screenshot a person can look at.
#pragma once
#include <windows.h>
#include <functional>
#include <vector>

// 24-bit pixels in top-down rows.
struct ScreenCapture {
  int Width = 0;
  int Height = 0;
  int Stride = 0;
  std::vector<unsigned char> Bgr;

  COLORREF At(int x, int y) const
  {
    const unsigned char* pixel = &Bgr[static_cast<size_t>(y) * Stride + x * 3];
    return RGB(pixel[2], pixel[1], pixel[0]);
  }
};

// What `paint` draws on a width x height 24-bit memory device context.
ScreenCapture Picture(int width, int height, const std::function<void(HDC)>& paint);

// The whole screen, as read back through the screen's device context.
ScreenCapture CaptureScreen();

// Writes the capture as a 24-bit .bmp to `path`; false when it cannot.
bool SaveScreenshotAs(const ScreenCapture& screen, const char* path);

// Lets windows paint and reach the display: pumps and waits a moment.
void Settle();
