// PNG files of pictures the program takes of its windows: 8-bit RGB, every
// row filtered with "Sub", the image data compressed with zlib.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/win32/Handles.h"

namespace vorn::win32 {

// A picture: width × height pixels, each 0x00RRGGBB, row after row from the top.
struct Picture {
  int Width = 0;
  int Height = 0;
  std::vector<uint32_t> Pixels;
};

// The bytes of the PNG file of the picture.
std::vector<uint8_t> EncodePng(const Picture& picture);

// The window as it is on the screen, frame included when it has one.
Picture CaptureWindow(WindowHandle window);

// Writes the PNG of the window into a host path (beside it, then renamed over,
// so that a failure leaves no half file). False when it cannot.
bool SaveWindowPng(WindowHandle window, const std::string& hostPath);

}  // namespace vorn::win32
