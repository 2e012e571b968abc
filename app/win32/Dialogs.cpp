#include "app/win32/Dialogs.h"

#include <cstring>

#include "app/win32/Desktop.h"

#include <windows.h>

namespace vorn::win32 {

namespace {

constexpr wchar_t ProgramDialogProperty[] = L"Vorn.Dialog";
constexpr wchar_t AccessDialogProperty[] = L"Vorn.AccessDialog";

bool IsDialogClass(HWND window) {
  wchar_t className[16] = {};
  GetClassNameW(window, className, 16);
  return lstrcmpW(className, L"#32770") == 0;
}

std::vector<HWND> ThreadWindows() {
  std::vector<HWND> windows;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM list) -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&windows));
  return windows;
}

// A dialog template without controls: the dialog makes them itself.
std::vector<WORD> EmptyTemplate(const std::wstring& caption) {
  std::vector<WORD> words(sizeof(DLGTEMPLATE) / sizeof(WORD), 0);
  DLGTEMPLATE header{};
  header.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFOREGROUND;
  header.dwExtendedStyle = WS_EX_DLGMODALFRAME | WS_EX_APPWINDOW;
  std::memcpy(words.data(), &header, sizeof(header));
  words.push_back(0);  // no menu
  words.push_back(0);  // the standard dialog class
  for (wchar_t c : caption) words.push_back(static_cast<WORD>(c));
  words.push_back(0);
  return words;
}

}  // namespace

struct ModalDialogAccess {
  static INT_PTR CALLBACK Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<ModalDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
    switch (message) {
      case WM_INITDIALOG: {
        self = reinterpret_cast<ModalDialog*>(lParam);
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        self->dialog_ = dialog;
        SetPropW(dialog, ProgramDialogProperty, reinterpret_cast<HANDLE>(1));
        if (self->accessDialog_) SetPropW(dialog, AccessDialogProperty, reinterpret_cast<HANDLE>(1));
        return self->Opened() ? TRUE : FALSE;
      }
      case WM_COMMAND:
        if (self && (HIWORD(wParam) == BN_CLICKED || lParam == 0)) {
          self->Command(LOWORD(wParam));
          return TRUE;
        }
        break;
      case WM_CLOSE:
        if (self) {
          self->Closed();
          return TRUE;
        }
        break;
      case WM_NCDESTROY:
        RemovePropW(dialog, ProgramDialogProperty);
        RemovePropW(dialog, AccessDialogProperty);
        if (self) self->dialog_ = nullptr;
        break;
      default:
        break;
    }
    return FALSE;
  }
};

intptr_t ModalDialog::RunModal(const std::string& caption) {
  // Modal for the whole program, as the message boxes are: the other windows
  // take no input while the dialog is up.
  disabled_.clear();
  for (HWND window : ThreadWindows()) {
    if (IsWindowVisible(window) && IsWindowEnabled(window)) {
      EnableWindow(window, FALSE);
      disabled_.push_back(window);
    }
  }
  const std::vector<WORD> dialogTemplate = EmptyTemplate(Wide(caption));
  const INT_PTR result =
      DialogBoxIndirectParamW(ProgramInstance(), reinterpret_cast<const DLGTEMPLATE*>(dialogTemplate.data()), nullptr,
                              &ModalDialogAccess::Procedure, reinterpret_cast<LPARAM>(this));
  for (HWND window : disabled_) {
    if (IsWindow(window)) EnableWindow(window, TRUE);
  }
  disabled_.clear();
  return result;
}

void ModalDialog::End(intptr_t result) {
  // The other windows first, so that the system activates one of them, not
  // another program's, when the dialog goes.
  for (HWND window : disabled_) {
    if (IsWindow(window)) EnableWindow(window, TRUE);
  }
  disabled_.clear();
  EndDialog(dialog_, result);
}

HWND AddControl(HWND parent, const wchar_t* windowClass, const std::string& text, unsigned long style, int id, int left,
                int top, int width, int height, HFONT font) {
  const HWND control = CreateWindowExW(0, windowClass, Wide(text).c_str(), WS_CHILD | WS_VISIBLE | style, left, top,
                                       width, height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                       ProgramInstance(), nullptr);
  if (control && font) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return control;
}

bool IsProgramDialog(HWND window) { return GetPropW(window, ProgramDialogProperty) != nullptr; }

bool IsAccessDialog(HWND window) { return GetPropW(window, AccessDialogProperty) != nullptr; }

std::vector<std::string> DialogTexts(HWND dialog) {
  std::vector<std::string> texts;
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    wchar_t className[16] = {};
    GetClassNameW(child, className, 16);
    if (lstrcmpiW(className, L"Static") != 0) continue;
    if (std::string text = WindowText(child); !text.empty()) texts.push_back(std::move(text));
  }
  return texts;
}

void TypeIntoDialog(HWND dialog, const std::string& text) {
  const HWND edit = FindWindowExW(dialog, nullptr, L"Edit", nullptr);
  if (!edit) return;
  SetControlText(edit, text);
  SetFocus(edit);
}

namespace {
void PressKey(HWND dialog, WPARAM key) {
  HWND focus = GetFocus();
  if (!focus || (focus != dialog && !IsChild(dialog, focus))) focus = dialog;
  PostMessageW(focus, WM_KEYDOWN, key, 1);
  PostMessageW(focus, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
}
}  // namespace

void PressEnter(HWND dialog) { PressKey(dialog, VK_RETURN); }
void PressEscape(HWND dialog) { PressKey(dialog, VK_ESCAPE); }

HWND ActiveModalWindow() {
  for (HWND window : ThreadWindows()) {
    if (IsDialogClass(window) && IsWindowVisible(window) && IsWindowEnabled(window)) return window;
  }
  return nullptr;
}

}  // namespace vorn::win32
