#include "app/win32/PasswordDialog.h"

#include <algorithm>

#include "app/Layout.h"
#include "app/win32/Desktop.h"

#include <windows.h>

namespace vorn::win32 {

PasswordDialog::PasswordDialog() { accessDialog_ = true; }

PasswordDialog::~PasswordDialog() = default;

void PasswordDialog::ShowModal() {
  // Runs the dialog's show handler once the dialog is up (Opened).
  RunModal(std::string(PasswordDialogLayout().Caption));
  field_ = nullptr;
  font_.reset();
}

bool PasswordDialog::Opened() {
  const WindowLayout& layout = PasswordDialogLayout();
  const HWND dialog = Dialog();
  const int dpi = WindowDpi(dialog);
  font_ = MakeFont(layout.Font, false, dpi);
  SendMessageW(dialog, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
  HWND defaultButton = nullptr;
  bool firstButton = true;
  for (const ControlLayout& control : layout.Controls) {
    const LayoutRect place = Scaled(control.Design, dpi);
    const DWORD tabStop = control.TakesFocus ? WS_TABSTOP : 0;
    switch (control.Kind) {
      case ControlKind::Label: {
        // As wide as its text needs, on one line: a font wider than the
        // design's would otherwise wrap the prompt out of sight.
        const std::wstring caption = Wide(control.Caption);
        SIZE extent{};
        {
          WindowDc dc(dialog);
          Selection selected(dc.Get(), font_.get());
          GetTextExtentPoint32W(dc.Get(), caption.c_str(), static_cast<int>(caption.size()), &extent);
        }
        AddControl(dialog, L"Static", std::string(control.Caption), SS_LEFTNOWORDWRAP | SS_NOPREFIX, -1, place.Left,
                   place.Top, std::max<int>(place.Width, extent.cx), std::max<int>(place.Height, extent.cy),
                   font_.get());
        break;
      }
      case ControlKind::PasswordEdit:
        field_ = AddControl(dialog, L"Edit", "", WS_BORDER | ES_PASSWORD | ES_AUTOHSCROLL | tabStop | WS_GROUP, 100,
                            place.Left, place.Top, place.Width, place.Height, font_.get());
        SetWindowLongPtrW(field_, GWL_EXSTYLE, GetWindowLongPtrW(field_, GWL_EXSTYLE) | WS_EX_CLIENTEDGE);
        SetWindowPos(field_, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
        SendMessageW(field_, EM_SETPASSWORDCHAR, L'*', 0);
        break;
      case ControlKind::Button: {
        // The default button is OK (Enter), the other the cancel one (Escape).
        const int id = control.Default ? IDOK : IDCANCEL;
        const HWND button =
            AddControl(dialog, L"Button", std::string(control.Caption),
                       (control.Default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) | tabStop | (firstButton ? WS_GROUP : 0),
                       id, place.Left, place.Top, place.Width, place.Height, font_.get());
        firstButton = false;
        if (control.Default) defaultButton = button;
        break;
      }
      default:
        break;
    }
  }
  if (defaultButton) SendMessageW(dialog, DM_SETDEFID, IDOK, 0);
  SizeClientAndCentre(dialog, Scaled(layout.DesignClient, dpi));
  // The dialog's show handler: the field empty and focused.
  PasswordFormShow();
  if (field_) {
    SetWindowTextW(field_, L"");
    SetFocus(field_);
  }
  return false;
}

void PasswordDialog::Command(int id) {
  if (id == IDOK) {
    PasswordOKBtnClick(field_ ? WindowText(field_) : std::string());
    End(IDOK);
  } else if (id == IDCANCEL) {
    PasswordCancelBtnClick();
    End(IDCANCEL);
  }
}

// The frame's close button runs neither handler: EnteredPassword stays as the
// show handler left it, empty.
void PasswordDialog::Closed() { End(IDCANCEL); }

}  // namespace vorn::win32
