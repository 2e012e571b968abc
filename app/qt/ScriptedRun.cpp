// Scripted runs of the program.
#include "app/ScriptedRun.h"

#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <cstdio>

#include "app/Frm_PassWord.h"
#include "app/V_Main.h"

namespace vorn {

namespace {

QString Variable(const char* name) { return qEnvironmentVariable(name); }

void PrintLine(const QString& text) {
  std::fputs(text.toLocal8Bit().constData(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

}  // namespace

std::unique_ptr<ScriptedRun> ScriptedRun::FromEnvironment(TSetup_ZAV& window, TFrmPassWord& dialog) {
  if (!qEnvironmentVariableIsSet("VORN_SCRIPT_PASSWORD") && !qEnvironmentVariableIsSet("VORN_SCRIPT_PRESS") &&
      !qEnvironmentVariableIsSet("VORN_SCRIPT_SCREENSHOT"))
    return nullptr;
  return std::make_unique<ScriptedRun>(window, dialog, Variable("VORN_SCRIPT_PASSWORD"),
                                       Variable("VORN_SCRIPT_PRESS").split(u',', Qt::SkipEmptyParts),
                                       Variable("VORN_SCRIPT_SCREENSHOT"));
}

ScriptedRun::ScriptedRun(TSetup_ZAV& window, TFrmPassWord& dialog, QString password, QStringList presses,
                         QString screenshot)
    : window_(window),
      dialog_(dialog),
      password_(std::move(password)),
      presses_(std::move(presses)),
      screenshot_(std::move(screenshot)),
      poll_(new QTimer(this)) {
  dialog_.installEventFilter(this);
  connect(poll_, &QTimer::timeout, this, &ScriptedRun::Poll);
  poll_->start(50);
}

bool ScriptedRun::eventFilter(QObject* watched, QEvent* event) {
  // Typed once the dialog's own show handler has emptied the field.
  if (watched == &dialog_ && event->type() == QEvent::Show) {
    QTimer::singleShot(0, this, [this] {
      if (password_.isEmpty()) {
        dialog_.CancelBtn->click();
      } else {
        dialog_.Password->setText(password_);
        dialog_.OKBtn->click();
      }
    });
  }
  return QObject::eventFilter(watched, event);
}

void ScriptedRun::Poll() {
  AnswerMessageBox();
  // The actions start when the start-up is over: the window is up, idle and
  // not asked to end (a wrong password ends the program by itself).
  if (!started_ && window_.isVisible() && !window_.Running() && !QApplication::activeModalWidget() &&
      !window_.TerminateRequested()) {
    started_ = true;
    // A timer of its own: this one keeps answering boxes while the steps run.
    QTimer::singleShot(0, this, &ScriptedRun::RunActions);
  }
}

namespace {
constexpr qint64 InformationReadingMs = 2000;
}  // namespace

void ScriptedRun::AnswerMessageBox() {
  auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget());
  if (!modal || !modal->isVisible() || modal == &dialog_) return;
  if (modal == answered_) {
    // Still up after Enter: closed by its frame instead.
    modal->reject();
    return;
  }
  // An information box asks the user to wait for something outside the
  // program (the engine's installer): it is read for a while, as a person
  // would, before OK.
  if (modal->windowTitle() == QStringLiteral("Information")) {
    if (modal != waiting_) {
      waiting_ = modal;
      waitingSince_.start();
    }
    if (waitingSince_.elapsed() < InformationReadingMs) return;
  }
  answered_ = modal;
  if (auto* box = qobject_cast<QMessageBox*>(modal)) {
    PrintLine(QStringLiteral("[%1] %2").arg(box->windowTitle(), box->text()));
    if (QAbstractButton* ok = box->button(QMessageBox::Ok)) {
      ok->click();
      return;
    }
  } else {
    QStringList texts;
    for (const QLabel* label : modal->findChildren<QLabel*>()) {
      if (!label->text().isEmpty()) texts << label->text();
    }
    PrintLine(QStringLiteral("[%1] %2").arg(modal->windowTitle(), texts.join(u' ')));
  }
  // Other dialogs get the answer of their default button.
  QWidget* target = modal->focusWidget() ? modal->focusWidget() : modal;
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &enter);
}

void ScriptedRun::RunActions() {
  const std::pair<const char*, QPushButton*> buttons[] = {
      {"BtnAvanti", window_.BtnAvanti}, {"BtnDBE", window_.BtnDBE},   {"BtnZAV", window_.BtnZAV},
      {"BtnAlias", window_.BtnAlias},   {"AllineaVersione", window_.AllineaVersione},
      {"Button3", window_.Button3},
  };
  for (const QString& press : presses_) {
    const QString name = press.trimmed();
    bool known = false;
    for (const auto& [buttonName, button] : buttons) {
      if (name == QLatin1String(buttonName)) {
        known = true;
        // The hidden button cannot be clicked by a person; its slot runs the same way.
        if (button == window_.AllineaVersione) {
          window_.AllineaVersioneClick();
        } else {
          button->click();
        }
      }
    }
    if (!known) PrintLine(QStringLiteral("scripted run: unknown button %1").arg(name));
    if (window_.TerminateRequested()) break;
  }
  PrintLine(window_.MemoSpace->toPlainText());
  if (!screenshot_.isEmpty() && !window_.grab().save(screenshot_, "PNG"))
    PrintLine(QStringLiteral("scripted run: cannot save %1").arg(screenshot_));
  window_.Terminate();
}

}  // namespace vorn
