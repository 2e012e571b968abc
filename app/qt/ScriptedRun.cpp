// Scripted runs of the Qt program.
#include "app/qt/ScriptedRun.h"

#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>
#include <QTimer>

#include "app/MessageBoxes.h"
#include "app/qt/Frm_PassWord.h"
#include "app/qt/V_Main.h"

namespace vorn {

std::unique_ptr<ScriptedRun> ScriptedRun::FromEnvironment(QtSetup_ZAV& window, TFrmPassWord& dialog) {
  std::optional<ScriptSettings> settings = ScriptSettingsFromEnvironment();
  if (!settings) return nullptr;
  return std::make_unique<ScriptedRun>(window, dialog, std::move(*settings));
}

ScriptedRun::ScriptedRun(QtSetup_ZAV& window, TFrmPassWord& dialog, ScriptSettings settings)
    : window_(window), dialog_(dialog), settings_(std::move(settings)), poll_(new QTimer(this)) {
  dialog_.installEventFilter(this);
  connect(poll_, &QTimer::timeout, this, &ScriptedRun::Poll);
  poll_->start(50);
}

bool ScriptedRun::eventFilter(QObject* watched, QEvent* event) {
  // Typed once the dialog's own show handler has emptied the field.
  if (watched == &dialog_ && event->type() == QEvent::Show) {
    QTimer::singleShot(0, this, [this] {
      if (settings_.Password.empty()) {
        dialog_.CancelBtn->click();
      } else {
        dialog_.Password->setText(QString::fromStdString(settings_.Password));
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
  if (modal->windowTitle() == QString::fromUtf8(MessageBoxCaption(MessageBoxKind::Information))) {
    if (modal != waiting_) {
      waiting_ = modal;
      waitingSince_.start();
    }
    if (waitingSince_.elapsed() < InformationReadingMs) return;
  }
  answered_ = modal;
  if (auto* box = qobject_cast<QMessageBox*>(modal)) {
    PrintAnsweredBox(box->windowTitle().toStdString(), box->text().toStdString());
    if (QAbstractButton* ok = box->button(QMessageBox::Ok)) {
      ok->click();
      return;
    }
  } else {
    QStringList texts;
    for (const QLabel* label : modal->findChildren<QLabel*>()) {
      if (!label->text().isEmpty()) texts << label->text();
    }
    PrintAnsweredBox(modal->windowTitle().toStdString(), texts.join(u' ').toStdString());
  }
  // Other dialogs get the answer of their default button.
  QWidget* target = modal->focusWidget() ? modal->focusWidget() : modal;
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &enter);
}

void ScriptedRun::RunActions() {
  RunScriptedPresses(window_, settings_.Presses, [this](TStepButton button) { window_.ButtonOf(button)->click(); });
  const QString screenshot = QString::fromStdString(settings_.Screenshot);
  if (!screenshot.isEmpty() && !window_.grab().save(screenshot, "PNG"))
    PrintScriptLine("scripted run: cannot save " + settings_.Screenshot);
  window_.Terminate();
}

}  // namespace vorn
