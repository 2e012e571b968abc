// Drives the program without a person, for scripts and tests only. It is
// switched on by environment variables, which the product never sets:
//   VORN_SCRIPT_PASSWORD    typed into the access dialog, then OK is pressed
//                           (without it, a scripted run presses "Annulla");
//   VORN_SCRIPT_PRESS       buttons pressed in order once the main window is
//                           up, separated by commas: BtnAvanti, BtnDBE,
//                           BtnZAV, BtnAlias, AllineaVersione, Button3;
//   VORN_SCRIPT_SCREENSHOT  a PNG file where the main window is saved after
//                           the presses.
// During a scripted run every message box is answered with OK and every other
// dialog with its default button (Enter), caption and text printed on
// standard output; after the last action the log pane
// is printed on standard output and the program ends.
#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <memory>

class QTimer;

namespace vorn {

class TSetup_ZAV;
class TFrmPassWord;

class ScriptedRun : public QObject {
  Q_OBJECT

 public:
  // Null when no scripting variable is set.
  static std::unique_ptr<ScriptedRun> FromEnvironment(TSetup_ZAV& window, TFrmPassWord& dialog);

  ScriptedRun(TSetup_ZAV& window, TFrmPassWord& dialog, QString password, QStringList presses,
              QString screenshot);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Poll();
  void AnswerMessageBox();
  void RunActions();

  TSetup_ZAV& window_;
  TFrmPassWord& dialog_;
  QString password_;
  QStringList presses_;
  QString screenshot_;
  QTimer* poll_;
  QPointer<QDialog> answered_;  // the dialog answered last
  QPointer<QDialog> waiting_;   // an information box being read
  QElapsedTimer waitingSince_;
  bool started_ = false;
};

}  // namespace vorn
