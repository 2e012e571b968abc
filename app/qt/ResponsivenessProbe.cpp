// Runs the module step ("Zavario") in the real window, offscreen, against a
// download server, and measures the longest time the window went without
// processing its events. A zero-interval timer fires every time pending
// events are processed, so the gaps between its firings are the times in
// which a click or a repaint would have waited.
//
//   vorn-responsive PORT [PACKAGE-KEY]
//
// With a package key (hex) the package's signature is checked as well, as
// a program built with that key does.
// C: and the temporary folder are those of the environment (VORN_DRIVE_C,
// TMPDIR). Prints the step's log, the number of times events were processed
// and, last, the longest gap in milliseconds.
#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "app/InstallSteps.h"
#include "app/qt/Application.h"
#include "app/qt/Frm_PassWord.h"
#include "app/qt/V_Main.h"
#include "platform/FileSystem.h"
#include "platform/Shell.h"

int main(int argc, char* argv[]) {
  if (argc != 2 && argc != 3) {
    std::fprintf(stderr, "usage: vorn-responsive PORT [PACKAGE-KEY]\n");
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  vorn::InitialiseApplication();
  vorn::QtSetup_ZAV window;
  vorn::TFrmPassWord dialog;
  window.SetAccessDialog(&dialog);

  vorn::TempPath = vorn::GetTempFolder();
  vorn::InstTempDir = vorn::TempPath + "Inst_Temp";
  vorn::ProductDir = "C:\\VornZAV\\";
  vorn::ForceDirectories(vorn::InstTempDir);
  vorn::ForceDirectories("C:\\VornZAV\\ArchiviVuoti");

  vorn::DownloadServer server;
  server.Host = "127.0.0.1";
  server.Port = static_cast<uint16_t>(std::atoi(argv[1]));
  vorn::InstallSteps steps(window, server, "C:\\VornZAV\\", vorn::PackageSigning{argc == 3 ? argv[2] : ""});

  QElapsedTimer clock;
  qint64 last = -1;
  qint64 longest = 0;
  long processed = 0;
  std::string where;  // the last log line when the longest gap ended
  QTimer probe;
  probe.setInterval(0);
  QObject::connect(&probe, &QTimer::timeout, [&] {
    const qint64 now = clock.nsecsElapsed();
    if (last >= 0 && now - last > longest) {
      longest = now - last;
      where = window.MemoSpace->document()->lastBlock().text().toStdString();
    }
    last = now;
    ++processed;
  });

  int status = 0;
  QTimer::singleShot(0, [&] {
    probe.start();
    clock.start();
    try {
      steps.BtnZAVClick();
    } catch (const std::exception& error) {
      std::fprintf(stderr, "vorn-responsive: %s\n", error.what());
      status = 1;
    }
    // The time from the last processing to the step's end counts too.
    if (clock.nsecsElapsed() - std::max<qint64>(last, 0) > longest) {
      longest = clock.nsecsElapsed() - std::max<qint64>(last, 0);
      where = "the end of the step";
    }
    probe.stop();
    application.quit();
  });
  application.exec();

  std::printf("%s\n", window.MemoSpace->toPlainText().toStdString().c_str());
  std::printf("events processed %ld times in %.1f s\n", processed, clock.nsecsElapsed() / 1e9);
  std::printf("the longest gap ended after the log line \"%s\"\n", where.c_str());
  std::printf("longest gap between processed events: %.1f ms\n", longest / 1e6);
  return status;
}
