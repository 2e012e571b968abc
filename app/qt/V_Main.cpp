// The main window in Qt.
#include "app/qt/V_Main.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QShowEvent>
#include <QStatusBar>
#include <QTextCursor>
#include <stdexcept>

#include "app/Layout.h"
#include "app/qt/Logo.h"
#include "app/qt/MessageBoxes.h"

namespace vorn {

QtSetup_ZAV::QtSetup_ZAV(QWidget* parent) : QWidget(parent), layout_(BuildWindow(this, MainWindowLayout())) {
  setWindowIcon(DrawWindowIcon());

  BtnAvanti = layout_.As<QPushButton>("BtnAvanti");
  Button3 = layout_.As<QPushButton>("Button3");
  BtnDBE = layout_.As<QPushButton>("BtnDBE");
  BtnZAV = layout_.As<QPushButton>("BtnZAV");
  BtnAlias = layout_.As<QPushButton>("BtnAlias");
  MemoSpace = layout_.As<QPlainTextEdit>("MemoSpace");
  barrazza_ = layout_.As<ProgressBar>("Barrazza");
  barrazzaTotale_ = layout_.As<ProgressBar>("BarrazzaTotale");
  StatusBar1 = layout_.As<QStatusBar>("StatusBar1");
  Image1 = layout_.As<QLabel>("Image1");
  AllineaVersione = layout_.As<QPushButton>("AllineaVersione");
  statusPanels_ = {layout_.StatusPanels().at(0), layout_.StatusPanels().at(1)};

  barrazza_->SetMax(100);
  barrazzaTotale_->SetMax(9);

  for (QPushButton* button : {BtnAvanti, Button3, BtnDBE, BtnZAV, BtnAlias, AllineaVersione}) {
    button->setAutoDefault(false);
    button->installEventFilter(this);
  }
  BtnAvanti->setFocus();

  for (const TStepButton step : {TStepButton::BtnAvanti, TStepButton::BtnDBE, TStepButton::BtnZAV,
                                 TStepButton::BtnAlias, TStepButton::AllineaVersione}) {
    connect(ButtonOf(step), &QPushButton::clicked, this, [this, step] { StepButtonClicked(step); });
  }
  connect(Button3, &QPushButton::clicked, this, [this] { Button3Click(); });
}

QtSetup_ZAV::~QtSetup_ZAV() { SetHourglass(false); }

QPushButton* QtSetup_ZAV::ButtonOf(TStepButton button) const {
  switch (button) {
    case TStepButton::BtnAvanti: return BtnAvanti;
    case TStepButton::BtnDBE: return BtnDBE;
    case TStepButton::BtnZAV: return BtnZAV;
    case TStepButton::BtnAlias: return BtnAlias;
    case TStepButton::AllineaVersione: return AllineaVersione;
  }
  return nullptr;
}

// The window's own events ------------------------------------------------------

void QtSetup_ZAV::showEvent(QShowEvent* event) {
  // A spontaneous show is the window coming back after a minimise.
  if (!event->spontaneous()) {
    if (!centred_) {
      centred_ = true;
      CentreOnScreen();
    }
    Shown();
  }
  QWidget::showEvent(event);
}

void QtSetup_ZAV::CentreOnScreen() {
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
  }
}

void QtSetup_ZAV::QueueQuit() {
  // Queued, so that the message loop ends when it next runs; exit, not quit,
  // so that no window is asked again whether it may close.
  QMetaObject::invokeMethod(QCoreApplication::instance(), [] { QCoreApplication::exit(0); },
                            Qt::QueuedConnection);
}

void QtSetup_ZAV::closeEvent(QCloseEvent* event) {
  if (CloseRequested()) {
    event->accept();
  } else {
    event->ignore();
  }
}

void QtSetup_ZAV::resizeEvent(QResizeEvent* event) {
  layout_.Apply(event->size());
  QWidget::resizeEvent(event);
}

// Return and Enter press the focused button, as Space does (a button outside
// a dialog ignores them otherwise).
bool QtSetup_ZAV::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    auto* button = qobject_cast<QPushButton*>(watched);
    if (button && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
        (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
      if (!key->isAutoRepeat()) button->click();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

// What the steps write to ---------------------------------------------------

std::string QtSetup_ZAV::ButtonCaption(TStepButton button) const { return ButtonOf(button)->text().toStdString(); }

void QtSetup_ZAV::SetButtonCaption(TStepButton button, const std::string& caption) {
  ButtonOf(button)->setText(QString::fromStdString(caption));
}

std::string QtSetup_ZAV::LogText() const { return MemoSpace->toPlainText().toStdString(); }

void QtSetup_ZAV::AppendLogLine(const std::string& line) {
  MemoSpace->appendPlainText(QString::fromStdString(line));
  MemoSpace->moveCursor(QTextCursor::End);
  MemoSpace->ensureCursorVisible();
}

void QtSetup_ZAV::SetStatusPanel(int index, const std::string& text) {
  if (index < 0 || index >= static_cast<int>(statusPanels_.size()))
    throw std::out_of_range("Status panel index out of range");
  statusPanels_[index]->setText(QString::fromStdString(text));
}

std::string QtSetup_ZAV::StatusPanel(int index) const {
  if (index < 0 || index >= static_cast<int>(statusPanels_.size()))
    throw std::out_of_range("Status panel index out of range");
  return statusPanels_[index]->text().toStdString();
}

void QtSetup_ZAV::ShowMessageBox(MessageBoxKind kind, const std::string& text) { vorn::ShowMessageBox(kind, text); }

void QtSetup_ZAV::ShowExceptionBox(const std::string& text) { vorn::ShowExceptionBox(text); }

void QtSetup_ZAV::ProcessMessages() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void QtSetup_ZAV::SetHourglass(bool on) {
  if (on == hourglass_ || !qApp) return;
  hourglass_ = on;
  if (on) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QApplication::restoreOverrideCursor();
  }
}

}  // namespace vorn
