// What every window of the Win32 front end shares: the common controls and
// window classes (made once), the dots per inch a window is drawn at, the
// window font, text conversion at the boundary, and the message loop with
// the keys of a dialog (Tab between controls, Enter on the focused button).
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "app/Layout.h"
#include "app/win32/Handles.h"

namespace vorn::win32 {

// Common controls and the window classes; once per program, before any window.
void InitialiseDesktop();

// UTF-8 to the UTF-16 of the W functions and back.
std::wstring Wide(std::string_view text);
std::string Utf8(std::wstring_view text);
// A control's text.
std::string WindowText(WindowHandle window);
void SetControlText(WindowHandle window, std::string_view text);

// The dots per inch the window is drawn at (the monitor's); 96 without a window.
int WindowDpi(WindowHandle window);
// A design length (pixels at 96 dots per inch) at the given dots per inch.
int Scaled(int length, int dpi);
LayoutRect Scaled(const LayoutRect& rect, int dpi);
LayoutSize Scaled(const LayoutSize& size, int dpi);

// The layout's font at the given dots per inch (Tahoma 8 point: 11 pixels at 96).
UniqueFont MakeFont(const LayoutFont& font, bool bold, int dpi);

// Sizes a top-level window so that its client area has the given size and
// centres it on the work area of the monitor it is on.
void SizeClientAndCentre(WindowHandle window, LayoutSize client);

// Top-level windows whose keys are those of a dialog: Tab and Shift+Tab move
// between their controls, Enter presses the focused button.
void AddKeyboardNavigation(WindowHandle window);
void RemoveKeyboardNavigation(WindowHandle window);

// Processes the messages that are waiting, then returns.
void ProcessPendingMessages();
// Processes messages until done() holds; gives up after timeoutMs (negative:
// never). True when done() holds.
bool RunMessagesUntil(const std::function<bool()>& done, int timeoutMs = -1);

}  // namespace vorn::win32
