// The Qt driver of a scripted run (app/ScriptedRun.h says what one does):
// it types the password into the access dialog, answers the boxes and
// dialogs Qt shows, runs the presses once the main window is up and saves the
// window's picture.
#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <memory>

#include "app/ScriptedRun.h"

class QTimer;

namespace vorn {

class QtSetup_ZAV;
class TFrmPassWord;

class ScriptedRun : public QObject {
  Q_OBJECT

 public:
  // Null when no scripting variable is set.
  static std::unique_ptr<ScriptedRun> FromEnvironment(QtSetup_ZAV& window, TFrmPassWord& dialog);

  ScriptedRun(QtSetup_ZAV& window, TFrmPassWord& dialog, ScriptSettings settings);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Poll();
  void AnswerMessageBox();
  void RunActions();

  QtSetup_ZAV& window_;
  TFrmPassWord& dialog_;
  ScriptSettings settings_;
  QTimer* poll_;
  QPointer<QDialog> answered_;  // the dialog answered last
  QPointer<QDialog> waiting_;   // an information box being read
  QElapsedTimer waitingSince_;
  bool started_ = false;
};

}  // namespace vorn
