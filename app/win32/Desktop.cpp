#include "app/win32/Desktop.h"

#include <algorithm>
#include <chrono>
#include <vector>

#include "platform/win32/Wide.h"

#include <windows.h>
#include <commctrl.h>

namespace vorn::win32 {

namespace {

// Windows 10 (1607) and later know a window's own dots per inch; earlier
// ones have one for the whole desktop.
using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
using AdjustForDpiFunction = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);

template <typename Function>
Function User32Function(const char* name) {
  HMODULE user32 = GetModuleHandleW(L"user32.dll");
  return user32 ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name))) : nullptr;
}

std::vector<HWND>& NavigableWindows() {
  static std::vector<HWND> windows;
  return windows;
}

// The keys of a dialog in a window that is not one. True when the message
// was handled here.
bool TranslateDialogKeys(MSG& message) {
  if (NavigableWindows().empty() || !message.hwnd) return false;
  const HWND root = GetAncestor(message.hwnd, GA_ROOT);
  const auto& windows = NavigableWindows();
  if (std::find(windows.begin(), windows.end(), root) == windows.end()) return false;
  if (message.message == WM_KEYDOWN && message.wParam == VK_RETURN) {
    // Enter presses the focused button, as the space bar does.
    const HWND focus = GetFocus();
    if (focus && IsChild(root, focus) && (SendMessageW(focus, WM_GETDLGCODE, 0, 0) &
                                          (DLGC_BUTTON | DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON))) {
      if ((message.lParam & (1 << 30)) == 0) {  // not an auto-repeat
        SendMessageW(root, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(focus), BN_CLICKED), reinterpret_cast<LPARAM>(focus));
      }
      return true;
    }
    return false;
  }
  if (message.message == WM_KEYDOWN && message.wParam == VK_ESCAPE) return false;
  return IsDialogMessageW(root, &message) != FALSE;
}

void Dispatch(MSG& message) {
  if (TranslateDialogKeys(message)) return;
  TranslateMessage(&message);
  DispatchMessageW(&message);
}

}  // namespace

void InitialiseDesktop() {
  static const bool done = [] {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES | ICC_BAR_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    return true;
  }();
  (void)done;
}

std::wstring Wide(std::string_view text) { return Widen(text); }
std::string Utf8(std::wstring_view text) { return Narrow(text); }

std::string WindowText(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<size_t>(std::max(length, 0)) + 1, L'\0');
  const int got = GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
  text.resize(static_cast<size_t>(std::max(got, 0)));
  return Utf8(text);
}

void SetControlText(HWND window, std::string_view text) { SetWindowTextW(window, Wide(text).c_str()); }

int WindowDpi(HWND window) {
  static const auto getDpiForWindow = User32Function<GetDpiForWindowFunction>("GetDpiForWindow");
  if (window && getDpiForWindow) {
    if (const UINT dpi = getDpiForWindow(window)) return static_cast<int>(dpi);
  }
  WindowDc screen(nullptr);
  const int dpi = screen.Get() ? GetDeviceCaps(screen.Get(), LOGPIXELSY) : 0;
  return dpi > 0 ? dpi : USER_DEFAULT_SCREEN_DPI;
}

int Scaled(int length, int dpi) { return MulDiv(length, dpi, USER_DEFAULT_SCREEN_DPI); }

LayoutRect Scaled(const LayoutRect& rect, int dpi) {
  // Edges scaled, not sizes, so that neighbours stay neighbours.
  const int left = Scaled(rect.Left, dpi);
  const int top = Scaled(rect.Top, dpi);
  return {left, top, Scaled(rect.Left + rect.Width, dpi) - left, Scaled(rect.Top + rect.Height, dpi) - top};
}

LayoutSize Scaled(const LayoutSize& size, int dpi) { return {Scaled(size.Width, dpi), Scaled(size.Height, dpi)}; }

UniqueFont MakeFont(const LayoutFont& font, bool bold, int dpi) {
  LOGFONTW description{};
  description.lfHeight = -MulDiv(font.Points, dpi, 72);
  description.lfWeight = (bold || font.Bold) ? FW_BOLD : FW_NORMAL;
  description.lfCharSet = DEFAULT_CHARSET;
  description.lfQuality = CLEARTYPE_QUALITY;
  const std::wstring face = Wide(font.Face);
  lstrcpynW(description.lfFaceName, face.c_str(), LF_FACESIZE);
  return UniqueFont(CreateFontIndirectW(&description));
}

void SizeClientAndCentre(HWND window, LayoutSize client) {
  static const auto adjustForDpi = User32Function<AdjustForDpiFunction>("AdjustWindowRectExForDpi");
  const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE));
  const DWORD exStyle = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE));
  RECT frame{0, 0, client.Width, client.Height};
  if (adjustForDpi) {
    adjustForDpi(&frame, style, FALSE, exStyle, static_cast<UINT>(WindowDpi(window)));
  } else {
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  }
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor);
  const RECT& work = monitor.rcWork;
  const int left = work.left + (work.right - work.left - width) / 2;
  const int top = work.top + (work.bottom - work.top - height) / 2;
  SetWindowPos(window, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void AddKeyboardNavigation(HWND window) { NavigableWindows().push_back(window); }

void RemoveKeyboardNavigation(HWND window) {
  auto& windows = NavigableWindows();
  windows.erase(std::remove(windows.begin(), windows.end(), window), windows.end());
}

void ProcessPendingMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      // Not ours to take: left for the loop that waits for it.
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    Dispatch(message);
  }
}

bool RunMessagesUntil(const std::function<bool()>& done, int timeoutMs) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done()) {
    DWORD wait = INFINITE;
    if (timeoutMs >= 0) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0) return false;
      wait = static_cast<DWORD>(left);
    }
    MsgWaitForMultipleObjectsEx(0, nullptr, wait, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    MSG message;
    while (!done() && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(message.wParam));
        return done();
      }
      Dispatch(message);
    }
  }
  return true;
}

}  // namespace vorn::win32
