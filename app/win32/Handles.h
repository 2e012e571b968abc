// Owners of the Win32 handles the front end makes: windows, GDI objects,
// icons. The handle types are named by their structure tags, which is what
// <windows.h> makes of them, so that no header needs <windows.h>.
#pragma once

#include <cstdint>
#include <memory>
#include <type_traits>

struct HWND__;
struct HFONT__;
struct HBRUSH__;
struct HBITMAP__;
struct HICON__;
struct HDC__;
struct HINSTANCE__;

namespace vorn::win32 {

using WindowHandle = HWND__*;
using FontHandle = HFONT__*;
using BrushHandle = HBRUSH__*;
using BitmapHandle = HBITMAP__*;
using IconHandle = HICON__*;
using DcHandle = HDC__*;

struct WindowDestroyer {
  void operator()(HWND__* window) const;
};
struct GdiObjectDeleter {
  void operator()(void* object) const;  // DeleteObject
};
struct IconDestroyer {
  void operator()(HICON__* icon) const;
};
struct MemoryDcDeleter {
  void operator()(HDC__* dc) const;  // DeleteDC
};

// A window destroyed with its owner (DestroyWindow, children included).
using UniqueWindow = std::unique_ptr<HWND__, WindowDestroyer>;
using UniqueFont = std::unique_ptr<HFONT__, GdiObjectDeleter>;
using UniqueBrush = std::unique_ptr<HBRUSH__, GdiObjectDeleter>;
using UniqueBitmap = std::unique_ptr<HBITMAP__, GdiObjectDeleter>;
using UniqueIcon = std::unique_ptr<HICON__, IconDestroyer>;
using UniqueMemoryDc = std::unique_ptr<HDC__, MemoryDcDeleter>;

// A window's device context, released (ReleaseDC) when it goes.
class WindowDc {
 public:
  // The client area's (GetDC); with wholeWindow, frame included
  // (GetWindowDC). Null: the screen's.
  explicit WindowDc(HWND__* window, bool wholeWindow = false);
  ~WindowDc();
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  HDC__* Get() const { return dc_; }

 private:
  HWND__* window_;
  HDC__* dc_;
};

// Selects an object into a device context and puts the previous one back.
class Selection {
 public:
  Selection(HDC__* dc, void* object);
  ~Selection();
  Selection(const Selection&) = delete;
  Selection& operator=(const Selection&) = delete;

 private:
  HDC__* dc_;
  void* previous_;
};

// A 32-bit top-down bitmap compatible with reference whose pixels
// (0x00RRGGBB, row after row) can be read and written at pixels; null, with
// pixels null, when it cannot be made.
UniqueBitmap NewPixelBitmap(HDC__* reference, int width, int height, uint32_t*& pixels);

// The module the program's windows and resources belong to.
HINSTANCE__* ProgramInstance();

}  // namespace vorn::win32
