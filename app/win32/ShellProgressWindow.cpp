#include "app/win32/ShellProgressWindow.h"

#include <algorithm>

#include "app/win32/Desktop.h"
#include "app/win32/ProgressBar.h"
#include "platform/Shell.h"

#include <windows.h>
#include <commctrl.h>

namespace vorn::win32 {

namespace {

constexpr wchar_t WindowClass[] = L"Vorn.ShellProgress";
// The bar's scale: the done part in thousandths of the total.
constexpr int BarScale = 1000;
constexpr int ClientWidth = 360, ClientHeight = 64;

LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  // The shell ends its operation by itself: the frame has no close button,
  // and Alt+F4 does nothing.
  if (message == WM_CLOSE) return 0;
  return DefWindowProcW(window, message, wParam, lParam);
}

void RegisterClassOnce() {
  static const bool done = [] {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = &Procedure;
    windowClass.hInstance = ProgramInstance();
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = WindowClass;
    windowClass.hIcon = LoadIconW(ProgramInstance(), MAKEINTRESOURCEW(1));
    return RegisterClassExW(&windowClass) != 0;
  }();
  (void)done;
}

}  // namespace

ShellProgressWindow::ShellProgressWindow() { SetShellProgressWindow(this); }

ShellProgressWindow::~ShellProgressWindow() { SetShellProgressWindow(nullptr); }

void ShellProgressWindow::Make() {
  InitialiseDesktop();
  RegisterClassOnce();
  window_.reset(CreateWindowExW(WS_EX_DLGMODALFRAME, WindowClass, L"", WS_POPUP | WS_CAPTION, CW_USEDEFAULT,
                                CW_USEDEFAULT, ClientWidth, ClientHeight, nullptr, nullptr, ProgramInstance(),
                                nullptr));
  const HWND window = window_.get();
  const int dpi = WindowDpi(window);
  font_ = MakeFont(LayoutFont{}, false, dpi);
  const int margin = Scaled(8, dpi);
  const int width = Scaled(ClientWidth, dpi) - 2 * margin;
  item_ = CreateWindowExW(0, L"Static", L"", WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX | SS_PATHELLIPSIS, margin,
                          margin, width, Scaled(16, dpi), window, nullptr, ProgramInstance(), nullptr);
  SendMessageW(item_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
  const HWND bar = CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE, margin, margin + Scaled(24, dpi),
                                   width, Scaled(16, dpi), window, nullptr, ProgramInstance(), nullptr);
  bar_ = std::make_unique<ProgressBar>(bar, BarScale);
  SizeClientAndCentre(window, Scaled(LayoutSize{ClientWidth, ClientHeight}, dpi));
}

void ShellProgressWindow::Open(const std::string& title) {
  if (!window_) Make();
  SetControlText(window_.get(), title);
  SetControlText(item_, "");
  bar_->SetBusy();
  ShowWindow(window_.get(), SW_SHOWNOACTIVATE);
  UpdateWindow(window_.get());
}

void ShellProgressWindow::Update(const std::string& item, int64_t done, int64_t total) {
  if (!window_) return;
  // The file's name; its folder would make the window as wide as the path.
  const size_t slash = item.find_last_of('\\');
  SetControlText(item_, slash == std::string::npos ? item : item.substr(slash + 1));
  if (total <= 0) {
    bar_->SetBusy();
  } else {
    bar_->SetMax(BarScale);
    bar_->SetPosition(static_cast<int32_t>(std::clamp<int64_t>(done, 0, total) * BarScale / total));
  }
}

void ShellProgressWindow::KeepAlive() { ProcessPendingMessages(); }

void ShellProgressWindow::Close() {
  if (window_) ShowWindow(window_.get(), SW_HIDE);
}

std::string ShellProgressWindow::ItemText() const { return item_ ? WindowText(item_) : std::string(); }

}  // namespace vorn::win32
