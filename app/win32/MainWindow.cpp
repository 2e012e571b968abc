#include "app/win32/MainWindow.h"

#include <stdexcept>

#include "app/MessageBoxes.h"
#include "app/win32/Boxes.h"
#include "app/win32/Desktop.h"
#include "app/win32/Logo.h"

#include <windows.h>
#include <commctrl.h>

namespace vorn::win32 {

namespace {

constexpr wchar_t WindowClass[] = L"Vorn.SetupZAV";
// The request to end, posted so that it is served when the loop next runs.
constexpr UINT QuitMessage = WM_APP + 1;
// Control identifiers: this plus the control's place in the layout, clear of
// IDOK and IDCANCEL, which the keyboard sends to the window.
constexpr int FirstControlId = 100;

COLORREF Colour(LayoutColour colour, COLORREF fallback) {
  switch (colour) {
    case LayoutColour::ButtonFace: return GetSysColor(COLOR_BTNFACE);
    case LayoutColour::InfoBackground: return GetSysColor(COLOR_INFOBK);
    case LayoutColour::Red: return RGB(0xFF, 0, 0);
    case LayoutColour::Default: break;
  }
  return fallback;
}

}  // namespace

struct MainWindowAccess {
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
      const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<Win32Setup_ZAV*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self) return DefWindowProcW(window, message, wParam, lParam);
    switch (message) {
      case WM_SIZE:
        if (wParam != SIZE_MINIMIZED) self->Arrange(LOWORD(lParam), HIWORD(lParam));
        return 0;
      case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED && lParam) self->Command(LOWORD(wParam), reinterpret_cast<HWND>(lParam));
        return 0;
      case WM_CTLCOLORSTATIC:
      case WM_CTLCOLOREDIT:
        if (reinterpret_cast<HWND>(lParam) == self->log_ && self->logBackground_) {
          const ControlLayout& log = *self->controls_[GetDlgCtrlID(self->log_) - FirstControlId].Layout;
          const HDC dc = reinterpret_cast<HDC>(wParam);
          SetTextColor(dc, Colour(log.Text, GetSysColor(COLOR_WINDOWTEXT)));
          SetBkColor(dc, Colour(log.Background, GetSysColor(COLOR_WINDOW)));
          return reinterpret_cast<LRESULT>(self->logBackground_.get());
        }
        break;
      case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (item->CtlType == ODT_STATIC) {
          const RECT& r = item->rcItem;
          DrawLogo(item->hDC, r.left, r.top, r.right - r.left, r.bottom - r.top, GetSysColor(COLOR_BTNFACE));
          return TRUE;
        }
        break;
      }
      case WM_SETCURSOR:
        if (self->hourglass_) {
          SetCursor(LoadCursorW(nullptr, IDC_WAIT));
          return TRUE;
        }
        break;
      case WM_ACTIVATE: {
        // The focus comes back to the control that had it.
        HWND& lastFocus = self->lastFocus_;
        if (LOWORD(wParam) == WA_INACTIVE) {
          const HWND focus = GetFocus();
          if (focus && IsChild(window, focus)) lastFocus = focus;
        } else if (lastFocus && IsChild(window, lastFocus) && IsWindowVisible(lastFocus)) {
          SetFocus(lastFocus);
          return 0;
        } else if (const HWND first = GetNextDlgTabItem(window, nullptr, FALSE)) {
          SetFocus(first);
          return 0;
        }
        break;
      }
      case WM_CLOSE:
        // While a step runs the window stays up until it returns; the
        // program ends either way.
        if (self->CloseRequested()) ShowWindow(window, SW_HIDE);
        return 0;
      case WM_DPICHANGED: {
        self->ApplyDpi(HIWORD(wParam));
        const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
        SetWindowPos(window, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
      }
      case QuitMessage:
        self->quitReceived_ = true;
        return 0;
      default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
  }
};

namespace {

void RegisterClassOnce() {
  static const bool done = [] {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = &MainWindowAccess::Procedure;
    windowClass.hInstance = ProgramInstance();
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = WindowClass;
    return RegisterClassExW(&windowClass) != 0;
  }();
  (void)done;
}

}  // namespace

Win32Setup_ZAV::Win32Setup_ZAV() {
  InitialiseDesktop();
  RegisterClassOnce();
  const WindowLayout& layout = MainWindowLayout();
  window_.reset(CreateWindowExW(WS_EX_CONTROLPARENT | WS_EX_APPWINDOW, WindowClass, Wide(layout.Caption).c_str(),
                                WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT,
                                layout.DesignClient.Width, layout.DesignClient.Height, nullptr, nullptr,
                                ProgramInstance(), this));
  if (!window_) throw std::runtime_error("The main window could not be created");
  MakeControls();
  ApplyDpi(WindowDpi(window_.get()));
  SizeClientAndCentre(window_.get(), Scaled(layout.DesignClient, dpi_));
  AddKeyboardNavigation(window_.get());
}

Win32Setup_ZAV::~Win32Setup_ZAV() {
  SetHourglass(false);
  if (window_) {
    RemoveKeyboardNavigation(window_.get());
    // The window's last messages no longer reach this half-destroyed object.
    SetWindowLongPtrW(window_.get(), GWLP_USERDATA, 0);
    window_.reset();
  }
}

void Win32Setup_ZAV::MakeControls() {
  const WindowLayout& layout = MainWindowLayout();
  int id = FirstControlId;
  for (const ControlLayout& control : layout.Controls) {
    DWORD style = WS_CHILD | (control.Visible ? WS_VISIBLE : 0) | (control.TakesFocus ? WS_TABSTOP : 0);
    DWORD exStyle = 0;
    const wchar_t* windowClass = L"Static";
    switch (control.Kind) {
      case ControlKind::Button:
        windowClass = L"Button";
        style |= control.Default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
        break;
      case ControlKind::LogPane:
        // Read-only, the vertical scroll bar always there, lines wrapped at the width.
        windowClass = L"Edit";
        style |= ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | ES_NOHIDESEL;
        exStyle |= WS_EX_CLIENTEDGE;
        break;
      case ControlKind::ProgressBar:
        windowClass = PROGRESS_CLASSW;
        break;
      case ControlKind::StatusBar:
        windowClass = STATUSCLASSNAMEW;
        // Placed by the layout like the rest, without a size grip.
        style |= CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER;
        break;
      case ControlKind::Picture:
        style |= SS_OWNERDRAW;
        break;
      case ControlKind::Label:
        style |= SS_LEFT | SS_NOPREFIX;
        break;
      case ControlKind::PasswordEdit:
        windowClass = L"Edit";
        style |= ES_PASSWORD | ES_AUTOHSCROLL;
        exStyle |= WS_EX_CLIENTEDGE;
        break;
    }
    const std::wstring caption = control.Kind == ControlKind::LogPane ? std::wstring() : Wide(control.Caption);
    const HWND child = CreateWindowExW(exStyle, windowClass, caption.c_str(), style, control.Design.Left,
                                       control.Design.Top, control.Design.Width, control.Design.Height, window_.get(),
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ProgramInstance(), nullptr);
    if (!child) throw std::runtime_error("The control " + std::string(control.Name) + " could not be created");
    controls_.push_back({&control, child});
    ++id;
    if (control.Kind == ControlKind::LogPane) {
      log_ = child;
      SendMessageW(child, EM_SETLIMITTEXT, 0, 0);
    } else if (control.Kind == ControlKind::StatusBar) {
      status_ = child;
      SetWindowLongPtrW(child, GWL_STYLE, GetWindowLongPtrW(child, GWL_STYLE) & ~LONG_PTR{SBARS_SIZEGRIP});
    } else if (control.Kind == ControlKind::ProgressBar) {
      // The whole sequence has nine steps; the per-item bar starts at 100.
      auto bar = std::make_unique<ProgressBar>(child, control.Name == "BarrazzaTotale" ? 9 : 100);
      (control.Name == "BarrazzaTotale" ? barrazzaTotale_ : barrazza_) = std::move(bar);
    }
  }
  if (!barrazza_ || !barrazzaTotale_ || !log_ || !status_)
    throw std::logic_error("The main window's layout lacks the log, a bar or the status bar");
  if (const ControlLayout* log = controls_[GetDlgCtrlID(log_) - FirstControlId].Layout)
    logBackground_.reset(CreateSolidBrush(Colour(log->Background, GetSysColor(COLOR_WINDOW))));
}

void Win32Setup_ZAV::ApplyDpi(int dpi) {
  dpi_ = dpi;
  const WindowLayout& layout = MainWindowLayout();
  UniqueFont font = MakeFont(layout.Font, false, dpi);
  UniqueFont bold = MakeFont(layout.Font, true, dpi);
  SendMessageW(window_.get(), WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
  for (const Placed& control : controls_) {
    SendMessageW(control.Window, WM_SETFONT, reinterpret_cast<WPARAM>(control.Layout->Bold ? bold.get() : font.get()),
                 TRUE);
  }
  // The old fonts go once no control uses them.
  font_ = std::move(font);
  boldFont_ = std::move(bold);

  const HINSTANCE instance = ProgramInstance();
  bigIcon_.reset(static_cast<HICON>(
      LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, Scaled(32, dpi), Scaled(32, dpi), LR_DEFAULTCOLOR)));
  smallIcon_.reset(static_cast<HICON>(
      LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, Scaled(16, dpi), Scaled(16, dpi), LR_DEFAULTCOLOR)));
  SendMessageW(window_.get(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_.get()));
  SendMessageW(window_.get(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.get()));

  RECT client{};
  GetClientRect(window_.get(), &client);
  Arrange(client.right, client.bottom);
}

void Win32Setup_ZAV::Arrange(int clientWidth, int clientHeight) {
  const WindowLayout& layout = MainWindowLayout();
  const LayoutSize designClient = Scaled(layout.DesignClient, dpi_);
  HDWP positions = BeginDeferWindowPos(static_cast<int>(controls_.size()));
  for (const Placed& control : controls_) {
    const LayoutRect place =
        Place(Scaled(control.Layout->Design, dpi_), control.Layout->Anchor, designClient, {clientWidth, clientHeight});
    if (positions) {
      positions = DeferWindowPos(positions, control.Window, nullptr, place.Left, place.Top, place.Width, place.Height,
                                 SWP_NOZORDER | SWP_NOACTIVATE);
    } else {
      SetWindowPos(control.Window, nullptr, place.Left, place.Top, place.Width, place.Height,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }
  if (positions) EndDeferWindowPos(positions);
  if (status_) {
    const int edges[] = {Scaled(StatusPanelWidth, dpi_), Scaled(2 * StatusPanelWidth, dpi_)};
    SendMessageW(status_, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(edges));
  }
}

void Win32Setup_ZAV::Show() {
  const HWND window = window_.get();
  if (!shown_) {
    shown_ = true;
    SizeClientAndCentre(window, Scaled(MainWindowLayout().DesignClient, dpi_));
    // The show handler runs before the window appears, as the access dialog
    // must be answered first.
    Shown();
  }
  ShowWindow(window, SW_SHOW);
  SetForegroundWindow(window);
  if (const HWND first = GetNextDlgTabItem(window, nullptr, FALSE)) SetFocus(first);
  UpdateWindow(window);
}

void Win32Setup_ZAV::Command(int id, HWND from) {
  const size_t index = static_cast<size_t>(id - FirstControlId);
  if (id < FirstControlId || index >= controls_.size() || controls_[index].Window != from) return;
  const ControlLayout& control = *controls_[index].Layout;
  if (control.Kind != ControlKind::Button) return;
  if (control.Name == "Button3") {
    Button3Click();
    return;
  }
  for (TStepButton button : {TStepButton::BtnAvanti, TStepButton::BtnDBE, TStepButton::BtnZAV, TStepButton::BtnAlias,
                             TStepButton::AllineaVersione}) {
    if (control.Name == ButtonName(button)) {
      StepButtonClicked(button);
      return;
    }
  }
}

HWND Win32Setup_ZAV::Control(std::string_view name) const {
  for (const Placed& control : controls_) {
    if (control.Layout->Name == name) return control.Window;
  }
  return nullptr;
}

HWND Win32Setup_ZAV::ButtonWindow(TStepButton button) const {
  const HWND control = Control(ButtonName(button));
  if (!control) throw std::out_of_range(std::string("No button ") + ButtonName(button));
  return control;
}

void Win32Setup_ZAV::Click(TStepButton button) {
  const HWND control = ButtonWindow(button);
  SendMessageW(window_.get(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), BN_CLICKED),
               reinterpret_cast<LPARAM>(control));
}

void Win32Setup_ZAV::ClickExit() {
  const HWND control = Control("Button3");
  SendMessageW(window_.get(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), BN_CLICKED),
               reinterpret_cast<LPARAM>(control));
}

// What the steps write to ----------------------------------------------------

void Win32Setup_ZAV::AppendLogLine(const std::string& line) {
  std::wstring text;
  if (GetWindowTextLengthW(log_) > 0) text = L"\r\n";
  for (wchar_t c : Wide(line)) {
    if (c == L'\n') text += L'\r';
    text += c;
  }
  const LRESULT end = GetWindowTextLengthW(log_);
  SendMessageW(log_, EM_SETSEL, static_cast<WPARAM>(end), end);
  SendMessageW(log_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
  SendMessageW(log_, EM_SCROLLCARET, 0, 0);
}

std::string Win32Setup_ZAV::LogText() const {
  std::string text = WindowText(log_);
  std::string lines;
  lines.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    lines += text[i];
  }
  return lines;
}

void Win32Setup_ZAV::SetStatusPanel(int index, const std::string& text) {
  if (index < 0 || index > 1) throw std::out_of_range("Status panel index out of range");
  SendMessageW(status_, SB_SETTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(Wide(text).c_str()));
}

std::string Win32Setup_ZAV::StatusPanel(int index) const {
  if (index < 0 || index > 1) throw std::out_of_range("Status panel index out of range");
  const LRESULT length = LOWORD(SendMessageW(status_, SB_GETTEXTLENGTHW, static_cast<WPARAM>(index), 0));
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  SendMessageW(status_, SB_GETTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(length));
  return Utf8(text);
}

void Win32Setup_ZAV::ShowMessageBox(MessageBoxKind kind, const std::string& text) { ShowStepBox(kind, text); }

void Win32Setup_ZAV::ShowExceptionBox(const std::string& text) { ShowBox(BoxIcon::Error, ApplicationTitle, text); }

void Win32Setup_ZAV::ProcessMessages() { ProcessPendingMessages(); }

void Win32Setup_ZAV::SetHourglass(bool on) {
  if (on == hourglass_) return;
  hourglass_ = on;
  SetCursor(LoadCursorW(nullptr, on ? IDC_WAIT : IDC_ARROW));
}

std::string Win32Setup_ZAV::ButtonCaption(TStepButton button) const { return WindowText(ButtonWindow(button)); }

void Win32Setup_ZAV::SetButtonCaption(TStepButton button, const std::string& caption) {
  SetControlText(ButtonWindow(button), caption);
}

void Win32Setup_ZAV::Repaint() {
  RedrawWindow(window_.get(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void Win32Setup_ZAV::QueueQuit() { PostMessageW(window_.get(), QuitMessage, 0, 0); }

}  // namespace vorn::win32
