#include "app/win32/Boxes.h"

#include "app/MessageBoxes.h"
#include "app/win32/Desktop.h"
#include "platform/Shell.h"

#include <windows.h>

namespace vorn::win32 {

namespace {

// The identifier of a message box's text, on every version of Windows.
constexpr int MessageBoxTextId = 0xFFFF;

std::vector<OpenBox>& Open() {
  static std::vector<OpenBox> boxes;
  return boxes;
}

// The program's own dialogs carry this property: they are not message boxes.
constexpr wchar_t ProgramDialogProperty[] = L"Vorn.Dialog";

}  // namespace

void ShowBox(BoxIcon icon, const std::string& caption, const std::string& text) {
  Open().push_back({caption, text, icon});
  const UINT style = MB_OK | MB_TASKMODAL | MB_SETFOREGROUND |
                     (icon == BoxIcon::Error ? MB_ICONERROR : MB_ICONINFORMATION);
  MessageBoxW(nullptr, Wide(text).c_str(), Wide(caption).c_str(), style);
  Open().pop_back();
}

void ShowStepBox(MessageBoxKind kind, const std::string& text) {
  ShowBox(kind == MessageBoxKind::Error ? BoxIcon::Error : BoxIcon::Information, MessageBoxCaption(kind), text);
}

void ShowExceptionBox(const std::string& message) { ShowBox(BoxIcon::Error, ApplicationTitle, WithFullStop(message)); }

const std::vector<OpenBox>& OpenBoxes() { return Open(); }

std::string BoxCaption(HWND box) { return WindowText(box); }

std::string BoxText(HWND box) {
  const HWND text = GetDlgItem(box, MessageBoxTextId);
  return text ? WindowText(text) : std::string();
}

bool IsMessageBox(HWND window) {
  wchar_t className[16] = {};
  GetClassNameW(window, className, 16);
  return lstrcmpW(className, L"#32770") == 0 && !GetPropW(window, ProgramDialogProperty) &&
         GetDlgItem(window, MessageBoxTextId) != nullptr;
}

void AnswerBoxWithOk(HWND box) {
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
}

ShellMessageBoxes::ShellMessageBoxes() {
  SetShellMessagePresenter(
      [](const std::string& caption, const std::string& text) { ShowBox(BoxIcon::Error, caption, text); });
}

ShellMessageBoxes::~ShellMessageBoxes() { SetShellMessagePresenter(nullptr); }

}  // namespace vorn::win32
