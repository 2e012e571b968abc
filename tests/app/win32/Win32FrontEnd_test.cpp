// What is Win32's own in the front end: the progress bar control's
// semantics, the layout applied to the real control rectangles after a
// resize, the keys of the main window and of the dialogs (Tab, Enter on the
// focused button, Escape, the frame), the zip component's dialog box, the
// shell's progress window, the picture's PNG and what the manifest gives.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <zlib.h>

#include "app/Frm_PassWord.h"
#include "app/Layout.h"
#include "app/MessageBoxes.h"
#include "app/win32/Desktop.h"
#include "app/win32/MainWindow.h"
#include "app/win32/PasswordDialog.h"
#include "app/win32/Png.h"
#include "app/win32/ProgressBar.h"
#include "app/win32/ShellProgressWindow.h"
#include "app/win32/ZipDialog.h"
#include "tests/app/FrontEndTestSupport.h"
#include "tests/support/ScratchFolder.h"
#include "tests/support/RealWindows.h"

#include <windows.h>
#include <commctrl.h>

namespace vorn::win32 {
namespace {

class Win32Test : public ::testing::Test {
 protected:
  Win32Test() { test::InitialiseFrontEnd(); }
};

// The rectangle of a control in its parent's client area.
LayoutRect RectIn(HWND parent, HWND control) {
  RECT r{};
  GetWindowRect(control, &r);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

LayoutSize ClientSize(HWND window) {
  RECT r{};
  GetClientRect(window, &r);
  return {r.right, r.bottom};
}

void PostKey(HWND target, WPARAM key) {
  PostMessageW(target, WM_KEYDOWN, key, 1);
  PostMessageW(target, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
}

// The progress bar ----------------------------------------------------------

class ProgressBarTest : public Win32Test {
 protected:
  ProgressBarTest() {
    parent_.reset(CreateWindowExW(0, L"Static", L"", WS_POPUP, 0, 0, 200, 40, nullptr, nullptr, nullptr, nullptr));
    control_ = CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE, 0, 0, 200, 20, parent_.get(), nullptr,
                               nullptr, nullptr);
    bar_.emplace(control_);
  }
  UniqueWindow parent_;
  HWND control_ = nullptr;
  std::optional<ProgressBar> bar_;
};

TEST_F(ProgressBarTest, KeepsItsPositionOutsideTheRangeAndShowsItAtTheNearestEnd) {
  ProgressBar& bar = *bar_;
  EXPECT_EQ(bar.Max(), 100);
  EXPECT_EQ(bar.Position(), 0);
  bar.SetMax(9);
  bar.SetPosition(12);
  EXPECT_EQ(bar.Position(), 12);
  EXPECT_EQ(bar.ShownPosition(), 9);
  EXPECT_EQ(bar.ShownMax(), 9);
  bar.SetPosition(-5);
  EXPECT_EQ(bar.Position(), -5);
  EXPECT_EQ(bar.ShownPosition(), 0);
  // A smaller maximum later shows the kept position at its new end.
  bar.SetPosition(50);
  bar.SetMax(20);
  EXPECT_EQ(bar.ShownPosition(), 20);
  // Stepping adds one and may pass the maximum; it never overflows.
  bar.SetPosition(19);
  bar.StepIt();
  bar.StepIt();
  EXPECT_EQ(bar.Position(), 21);
  EXPECT_EQ(bar.ShownPosition(), 20);
  bar.SetPosition(std::numeric_limits<int32_t>::max());
  bar.StepIt();
  EXPECT_EQ(bar.Position(), std::numeric_limits<int32_t>::max());
}

TEST_F(ProgressBarTest, RefusesAMaximumBelowZeroAndShowsZeroAsAnEmptyBar) {
  ProgressBar& bar = *bar_;
  bar.SetMax(9);
  bar.SetPosition(4);
  EXPECT_THROW(bar.SetMax(-1), EInvalidOperation);
  EXPECT_EQ(bar.Max(), 9);
  EXPECT_EQ(bar.ShownPosition(), 4);
  bar.SetMax(0);
  bar.SetPosition(3);
  EXPECT_FALSE(bar.Busy());
  EXPECT_FALSE(bar.ShowsMarquee());
  EXPECT_EQ(bar.Max(), 0);
  EXPECT_EQ(bar.ShownPosition(), 0);
  EXPECT_GT(bar.ShownMax(), 0);  // an empty range would not be an empty bar everywhere
}

TEST_F(ProgressBarTest, IsAMarqueeUntilTheNextMaximum) {
  ProgressBar& bar = *bar_;
  bar.SetBusy();
  EXPECT_TRUE(bar.Busy());
  EXPECT_TRUE(bar.ShowsMarquee());
  bar.SetPosition(70000);
  EXPECT_EQ(bar.Position(), 70000);
  EXPECT_TRUE(bar.ShowsMarquee());
  bar.SetMax(100000);
  EXPECT_FALSE(bar.Busy());
  EXPECT_FALSE(bar.ShowsMarquee());
  EXPECT_EQ(bar.ShownPosition(), 70000);
  EXPECT_EQ(bar.ShownMax(), 100000);
}

// The main window ----------------------------------------------------------

class MainWindowTest : public Win32Test {
 protected:
  test::ScratchFolder scratch_{"vorn_win32_test"};
  Win32Setup_ZAV window_;
};

TEST_F(MainWindowTest, MakesEveryControlOfTheLayoutWhereTheLayoutPutsIt) {
  const WindowLayout& layout = MainWindowLayout();
  const HWND main = window_.Window();
  const int dpi = WindowDpi(main);
  EXPECT_EQ(WindowText(main), layout.Caption);
  EXPECT_EQ(ClientSize(main), Scaled(layout.DesignClient, dpi));
  for (const ControlLayout& control : layout.Controls) {
    SCOPED_TRACE(std::string(control.Name));
    const HWND child = window_.Control(control.Name);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(RectIn(main, child), Scaled(control.Design, dpi));
    const LONG_PTR style = GetWindowLongPtrW(child, GWL_STYLE);
    EXPECT_EQ((style & WS_VISIBLE) != 0, control.Visible);
    EXPECT_EQ((style & WS_TABSTOP) != 0, control.TakesFocus);
    if (control.Kind == ControlKind::Button) {
      EXPECT_EQ(WindowText(child), control.Caption);
    }
  }
  // Tahoma 8 point at the monitor's dots per inch; the log in bold.
  LOGFONTW font{};
  GetObjectW(reinterpret_cast<HGDIOBJ>(SendMessageW(window_.Control("BtnAvanti"), WM_GETFONT, 0, 0)), sizeof(font),
             &font);
  EXPECT_STREQ(font.lfFaceName, L"Tahoma");
  EXPECT_EQ(font.lfHeight, -MulDiv(8, dpi, 72));
  EXPECT_EQ(font.lfWeight, FW_NORMAL);
  GetObjectW(reinterpret_cast<HGDIOBJ>(SendMessageW(window_.Control("MemoSpace"), WM_GETFONT, 0, 0)), sizeof(font),
             &font);
  EXPECT_EQ(font.lfWeight, FW_BOLD);
  // The log: read-only, wrapping (no horizontal scrolling), its vertical
  // scroll bar there from the start.
  const LONG_PTR logStyle = GetWindowLongPtrW(window_.Control("MemoSpace"), GWL_STYLE);
  EXPECT_TRUE(logStyle & ES_READONLY);
  EXPECT_TRUE(logStyle & ES_MULTILINE);
  EXPECT_TRUE(logStyle & WS_VSCROLL);
  EXPECT_FALSE(logStyle & (WS_HSCROLL | ES_AUTOHSCROLL));
  // Two status panels of 300 pixels each, edge to edge from the left.
  int edges[3] = {};
  EXPECT_EQ(SendMessageW(window_.Control("StatusBar1"), SB_GETPARTS, 3, reinterpret_cast<LPARAM>(edges)), 2);
  EXPECT_EQ(edges[0], Scaled(StatusPanelWidth, dpi));
  EXPECT_EQ(edges[1], Scaled(2 * StatusPanelWidth, dpi));
  EXPECT_EQ(window_.Barrazza().Max(), 100);
  EXPECT_EQ(window_.BarrazzaTotale().Max(), 9);
  // The log's text red on the desktop's tooltip colour, painted with the brush the window gives.
  const UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
  const auto brush = reinterpret_cast<HBRUSH>(SendMessageW(main, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.get()),
                                                           reinterpret_cast<LPARAM>(window_.Control("MemoSpace"))));
  ASSERT_NE(brush, nullptr);
  EXPECT_EQ(GetTextColor(dc.get()), RGB(0xFF, 0, 0));
  EXPECT_EQ(GetBkColor(dc.get()), GetSysColor(COLOR_INFOBK));
  LOGBRUSH painted{};
  GetObjectW(brush, sizeof(painted), &painted);
  EXPECT_EQ(painted.lbColor, GetSysColor(COLOR_INFOBK));
}

TEST_F(MainWindowTest, ControlsFollowTheirAnchorsWhenTheWindowIsResized) {
  const WindowLayout& layout = MainWindowLayout();
  const HWND main = window_.Window();
  const int dpi = WindowDpi(main);
  for (const LayoutSize grown : {LayoutSize{900, 500}, LayoutSize{500, 200}, Scaled(layout.DesignClient, dpi)}) {
    SCOPED_TRACE(std::to_string(grown.Width) + "x" + std::to_string(grown.Height));
    RECT frame{0, 0, grown.Width, grown.Height};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(main, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(main, GWL_EXSTYLE)));
    SetWindowPos(main, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top, SWP_NOMOVE | SWP_NOZORDER);
    const LayoutSize client = ClientSize(main);
    for (const ControlLayout& control : layout.Controls) {
      SCOPED_TRACE(std::string(control.Name));
      EXPECT_EQ(RectIn(main, window_.Control(control.Name)),
                Place(Scaled(control.Design, dpi), control.Anchor, Scaled(layout.DesignClient, dpi), client));
    }
  }
  // Grown by 100 x 50: the log grows, the bottom-right buttons follow the corner.
  const LayoutRect logBefore = RectIn(main, window_.Control("MemoSpace"));
  const LayoutRect exitBefore = RectIn(main, window_.Control("Button3"));
  RECT frame{};
  GetWindowRect(main, &frame);
  SetWindowPos(main, nullptr, 0, 0, frame.right - frame.left + 100, frame.bottom - frame.top + 50,
               SWP_NOMOVE | SWP_NOZORDER);
  const LayoutRect logAfter = RectIn(main, window_.Control("MemoSpace"));
  const LayoutRect exitAfter = RectIn(main, window_.Control("Button3"));
  EXPECT_EQ(logAfter.Width, logBefore.Width + 100);
  EXPECT_EQ(logAfter.Height, logBefore.Height + 50);
  EXPECT_EQ(exitAfter.Left, exitBefore.Left + 100);
  EXPECT_EQ(exitAfter.Top, exitBefore.Top + 50);
  EXPECT_EQ(exitAfter.Width, exitBefore.Width);
}

TEST_F(MainWindowTest, LogLinesStayLinesAndTheStatusPanelsHoldTheirTexts) {
  window_.AddLogLine(" uno");
  window_.AddLogLine(" due è già");
  const std::string log = window_.LogText();
  ASSERT_EQ(log.size(), std::string("00.00.00 uno\n00.00.00 due è già").size());
  EXPECT_EQ(log.substr(8, 4), " uno");
  EXPECT_EQ(log[12], '\n');
  EXPECT_EQ(log.substr(21), " due è già");
  window_.SetStatusPanel(0, "Total size: 3 Kb");
  window_.SetStatusPanel(1, "7 files");
  EXPECT_EQ(window_.StatusPanel(0), "Total size: 3 Kb");
  EXPECT_EQ(window_.StatusPanel(1), "7 files");
  EXPECT_THROW(window_.SetStatusPanel(2, "x"), std::out_of_range);
  window_.SetButtonCaption(TStepButton::BtnAvanti, "Fine");
  EXPECT_EQ(window_.ButtonCaption(TStepButton::BtnAvanti), "Fine");
  EXPECT_EQ(WindowText(window_.Control("BtnAvanti")), "Fine");
}

TEST_F(MainWindowTest, TabMovesBetweenTheButtonsAndEnterPressesTheFocusedOne) {
  std::vector<TStepButton> pressed;
  for (TStepButton button : {TStepButton::BtnAvanti, TStepButton::BtnDBE, TStepButton::BtnZAV}) {
    window_.InstallStep(button, [&pressed](TStepButton sender) { pressed.push_back(sender); });
  }
  EnteredPassword = AccessPassword;
  ShowWindow(window_.Window(), SW_SHOW);
  SetForegroundWindow(window_.Window());
  SetFocus(window_.Control("BtnAvanti"));
  ProcessPendingMessages();
  ASSERT_EQ(GetFocus(), window_.Control("BtnAvanti"));

  // Tab order: BtnAvanti, Button3, BtnDBE, BtnZAV, ...
  for (const char* next : {"Button3", "BtnDBE", "BtnZAV"}) {
    PostKey(GetFocus(), VK_TAB);
    ProcessPendingMessages();
    EXPECT_EQ(GetFocus(), window_.Control(next)) << next;
  }
  PostKey(GetFocus(), VK_RETURN);
  ProcessPendingMessages();
  EXPECT_EQ(pressed, std::vector<TStepButton>{TStepButton::BtnZAV});
  // Escape in the main window does nothing at all.
  PostKey(GetFocus(), VK_ESCAPE);
  ProcessPendingMessages();
  EXPECT_FALSE(window_.TerminateRequested());
  EXPECT_EQ(pressed.size(), 1u);
}

TEST_F(MainWindowTest, TheFrameClosesTheWindowAndEndsTheProgramOnlyOnceNoStepRuns) {
  EnteredPassword = AccessPassword;
  bool closedDuringStep = false;
  window_.InstallStep(TStepButton::BtnZAV, [&](TStepButton) {
    SendMessageW(window_.Window(), WM_CLOSE, 0, 0);
    closedDuringStep = IsWindowVisible(window_.Window()) != FALSE;
  });
  ShowWindow(window_.Window(), SW_SHOW);
  window_.Click(TStepButton::BtnZAV);
  EXPECT_TRUE(closedDuringStep);  // still up while the step ran
  EXPECT_TRUE(window_.TerminateRequested());
  EXPECT_EQ(test::RunMessageLoop(window_, 5000), 0);

  Win32Setup_ZAV idle;
  ShowWindow(idle.Window(), SW_SHOW);
  SendMessageW(idle.Window(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindowVisible(idle.Window()));
  EXPECT_EQ(test::RunMessageLoop(idle, 5000), 0);
}

TEST_F(MainWindowTest, TheHourglassIsTheWaitCursorOverTheWindow) {
  window_.SetHourglass(true);
  EXPECT_TRUE(window_.Hourglass());
  EXPECT_TRUE(SendMessageW(window_.Window(), WM_SETCURSOR, reinterpret_cast<WPARAM>(window_.Window()),
                           MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_WAIT));
  window_.SetHourglass(false);
  EXPECT_FALSE(window_.Hourglass());
}

TEST_F(MainWindowTest, ThePictureOfTheWindowIsAPngOfItsSize) {
  window_.AddLogLine(" una riga");
  ShowWindow(window_.Window(), SW_SHOW);
  ProcessPendingMessages();
  const std::filesystem::path file = scratch_.Root() / "window.png";
  ASSERT_TRUE(SaveWindowPng(window_.Window(), file.string()));
  std::ifstream in(file, std::ios::binary);
  const std::string png((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  RECT frame{};
  GetWindowRect(window_.Window(), &frame);
  ASSERT_GT(png.size(), 33u);
  EXPECT_EQ(png.substr(1, 3), "PNG");
  const auto be32 = [&png](size_t at) {
    return (uint32_t(uint8_t(png[at])) << 24) | (uint32_t(uint8_t(png[at + 1])) << 16) |
           (uint32_t(uint8_t(png[at + 2])) << 8) | uint8_t(png[at + 3]);
  };
  EXPECT_EQ(be32(16), static_cast<uint32_t>(frame.right - frame.left));
  EXPECT_EQ(be32(20), static_cast<uint32_t>(frame.bottom - frame.top));
  EXPECT_FALSE(std::filesystem::exists(file.string() + ".part"));
}

// The access dialog ----------------------------------------------------------

// Shows the dialog; once it is up, act() drives it.
template <typename Action>
void RunAccessDialog(PasswordDialog& dialog, Action act) {
  bool acted = false;
  const test::ModalAnswerer answerer([&](const std::string& caption) {
    EXPECT_EQ(caption, "Password Dialog");
    if (!acted) {
      acted = true;
      act(dialog);
    }
  });
  dialog.ShowModal();
  EXPECT_TRUE(acted);
  EXPECT_EQ(dialog.Window(), nullptr);
}

class PasswordDialogTest : public Win32Test {
 protected:
  PasswordDialogTest() { EnteredPassword = "left over"; }
  PasswordDialog dialog_;
};

TEST_F(PasswordDialogTest, EnterPressesOkWithWhatWasTypedMaskedWithAsterisks) {
  RunAccessDialog(dialog_, [](PasswordDialog& d) {
    const HWND field = d.Field();
    EXPECT_EQ(GetFocus(), field);
    EXPECT_EQ(WindowText(field), "");  // emptied when shown
    EXPECT_EQ(SendMessageW(field, EM_GETPASSWORDCHAR, 0, 0), L'*');
    const int dpi = WindowDpi(d.Window());
    EXPECT_EQ(ClientSize(d.Window()), Scaled(PasswordDialogLayout().DesignClient, dpi));
    EXPECT_EQ(RectIn(d.Window(), field), Scaled(ControlNamed(PasswordDialogLayout(), "Password").Design, dpi));
    SetControlText(field, "quimbel ");
    PostKey(field, VK_RETURN);
  });
  EXPECT_EQ(EnteredPassword, "quimbel ");
}

TEST_F(PasswordDialogTest, EscapeAndAnnullaAndTheFrameLeaveThePasswordEmpty) {
  RunAccessDialog(dialog_, [](PasswordDialog& d) {
    SetControlText(d.Field(), "quimbel");
    PostKey(d.Field(), VK_ESCAPE);
  });
  EXPECT_EQ(EnteredPassword, "");

  // Enter on the focused "Annulla" presses it, as on every Windows dialog.
  RunAccessDialog(dialog_, [](PasswordDialog& d) {
    SetControlText(d.Field(), "quimbel");
    PostKey(d.Field(), VK_TAB);     // to OK
    PostKey(d.Field(), VK_TAB);     // to Annulla
    PostKey(d.Field(), VK_RETURN);  // the focused button
  });
  EXPECT_EQ(EnteredPassword, "");

  RunAccessDialog(dialog_, [](PasswordDialog& d) {
    SetControlText(d.Field(), "quimbel");
    PostMessageW(d.Window(), WM_CLOSE, 0, 0);
  });
  EXPECT_EQ(EnteredPassword, "");
}

// The zip component's dialog -------------------------------------------------

TZipDialogRequest Request(TZipDialogKind kind, TZipDialogButtons buttons, std::string text) {
  TZipDialogRequest request;
  request.Title = kind == TZipDialogKind::Password ? "Password" : "";
  request.Text = std::move(text);
  request.Kind = kind;
  const char* captions[] = {"&Yes", "&No", "&OK", "&Cancel", "&Abort", "&Retry", "&Ignore", "CancelAll", "NoToAll",
                            "YesToAll"};
  for (const TZipButtonSpec& button : ZipDialogButtonSpecs(buttons)) {
    int bit = 0;
    while ((1u << bit) != button.Bit) ++bit;
    request.Buttons.push_back({captions[bit], button.Result});
  }
  request.DefaultResult = ZipDialogDefaultResult(buttons);
  request.EscapeResult = ZipDialogEscapeResult(buttons);
  return request;
}

struct ZipAnswer {
  const char* Name;
  TZipDialogButtons Buttons;
  int Key;  // VK_RETURN, VK_ESCAPE, or 0 for the frame
  int Expected;
};

class ZipDialogTest : public Win32Test, public ::testing::WithParamInterface<ZipAnswer> {};

TEST_P(ZipDialogTest, AnswersAsTheRequestSays) {
  const ZipAnswer& answer = GetParam();
  ZipDialog dialog;
  int beeps = 0;
  dialog.SetBeep([&beeps] { ++beeps; });
  const TZipDialogRequest request = Request(TZipDialogKind::Information, answer.Buttons, "Invalid zip entry!");
  std::string password = "unchanged";
  std::string caption;
  std::vector<LayoutRect> buttons;
  int clientWidth = 0;
  const test::ModalAnswerer answerer([&](const std::string& shown) {
    caption = shown;
    const HWND box = GetActiveWindow();
    clientWidth = ClientSize(box).Width;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
      wchar_t kind[16] = {};
      GetClassNameW(child, kind, 16);
      if (lstrcmpiW(kind, L"Button") == 0) buttons.push_back(RectIn(box, child));
    }
    if (answer.Key) {
      PostKey(GetFocus(), static_cast<WPARAM>(answer.Key));
    } else {
      PostMessageW(box, WM_CLOSE, 0, 0);
    }
  });
  EXPECT_EQ(dialog.Execute(request, password), answer.Expected);
  EXPECT_EQ(caption, ApplicationTitle);  // a box without a title of its own
  EXPECT_EQ(beeps, 1);
  EXPECT_EQ(password, "unchanged");
  // One row, centred: the same top, the gaps equal on both sides.
  ASSERT_EQ(buttons.size(), request.Buttons.size());
  for (const LayoutRect& button : buttons) EXPECT_EQ(button.Top, buttons.front().Top);
  const int leftGap = buttons.front().Left;
  const int rightGap = clientWidth - (buttons.back().Left + buttons.back().Width);
  EXPECT_LE(std::abs(leftGap - rightGap), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, ZipDialogTest,
    ::testing::Values(ZipAnswer{"OkEnter", ZdbOK, VK_RETURN, ZdrOK}, ZipAnswer{"OkEscape", ZdbOK, VK_ESCAPE, ZdrOK},
                      ZipAnswer{"OkFrame", ZdbOK, 0, ZdrCancel},
                      ZipAnswer{"YesNoEnter", ZdbYes | ZdbNo, VK_RETURN, ZdrYes},
                      ZipAnswer{"YesNoEscape", ZdbYes | ZdbNo, VK_ESCAPE, ZdrNo},
                      ZipAnswer{"RetryCancelEscape", ZdbRetry | ZdbCancel, VK_ESCAPE, ZdrCancel},
                      ZipAnswer{"RetryCancelEnter", ZdbRetry | ZdbCancel, VK_RETURN, ZdrRetry}),
    [](const ::testing::TestParamInfo<ZipAnswer>& info) { return std::string(info.param.Name); });

TEST_F(Win32Test, TheZipPasswordDialogReturnsTheMaskedTextSilently) {
  ZipDialog dialog;
  int beeps = 0;
  dialog.SetBeep([&beeps] { ++beeps; });
  TZipDialogRequest request = Request(TZipDialogKind::Password, ZdbOK | ZdbCancel | ZdbAll, "Enter Password ");
  request.MaxPasswordLength = 5;
  std::string caption;
  const test::ModalAnswerer answerer([&](const std::string& shown) {
    caption = shown;
    const HWND box = GetActiveWindow();
    const HWND edit = FindWindowExW(box, nullptr, L"Edit", nullptr);
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(GetFocus(), edit);
    EXPECT_TRUE(GetWindowLongPtrW(edit, GWL_STYLE) & ES_PASSWORD);
    EXPECT_EQ(SendMessageW(edit, EM_GETLIMITTEXT, 0, 0), 5);
    test::ModalAnswerer::TypeIntoOpenDialog("segr");
    test::ModalAnswerer::PressEnterInOpenDialog();
  });
  std::string password;
  EXPECT_EQ(dialog.Execute(request, password), ZdrOK);
  EXPECT_EQ(caption, "Password");
  EXPECT_EQ(password, "segr");
  EXPECT_EQ(beeps, 0);
}

// The shell's progress window ------------------------------------------------

TEST_F(Win32Test, TheShellProgressWindowShowsTheItemAndTheShareDone) {
  ShellProgressWindow window;
  window.Open("Copying...");
  ASSERT_NE(window.Window(), nullptr);
  EXPECT_TRUE(IsWindowVisible(window.Window()));
  EXPECT_EQ(WindowText(window.Window()), "Copying...");
  EXPECT_TRUE(window.Bar().ShowsMarquee());
  window.Update("C:\\VornZAV\\ArchiviVuoti\\Pazienti.db", 250, 1000);
  EXPECT_EQ(window.ItemText(), "Pazienti.db");
  EXPECT_FALSE(window.Bar().ShowsMarquee());
  EXPECT_EQ(window.Bar().ShownPosition(), 250);
  window.Update("C:\\x", 5, 0);  // total not known
  EXPECT_TRUE(window.Bar().ShowsMarquee());
  window.KeepAlive();
  window.Close();
  EXPECT_FALSE(IsWindowVisible(window.Window()));
}

// The PNG encoder --------------------------------------------------------------

// Reads a PNG back: the chunks and their CRCs, the inflated rows unfiltered.
Picture DecodePng(const std::vector<uint8_t>& png) {
  const auto be32 = [&png](size_t at) {
    return (uint32_t(png.at(at)) << 24) | (uint32_t(png.at(at + 1)) << 16) | (uint32_t(png.at(at + 2)) << 8) |
           png.at(at + 3);
  };
  EXPECT_EQ(std::vector<uint8_t>(png.begin(), png.begin() + 8),
            (std::vector<uint8_t>{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}));
  Picture picture;
  std::vector<uint8_t> data;
  std::vector<std::string> chunks;
  for (size_t at = 8; at + 12 <= png.size();) {
    const uint32_t length = be32(at);
    const std::string type(png.begin() + static_cast<long>(at) + 4, png.begin() + static_cast<long>(at) + 8);
    chunks.push_back(type);
    const uLong crc = crc32(0, png.data() + at + 4, 4 + length);
    EXPECT_EQ(be32(at + 8 + length), crc) << type;
    if (type == "IHDR") {
      picture.Width = static_cast<int>(be32(at + 8));
      picture.Height = static_cast<int>(be32(at + 12));
      EXPECT_EQ(png[at + 16], 8);  // bits
      EXPECT_EQ(png[at + 17], 2);  // RGB
    } else if (type == "IDAT") {
      data.insert(data.end(), png.begin() + static_cast<long>(at) + 8,
                  png.begin() + static_cast<long>(at) + 8 + length);
    }
    at += 12 + length;
  }
  EXPECT_EQ(chunks, (std::vector<std::string>{"IHDR", "IDAT", "IEND"}));
  const size_t stride = 1 + 3 * static_cast<size_t>(picture.Width);
  std::vector<uint8_t> raw(stride * static_cast<size_t>(picture.Height));
  uLongf rawSize = static_cast<uLongf>(raw.size());
  EXPECT_EQ(uncompress(raw.data(), &rawSize, data.data(), static_cast<uLong>(data.size())), Z_OK);
  EXPECT_EQ(rawSize, raw.size());
  for (int y = 0; y < picture.Height; ++y) {
    uint8_t* row = raw.data() + stride * static_cast<size_t>(y);
    EXPECT_EQ(row[0], 1);  // Sub
    for (size_t i = 4; i < stride; ++i) row[i] = static_cast<uint8_t>(row[i] + row[i - 3]);
    for (int x = 0; x < picture.Width; ++x) {
      const uint8_t* p = row + 1 + 3 * static_cast<size_t>(x);
      picture.Pixels.push_back((uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2]);
    }
  }
  return picture;
}

TEST(PngTest, ReadsBackAsThePictureItWasMadeOf) {
  for (const auto& [width, height] : {std::pair{1, 1}, std::pair{3, 2}, std::pair{257, 33}}) {
    Picture picture{width, height, {}};
    uint32_t seed = 12345;
    for (int i = 0; i < width * height; ++i) {
      seed = seed * 1103515245u + 12345u;
      picture.Pixels.push_back((seed >> 8) & 0xFFFFFF);
    }
    const Picture back = DecodePng(EncodePng(picture));
    EXPECT_EQ(back.Width, width);
    EXPECT_EQ(back.Height, height);
    EXPECT_EQ(back.Pixels, picture.Pixels);
  }
  EXPECT_THROW(EncodePng(Picture{2, 2, {0, 0, 0}}), std::invalid_argument);
  EXPECT_THROW(EncodePng(Picture{0, 0, {}}), std::invalid_argument);
}

// What the manifest gives ----------------------------------------------------

TEST_F(Win32Test, TheManifestMakesUtf8TheCodePageAndTheProgramAwareOfEachMonitorsDpi) {
  EXPECT_EQ(GetACP(), 65001u);
  using GetContext = DPI_AWARENESS_CONTEXT(WINAPI*)(void);
  using GetAwareness = DPI_AWARENESS(WINAPI*)(DPI_AWARENESS_CONTEXT);
  const HMODULE user32 = GetModuleHandleW(L"user32.dll");
  const auto context = reinterpret_cast<GetContext>(
      reinterpret_cast<void*>(GetProcAddress(user32, "GetThreadDpiAwarenessContext")));
  const auto awareness = reinterpret_cast<GetAwareness>(
      reinterpret_cast<void*>(GetProcAddress(user32, "GetAwarenessFromDpiAwarenessContext")));
  if (!context || !awareness) GTEST_SKIP() << "a Windows before 10 (1607) knows no per-monitor awareness";
  EXPECT_EQ(awareness(context()), DPI_AWARENESS_PER_MONITOR_AWARE);
}

TEST_F(Win32Test, VORN_ON_REAL_WINDOWS(ThePerMonitorAwarenessIsThatOfVersionTwo)) {
  VORN_SKIP_UNDER_WINE("wine 8 gives the manifest's per-monitor awareness in its first version only");
  using GetContext = DPI_AWARENESS_CONTEXT(WINAPI*)(void);
  using AreEqual = BOOL(WINAPI*)(DPI_AWARENESS_CONTEXT, DPI_AWARENESS_CONTEXT);
  const HMODULE user32 = GetModuleHandleW(L"user32.dll");
  const auto context = reinterpret_cast<GetContext>(
      reinterpret_cast<void*>(GetProcAddress(user32, "GetThreadDpiAwarenessContext")));
  const auto equal = reinterpret_cast<AreEqual>(
      reinterpret_cast<void*>(GetProcAddress(user32, "AreDpiAwarenessContextsEqual")));
  if (!context || !equal) GTEST_SKIP() << "a Windows before 10 (1703) knows no per-monitor awareness v2";
  // Dialogs and their fonts follow the monitor, the frame scales with it.
  EXPECT_TRUE(equal(context(), DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2));
}

TEST_F(MainWindowTest, TheCommonControlsAreThoseOfVersionSix) {
  // The marquee bar and the desktop's visual style need version 6, which
  // only the manifest gives.
  // The library the program's calls of the common controls were bound to.
  HMODULE library = nullptr;
  ASSERT_TRUE(GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                 reinterpret_cast<LPCWSTR>(reinterpret_cast<void*>(&InitCommonControlsEx)), &library));
  // Version 6 is the side-by-side assembly, never the system folder's copy.
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(library, path, MAX_PATH);
  std::string file = Utf8(path);
  for (char& c : file) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  EXPECT_NE(file.find("microsoft.windows.common-controls_6595b64144ccf1df_6."), std::string::npos) << file;
}

}  // namespace
}  // namespace vorn::win32
