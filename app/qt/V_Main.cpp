// The main window.
#include "app/V_Main.h"

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
#include <QTime>
#include <stdexcept>

#include "app/Fonts.h"
#include "app/Frm_PassWord.h"
#include "app/HandlerBoundary.h"
#include "app/Logo.h"
#include "app/MessageBoxes.h"
#include "platform/FileSystem.h"
#include "platform/Shell.h"

namespace vorn {

std::string TempPath;
std::string InstTempDir;
std::string ProductDir;
int32_t ExpectedDownloadSize = 0;

namespace {

constexpr char AccessPassword[] = "quimbel";
constexpr char ProductFolder[] = "C:\\VornZAV\\";
constexpr QSize DesignClient(635, 273);
constexpr int StatusPanelWidth = 300;
constexpr int DesignStatusHeight = 19;

// The bars hold 32-bit values: the low 32 bits of a 64-bit count are taken.
int32_t Low32(int64_t value) { return static_cast<int32_t>(static_cast<uint32_t>(value)); }

// A maximum that the bar cannot take (below 0: no usable size is known)
// makes it a busy bar, so that the transfer goes on instead of failing.
void SetMaxOrBusy(ProgressBar& bar, int32_t max) {
  if (max < 0) {
    bar.SetBusy();
  } else {
    bar.SetMax(max);
  }
}

QPushButton* MakeButton(const char* caption, QWidget* parent) {
  auto* button = new QPushButton(QString::fromUtf8(caption), parent);
  button->setAutoDefault(false);
  button->installEventFilter(parent);
  return button;
}

}  // namespace

TSetup_ZAV::TSetup_ZAV(QWidget* parent) : QWidget(parent), anchors_(DesignClient) {
  setWindowTitle(QStringLiteral("Setup VORN - TORVEL Zavario - Ver. 1.0 - Rel. 30/05/2023"));
  setWindowIcon(DrawWindowIcon());
  setFont(WindowFont());
  QPalette windowPalette = palette();
  windowPalette.setColor(QPalette::Window, windowPalette.color(QPalette::Button));
  setPalette(windowPalette);
  setAutoFillBackground(true);

  BtnAvanti = MakeButton("Installa/Aggiorna", this);
  Button3 = MakeButton("Uscita", this);
  BtnDBE = MakeButton("Download ed Installa DBE", this);
  BtnZAV = MakeButton("Zavario", this);
  BtnAlias = MakeButton("Alias e sistemazione file", this);

  MemoSpace = new QPlainTextEdit(this);
  MemoSpace->setReadOnly(true);
  MemoSpace->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  MemoSpace->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  MemoSpace->setTabChangesFocus(true);
  MemoSpace->setFocusPolicy(Qt::StrongFocus);
  MemoSpace->setFont(WindowFont(true));
  QPalette memoPalette = MemoSpace->palette();
  memoPalette.setColor(QPalette::Base, memoPalette.color(QPalette::ToolTipBase));
  memoPalette.setColor(QPalette::Text, Qt::red);
  MemoSpace->setPalette(memoPalette);

  barrazza_ = new ProgressBar(this);
  barrazza_->SetMax(100);
  barrazzaTotale_ = new ProgressBar(this);
  barrazzaTotale_->SetMax(9);

  StatusBar1 = new QStatusBar(this);
  StatusBar1->setSizeGripEnabled(false);
  // Placed by hand, edge to edge from the left: the status bar's own layout
  // would put spacing and margins between them.
  for (size_t i = 0; i < statusPanels_.size(); ++i) {
    QLabel*& panel = statusPanels_[i];
    panel = new QLabel(StatusBar1);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setGeometry(static_cast<int>(i) * StatusPanelWidth, 0, StatusPanelWidth, DesignStatusHeight);
  }

  Image1 = new QLabel(this);
  Image1->setPixmap(DrawLogo(QSize(174, 80)));
  Image1->setAlignment(Qt::AlignCenter);

  AllineaVersione = MakeButton("AllineaVersione", this);
  AllineaVersione->hide();

  using enum Anchor;
  anchors_.Add(BtnAvanti, QRect(391, 224, 115, 25), Right | Bottom);
  anchors_.Add(Button3, QRect(512, 224, 115, 25), Right | Bottom);
  anchors_.Add(BtnDBE, QRect(8, 8, 174, 35), Left | Top);
  anchors_.Add(BtnZAV, QRect(8, 44, 174, 35), Left | Top);
  anchors_.Add(BtnAlias, QRect(8, 80, 174, 35), Left | Top);
  anchors_.Add(MemoSpace, QRect(192, 8, 435, 193), Left | Top | Right | Bottom);
  anchors_.Add(barrazza_, QRect(8, 207, 619, 14), Right | Bottom);
  anchors_.Add(barrazzaTotale_, QRect(8, 225, 377, 23), Right | Bottom);
  anchors_.Add(StatusBar1, QRect(0, 254, 635, 19), Left | Right | Bottom);
  anchors_.Add(Image1, QRect(8, 121, 174, 80), Left | Top);
  anchors_.Add(AllineaVersione, QRect(496, 18, 107, 25), Left | Top);

  // The bars come between the log and the hidden button but take no focus.
  QWidget* tabOrder[] = {BtnAvanti, Button3, BtnDBE, BtnZAV, BtnAlias, MemoSpace, AllineaVersione};
  for (size_t i = 1; i < std::size(tabOrder); ++i) setTabOrder(tabOrder[i - 1], tabOrder[i]);
  BtnAvanti->setFocus();

  connect(BtnAvanti, &QPushButton::clicked, this, &TSetup_ZAV::BtnAvantiClick);
  connect(Button3, &QPushButton::clicked, this, &TSetup_ZAV::Button3Click);
  connect(BtnDBE, &QPushButton::clicked, this, &TSetup_ZAV::BtnDBEClick);
  connect(BtnZAV, &QPushButton::clicked, this, &TSetup_ZAV::BtnZAVClick);
  connect(BtnAlias, &QPushButton::clicked, this, &TSetup_ZAV::BtnAliasClick);
  connect(AllineaVersione, &QPushButton::clicked, this, &TSetup_ZAV::AllineaVersioneClick);

  resize(DesignClient);
}

TSetup_ZAV::~TSetup_ZAV() { SetHourglass(false); }

// Start-up --------------------------------------------------------------

void TSetup_ZAV::FormShow() {
  if (accessDialog_) {
    accessDialog_->exec();
  } else {
    EnteredPassword.clear();
  }
  // A wrong password ends the program, but only after the folders below are
  // made: the request is served once this handler returns.
  if (EnteredPassword != AccessPassword) Terminate();

  TempPath = GetTempFolder();
  InstTempDir = TempPath + "Inst_Temp";
  // Set before the folders are tested, so that a folder that cannot be made
  // does not leave the steps pointed at it (they copy into ProductDir).
  ProductDir = ProductFolder;
  const std::string folders[] = {
      InstTempDir,
      "C:\\VornZAV",
      "C:\\VornZAV\\Referti_da_Inviare\\",
      "C:\\VornZAV\\Referti_Inviati\\",
      "C:\\VornZAV\\ArchiviVuoti\\",
  };
  for (const std::string& folder : folders) {
    if (!DirectoryExists(folder) && !CreateDir(folder)) {
      throw EFolderNotCreated("Impossibile creare " + folder);
    }
  }
}

void TSetup_ZAV::showEvent(QShowEvent* event) {
  if (!event->spontaneous()) {
    if (!centred_) {
      centred_ = true;
      CentreOnScreen();
    }
    RunUserHandler([this] { FormShow(); });
  }
  QWidget::showEvent(event);
}

void TSetup_ZAV::CentreOnScreen() {
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
  }
}

// Steps and the end of the program ---------------------------------------

template <typename Handler>
void TSetup_ZAV::RunUserHandler(Handler&& handler) {
  ++handlerDepth_;
  RunHandler(std::forward<Handler>(handler));
  --handlerDepth_;
  if (handlerDepth_ == 0 && terminateRequested_) QueueQuit();
}

void TSetup_ZAV::InstallStep(TStepButton button, TStepHandler handler) {
  steps_.at(static_cast<size_t>(button)) = std::move(handler);
}

void TSetup_ZAV::Press(TStepButton button) {
  // A copy: the step may install another handler for its own button.
  const TStepHandler step = steps_.at(static_cast<size_t>(button));
  if (!step) return;
  // However the step ends, the per-item bar is left empty, never busy.
  struct EmptyBarAtEnd {
    ProgressBar& bar;
    ~EmptyBarAtEnd() {
      if (bar.Busy()) bar.SetMax(100);
      bar.SetPosition(0);
    }
  } emptyBar{Barrazza()};
  step(ButtonOf(button));
}

void TSetup_ZAV::RunStepButton(TStepButton button) {
  // The buttons stay enabled while a step processes window messages; a press
  // then is ignored rather than run nested inside the running step.
  if (Running()) return;
  RunUserHandler([this, button] { Press(button); });
}

QPushButton* TSetup_ZAV::ButtonOf(TStepButton button) const {
  switch (button) {
    case TStepButton::BtnAvanti: return BtnAvanti;
    case TStepButton::BtnDBE: return BtnDBE;
    case TStepButton::BtnZAV: return BtnZAV;
    case TStepButton::BtnAlias: return BtnAlias;
    case TStepButton::AllineaVersione: return AllineaVersione;
  }
  return nullptr;
}

void TSetup_ZAV::BtnAvantiClick() { RunStepButton(TStepButton::BtnAvanti); }
void TSetup_ZAV::BtnDBEClick() { RunStepButton(TStepButton::BtnDBE); }
void TSetup_ZAV::BtnZAVClick() { RunStepButton(TStepButton::BtnZAV); }
void TSetup_ZAV::BtnAliasClick() { RunStepButton(TStepButton::BtnAlias); }
void TSetup_ZAV::AllineaVersioneClick() { RunStepButton(TStepButton::AllineaVersione); }

void TSetup_ZAV::Button3Click() { Terminate(); }

void TSetup_ZAV::Terminate() {
  terminateRequested_ = true;
  if (!Running()) QueueQuit();
}

void TSetup_ZAV::QueueQuit() {
  if (quitQueued_) return;
  quitQueued_ = true;
  // Queued, so that the message loop ends when it next runs; exit, not quit,
  // so that no window is asked again whether it may close.
  QMetaObject::invokeMethod(QCoreApplication::instance(), [] { QCoreApplication::exit(0); },
                            Qt::QueuedConnection);
}

void TSetup_ZAV::closeEvent(QCloseEvent* event) {
  // Closing during a step leaves the window up until the step has returned.
  if (Running()) {
    event->ignore();
  } else {
    event->accept();
  }
  Terminate();
}

void TSetup_ZAV::resizeEvent(QResizeEvent* event) {
  anchors_.Apply(event->size());
  QWidget::resizeEvent(event);
}

// Return and Enter press the focused button, as Space does (a button outside
// a dialog ignores them otherwise).
bool TSetup_ZAV::eventFilter(QObject* watched, QEvent* event) {
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

void TSetup_ZAV::AddLogLine(const std::string& text) {
  MemoSpace->appendPlainText(QTime::currentTime().toString(QStringLiteral("hh.mm.ss")) +
                             QString::fromStdString(text));
  MemoSpace->moveCursor(QTextCursor::End);
  MemoSpace->ensureCursorVisible();
}

void TSetup_ZAV::SetStatusPanel(int index, const std::string& text) {
  if (index < 0 || index >= static_cast<int>(statusPanels_.size()))
    throw std::out_of_range("Status panel index out of range");
  statusPanels_[index]->setText(QString::fromStdString(text));
}

std::string TSetup_ZAV::StatusPanel(int index) const {
  if (index < 0 || index >= static_cast<int>(statusPanels_.size()))
    throw std::out_of_range("Status panel index out of range");
  return statusPanels_[index]->text().toStdString();
}

void TSetup_ZAV::ShowMessageBox(MessageBoxKind kind, const std::string& text) {
  if (kind == MessageBoxKind::Error) {
    ShowModalBox(QMessageBox::Critical, QStringLiteral("Error"), QString::fromStdString(text));
  } else {
    ShowModalBox(QMessageBox::Information, QStringLiteral("Information"), QString::fromStdString(text));
  }
}

void TSetup_ZAV::ProcessMessages() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void TSetup_ZAV::SetHourglass(bool on) {
  if (on == hourglass_ || !qApp) return;
  hourglass_ = on;
  if (on) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QApplication::restoreOverrideCursor();
  }
}

// The components' events --------------------------------------------------

void TSetup_ZAV::FtpClient1Status(void* /*ASender*/, TFtpStatus /*AStatus*/, const std::string& AStatusText) {
  AddLogLine(" " + AStatusText);
}

void TSetup_ZAV::FtpClient1WorkBegin(void* /*ASender*/, TWorkMode /*AWorkMode*/, int64_t AWorkCountMax) {
  SetMaxOrBusy(Barrazza(), AWorkCountMax > 0 ? Low32(AWorkCountMax) : ExpectedDownloadSize);
  Barrazza().SetPosition(0);
}

void TSetup_ZAV::FtpClient1Work(void* /*ASender*/, TWorkMode /*AWorkMode*/, int64_t AWorkCount) {
  Barrazza().SetPosition(Low32(AWorkCount));
  ProcessMessages();
}

void TSetup_ZAV::ZipUnpacker1Progress(void* /*Sender*/, TZUProgressDetails& Details) {
  switch (Details.Order()) {
    case NewFile:
      Barrazza().SetPosition(0);
      break;
    case ProgressUpdate:
      Barrazza().SetPosition(Details.ItemPerCent());
      break;
    case EndOfBatch:
      Barrazza().SetPosition(0);
      SetStatusPanel(0, "");
      SetStatusPanel(1, "");
      break;
    case TotalFiles2Process:
      SetStatusPanel(1, std::to_string(Details.TotalCount()) + " files");
      break;
    case TotalSize2Process: {
      const int64_t kilobytes = Details.TotalSize() / 1024;
      SetStatusPanel(0, "Total size: " + std::to_string(kilobytes) + " Kb");
      Barrazza().SetPosition(0);
      SetMaxOrBusy(Barrazza(), Low32(kilobytes));
      break;
    }
    case EndOfItem:
    case NewExtra:
    case ExtraUpdate:
      break;
  }
}

}  // namespace vorn
