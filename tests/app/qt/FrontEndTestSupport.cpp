// The front end's test interface for the Qt window: the offscreen
// application, the window and dialog of app/qt, and an answerer that finds
// Qt's modal boxes and dialogs.
#include "tests/app/FrontEndTestSupport.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

#include "app/qt/Application.h"
#include "app/qt/Frm_PassWord.h"
#include "app/qt/MessageBoxes.h"
#include "app/qt/V_Main.h"

// Leak-checker settings of the front end's test program. Fontconfig keeps its
// caches until the process ends and Qt never releases them; those blocks are
// not ours to free, so the leak checker is told to ignore them.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig\n"
         "leak:libfreetype\n";
}

namespace vorn::test {

namespace {

// At the end of every test, queued calls still waiting (a request to end the
// program, above all) are dropped, and a request to end that was served
// outside the message loop is cleared by a short run of the loop: otherwise
// every modal loop of the next test in the same process would end at once.
class DrainAfterEachTest : public ::testing::EmptyTestEventListener {
  void OnTestEnd(const ::testing::TestInfo&) override {
    QCoreApplication::removePostedEvents(nullptr, QEvent::MetaCall);
    QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
  }
};

// The main window as the program has it: while it is up, the shell's own
// error messages appear as modal boxes.
class TestWindow : public QtSetup_ZAV {
  ShellMessageBoxes shellMessages_;
};

QWidget* OpenDialog() {
  QWidget* modal = QApplication::activeModalWidget();
  return modal && modal->isVisible() ? modal : nullptr;
}

void SendKey(Qt::Key key) {
  QWidget* dialog = OpenDialog();
  if (!dialog) return;
  QWidget* target = dialog->focusWidget() ? dialog->focusWidget() : dialog;
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &press);
}

}  // namespace

void InitialiseFrontEnd() {
  static int argc = 1;
  static char name[] = "app_tests";
  static char* argv[] = {name, nullptr};
  static QApplication* application = [] {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    auto* app = new QApplication(argc, argv);
    InitialiseApplication();
    ::testing::UnitTest::GetInstance()->listeners().Append(new DrainAfterEachTest);
    return app;
  }();
  (void)application;
}

std::unique_ptr<TSetup_ZAV> NewMainWindow() { return std::make_unique<TestWindow>(); }

std::unique_ptr<IAccessDialog> NewAccessDialog() { return std::make_unique<TFrmPassWord>(); }

void ShowMainWindow(TSetup_ZAV& window) { dynamic_cast<QWidget&>(window).show(); }

void ProcessPendingMessages() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

int RunMessageLoop(TSetup_ZAV& /*window*/, int timeoutMs) {
  QTimer guard;
  guard.setSingleShot(true);
  QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(1); });
  guard.start(timeoutMs);
  return QCoreApplication::exec();
}

struct ModalAnswerer::State {
  DialogAction onDialog;
  QTimer timer;
  QPointer<QWidget> answered;
  std::vector<ShownBox> boxes;
  int dialogs = 0;

  void Poll() {
    QWidget* modal = OpenDialog();
    if (!modal) {
      answered = nullptr;
      return;
    }
    if (modal == answered) return;
    answered = modal;
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      boxes.push_back({box->windowTitle().toStdString(), box->text().toStdString(), box->icon() == QMessageBox::Critical});
      box->button(QMessageBox::Ok)->click();
    } else if (onDialog) {
      ++dialogs;
      onDialog(modal->windowTitle().toStdString());
    }
  }
};

ModalAnswerer::ModalAnswerer(DialogAction onDialog) : state_(std::make_unique<State>()) {
  InitialiseFrontEnd();
  state_->onDialog = std::move(onDialog);
  QObject::connect(&state_->timer, &QTimer::timeout, [state = state_.get()] { state->Poll(); });
  state_->timer.start(5);
}

ModalAnswerer::~ModalAnswerer() = default;

std::vector<ShownBox> ModalAnswerer::Boxes() const { return state_->boxes; }

int ModalAnswerer::DialogsAnswered() const { return state_->dialogs; }

void ModalAnswerer::TypeIntoOpenDialog(const std::string& text) {
  QWidget* dialog = OpenDialog();
  if (!dialog) return;
  auto* edit = qobject_cast<QLineEdit*>(dialog->focusWidget());
  if (!edit) edit = dialog->findChild<QLineEdit*>();
  if (edit) edit->insert(QString::fromStdString(text));
}

void ModalAnswerer::PressEnterInOpenDialog() { SendKey(Qt::Key_Return); }

void ModalAnswerer::PressEscapeInOpenDialog() { SendKey(Qt::Key_Escape); }

}  // namespace vorn::test
