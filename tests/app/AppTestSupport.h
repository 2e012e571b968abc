// Shared by the front end's tests: the one QApplication of a test program, a
// private C: drive and temporary folder per test, and an answerer for the
// modal boxes and dialogs the code under test opens (offscreen nobody else
// would press OK, and the test would hang).
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <cstdlib>
#include <gtest/gtest.h>
#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/Application.h"
#include "tests/support/ScratchFolder.h"

// Readable failure messages for texts.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace vorn::test {

// Created on first use, not at start-up, so that listing the tests needs no screen.
inline QApplication& TestApplication() {
  static int argc = 1;
  static char name[] = "app_tests";
  static char* argv[] = {name, nullptr};
  static QApplication* application = [] {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    auto* app = new QApplication(argc, argv);
    InitialiseApplication();
    return app;
  }();
  return *application;
}

// Base of the fixtures that make widgets: the application exists before any
// member of the fixture is built.
// At the end of a test, queued calls still waiting (a request to end the
// program, above all) are dropped, and a request to end that was served
// outside the message loop is cleared by a short run of the loop: otherwise
// every modal loop of the next test in the same process would end at once.
class QtTest : public ::testing::Test {
 protected:
  QtTest() { TestApplication(); }
  ~QtTest() override {
    QCoreApplication::removePostedEvents(nullptr, QEvent::MetaCall);
    QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
  }
};

// Runs the application's message loop until something ends it; gives up
// with 1 after a few seconds rather than hang.
inline int RunMessageLoop() {
  QTimer guard;
  guard.setSingleShot(true);
  QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(1); });
  guard.start(5000);
  return QCoreApplication::exec();
}

// The build folder the tests were built in.
inline QString BuildFolder() {
#ifdef VORN_TEST_BUILD_DIR
  return QStringLiteral(VORN_TEST_BUILD_DIR);
#else
  return QCoreApplication::applicationDirPath() + QStringLiteral("/..");
#endif
}

// A fresh folder tree for drive C:, the temporary folder and the home folder,
// removed at the end of the test.
class TempDrive {
 public:
  TempDrive() : scratch_("vorn_app_test") {
    scratch_.Point("VORN_DRIVE_C", "c");
    scratch_.Point("TMPDIR", "tmp");
    scratch_.Point("HOME", "home");
    scratch_.Point("XDG_RUNTIME_DIR", "tmp");
  }

  std::filesystem::path C() const { return scratch_.Root() / "c"; }
  std::filesystem::path Tmp() const { return scratch_.Root() / "tmp"; }

 private:
  test::ScratchFolder scratch_;
};

struct ShownBox {
  QString Caption;
  QString Text;
  QMessageBox::Icon Icon;
};

// Watches for modal widgets while alive. Message boxes are recorded and
// answered with OK; any other modal widget (a dialog) is passed to the
// dialog action, once per time it is shown.
class ModalAnswerer {
 public:
  using DialogAction = std::function<void(QWidget* dialog)>;

  explicit ModalAnswerer(DialogAction onDialog = nullptr) : onDialog_(std::move(onDialog)) {
    QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
    timer_.start(5);
  }

  const std::vector<ShownBox>& Boxes() const { return boxes_; }
  int DialogsAnswered() const { return dialogs_; }

 private:
  void Poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible()) {
      answered_ = nullptr;
      return;
    }
    if (modal == answered_) return;
    answered_ = modal;
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      boxes_.push_back({box->windowTitle(), box->text(), box->icon()});
      box->button(QMessageBox::Ok)->click();
    } else if (onDialog_) {
      ++dialogs_;
      onDialog_(modal);
    }
  }

  DialogAction onDialog_;
  QTimer timer_;
  QPointer<QWidget> answered_;
  std::vector<ShownBox> boxes_;
  int dialogs_ = 0;
};

}  // namespace vorn::test
