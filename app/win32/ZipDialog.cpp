#include "app/win32/ZipDialog.h"

#include <algorithm>

#include "app/MessageBoxes.h"
#include "app/win32/Desktop.h"

#include <windows.h>

namespace vorn::win32 {

namespace {

// Buttons carry their result above this, clear of IDOK and IDCANCEL, which
// the dialog manager sends for Enter and Escape.
constexpr int FirstButtonId = 1000;
constexpr int EditId = 900;

// The system's message font at the given dots per inch.
UniqueFont MessageFont(int dpi) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof(metrics);
  using ForDpi = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);
  static const auto forDpi = reinterpret_cast<ForDpi>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "SystemParametersInfoForDpi")));
  BOOL got = FALSE;
  if (forDpi) got = forDpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0, static_cast<UINT>(dpi));
  if (!got) {
    got = SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    if (got) metrics.lfMessageFont.lfHeight = MulDiv(metrics.lfMessageFont.lfHeight, dpi, WindowDpi(nullptr));
  }
  if (!got) return MakeFont(LayoutFont{}, false, dpi);
  return UniqueFont(CreateFontIndirectW(&metrics.lfMessageFont));
}

}  // namespace

ZipDialog::ZipDialog() : beep_([] { MessageBeep(MB_ICONINFORMATION); }) {}

ZipDialog::~ZipDialog() = default;

std::string ZipDialog::ApplicationTitle() const { return vorn::ApplicationTitle; }

int ZipDialog::Execute(const TZipDialogRequest& request, std::string& password) {
  request_ = &request;
  typed_.clear();
  const intptr_t result = RunModal(request.Title.empty() ? ApplicationTitle() : request.Title);
  request_ = nullptr;
  edit_ = nullptr;
  font_.reset();
  if (request.Kind == TZipDialogKind::Password) password = typed_;
  return result > 0 ? static_cast<int>(result) : ZdrCancel;
}

bool ZipDialog::Opened() {
  const TZipDialogRequest& request = *request_;
  const HWND dialog = Dialog();
  const int dpi = WindowDpi(dialog);
  font_ = MessageFont(dpi);
  SendMessageW(dialog, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);

  // Dialog units from the font: the average width of the letters and the height.
  int baseX = 6, baseY = 13;
  std::wstring text = Wide(request.Text);
  RECT textRect{0, 0, 0, 0};
  std::vector<int> buttonWidths;
  {
    WindowDc dc(dialog);
    Selection selected(dc.Get(), font_.get());
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc.Get(), &metrics);
    SIZE letters{};
    GetTextExtentPoint32W(dc.Get(), L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", 52, &letters);
    baseX = std::max(1, static_cast<int>((letters.cx / 26 + 1) / 2));
    baseY = std::max(1, static_cast<int>(metrics.tmHeight));
    // The text wraps at half the screen's width at most.
    const int maxWidth = GetSystemMetrics(SM_CXSCREEN) / 2;
    textRect = {0, 0, maxWidth, 0};
    DrawTextW(dc.Get(), text.c_str(), static_cast<int>(text.size()), &textRect,
              DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
    for (const TZipDialogButton& button : request.Buttons) {
      const std::wstring caption = Wide(button.Caption);
      RECT captionRect{0, 0, 0, 0};
      DrawTextW(dc.Get(), caption.c_str(), static_cast<int>(caption.size()), &captionRect, DT_CALCRECT | DT_SINGLELINE);
      buttonWidths.push_back(std::max(MulDiv(50, baseX, 4), static_cast<int>(captionRect.right) + 2 * MulDiv(4, baseX, 4)));
    }
  }
  const auto dluX = [baseX](int units) { return MulDiv(units, baseX, 4); };
  const auto dluY = [baseY](int units) { return MulDiv(units, baseY, 8); };
  const int margin = dluX(8), marginY = dluY(8);
  const int iconSide = Scaled(32, dpi);
  const bool withIcon = request.Kind == TZipDialogKind::Information;

  int left = margin;
  if (withIcon) {
    const HWND icon = AddControl(dialog, L"Static", "", SS_ICON | SS_REALSIZEIMAGE, -1, margin, marginY, iconSide,
                                 iconSide, nullptr);
    const HANDLE picture = LoadImageW(nullptr, MAKEINTRESOURCEW(32516) /* IDI_INFORMATION */, IMAGE_ICON, iconSide,
                                      iconSide, LR_SHARED);
    SendMessageW(icon, STM_SETICON, reinterpret_cast<WPARAM>(picture ? picture : LoadIconW(nullptr, IDI_INFORMATION)), 0);
    SetWindowPos(icon, nullptr, margin, marginY, iconSide, iconSide, SWP_NOZORDER | SWP_NOACTIVATE);
    left += iconSide + margin;
  }
  const int textWidth = textRect.right - textRect.left;
  const int textHeight = std::max<int>(textRect.bottom - textRect.top, withIcon ? iconSide : 0);
  AddControl(dialog, L"Static", request.Text, SS_LEFT | SS_NOPREFIX | SS_EDITCONTROL, -1, left, marginY,
             textWidth + 1, textRect.bottom - textRect.top, font_.get());
  int bottom = marginY + textHeight;

  int buttonsWidth = 0;
  for (int width : buttonWidths) buttonsWidth += width;
  if (!buttonWidths.empty()) buttonsWidth += dluX(4) * static_cast<int>(buttonWidths.size() - 1);
  int clientWidth = std::max(left + textWidth, buttonsWidth + margin) + margin;

  if (request.Kind == TZipDialogKind::Password) {
    bottom += dluY(4);
    const int editWidth = std::max(clientWidth - 2 * margin, dluX(150));
    clientWidth = std::max(clientWidth, editWidth + 2 * margin);
    edit_ = AddControl(dialog, L"Edit", "", WS_BORDER | ES_PASSWORD | ES_AUTOHSCROLL | WS_TABSTOP | WS_GROUP, EditId,
                       margin, bottom, editWidth, dluY(12), font_.get());
    SendMessageW(edit_, EM_LIMITTEXT, static_cast<WPARAM>(std::max(request.MaxPasswordLength, 0)), 0);
    bottom += dluY(12);
  }

  bottom += marginY;
  const int buttonHeight = dluY(14);
  int x = (clientWidth - buttonsWidth) / 2;
  HWND defaultButton = nullptr;
  for (size_t i = 0; i < request.Buttons.size(); ++i) {
    const TZipDialogButton& button = request.Buttons[i];
    const bool isDefault = button.Result == request.DefaultResult;
    const HWND push = AddControl(dialog, L"Button", button.Caption,
                                 (isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) | WS_TABSTOP | (i == 0 ? WS_GROUP : 0),
                                 FirstButtonId + button.Result, x, bottom, buttonWidths[i], buttonHeight, font_.get());
    if (isDefault) defaultButton = push;
    x += buttonWidths[i] + dluX(4);
  }
  bottom += buttonHeight + marginY;
  if (defaultButton) SendMessageW(dialog, DM_SETDEFID, static_cast<WPARAM>(GetDlgCtrlID(defaultButton)), 0);
  SizeClientAndCentre(dialog, {clientWidth, bottom});

  if (edit_) {
    SetFocus(edit_);
  } else if (defaultButton) {
    SetFocus(defaultButton);
  }
  // The error dialog sounds as an information box does when it opens.
  if (withIcon && beep_) beep_();
  return false;
}

void ZipDialog::Command(int id) {
  if (!request_) return;
  int result;
  if (id >= FirstButtonId) {
    result = id - FirstButtonId;
  } else if (id == IDCANCEL) {
    result = request_->EscapeResult;  // Escape
  } else if (id == IDOK) {
    result = request_->DefaultResult;  // Enter with no default button
  } else {
    return;
  }
  if (edit_) typed_ = WindowText(edit_);
  End(result);
}

void ZipDialog::Closed() {
  if (edit_) typed_.clear();
  End(ZdrCancel);
}

}  // namespace vorn::win32
