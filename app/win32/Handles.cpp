#include "app/win32/Handles.h"

#include <windows.h>

namespace vorn::win32 {

void WindowDestroyer::operator()(HWND window) const {
  if (IsWindow(window)) DestroyWindow(window);
}

void GdiObjectDeleter::operator()(void* object) const { DeleteObject(static_cast<HGDIOBJ>(object)); }

void IconDestroyer::operator()(HICON icon) const { DestroyIcon(icon); }

void MemoryDcDeleter::operator()(HDC dc) const { DeleteDC(dc); }

WindowDc::WindowDc(HWND window, bool wholeWindow)
    : window_(window), dc_(wholeWindow ? GetWindowDC(window) : GetDC(window)) {}

WindowDc::~WindowDc() {
  if (dc_) ReleaseDC(window_, dc_);
}

Selection::Selection(HDC dc, void* object) : dc_(dc), previous_(SelectObject(dc, static_cast<HGDIOBJ>(object))) {}

Selection::~Selection() {
  if (previous_) SelectObject(dc_, static_cast<HGDIOBJ>(previous_));
}

HINSTANCE ProgramInstance() { return GetModuleHandleW(nullptr); }

UniqueBitmap NewPixelBitmap(HDC reference, int width, int height, uint32_t*& pixels) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  UniqueBitmap bitmap(CreateDIBSection(reference, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  pixels = bitmap ? static_cast<uint32_t*>(bits) : nullptr;
  return bitmap;
}

}  // namespace vorn::win32
