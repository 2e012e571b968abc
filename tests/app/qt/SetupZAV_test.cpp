// The program itself, started as a person would and driven by the scripting
// variables: a right password leaves the window up (a picture is saved and
// the script ends it), a wrong one ends the program after the folders are
// made, and "Uscita" ends it.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>

#include "tests/app/qt/QtTestSupport.h"

namespace vorn {
namespace {

class ProgramTest : public test::QtTest {
 protected:
  ProgramTest() {
    program_ = test::QtBuildFolder() + QStringLiteral("/app/SetupZAV");
  }

  // Runs the program with the given extra variables; returns its exit code.
  int Run(const QStringList& variables, QString* output = nullptr) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    // In the sanitizer build the program would report fontconfig's caches as leaks.
    environment.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
    for (const QString& variable : variables) {
      const qsizetype equals = variable.indexOf(u'=');
      environment.insert(variable.left(equals), variable.mid(equals + 1));
    }
    process.setProcessEnvironment(environment);
    process.start(program_, {});
    if (!process.waitForFinished(60000)) {
      process.kill();
      process.waitForFinished();
      ADD_FAILURE() << "the program did not end";
      return -1;
    }
    if (output) *output = QString::fromLocal8Bit(process.readAllStandardOutput());
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  }

  bool ProgramBuilt() const { return QFileInfo(program_).isExecutable(); }

  test::TempDrive drive;
  QString program_;
};

TEST_F(ProgramTest, RightPasswordOpensTheWindow) {
  if (!ProgramBuilt()) GTEST_SKIP() << "SetupZAV is not built";
  const QString picture = QString::fromStdString((drive.Tmp() / "window.png").string());
  EXPECT_EQ(Run({QStringLiteral("VORN_SCRIPT_PASSWORD=quimbel"), QStringLiteral("VORN_SCRIPT_SCREENSHOT=") + picture}),
            0);
  EXPECT_EQ(QImage(picture).size(), QSize(635, 273));
  EXPECT_TRUE(std::filesystem::is_directory(drive.C() / "VornZAV" / "Referti_da_Inviare"));
}

TEST_F(ProgramTest, WrongPasswordEndsTheProgramAfterMakingTheFolders) {
  if (!ProgramBuilt()) GTEST_SKIP() << "SetupZAV is not built";
  const QString picture = QString::fromStdString((drive.Tmp() / "window.png").string());
  EXPECT_EQ(Run({QStringLiteral("VORN_SCRIPT_PASSWORD=Quimbel"), QStringLiteral("VORN_SCRIPT_SCREENSHOT=") + picture}),
            0);
  EXPECT_FALSE(QFileInfo::exists(picture));  // ended before the script's actions
  EXPECT_TRUE(std::filesystem::is_directory(drive.C() / "VornZAV" / "ArchiviVuoti"));
  EXPECT_TRUE(std::filesystem::is_directory(drive.Tmp() / "Inst_Temp"));
}

TEST_F(ProgramTest, UscitaPressedByTheScriptEndsTheProgram) {
  if (!ProgramBuilt()) GTEST_SKIP() << "SetupZAV is not built";
  QString output;
  EXPECT_EQ(Run({QStringLiteral("VORN_SCRIPT_PASSWORD=quimbel"), QStringLiteral("VORN_SCRIPT_PRESS=Button3,Unknown")},
                &output),
            0);
  // Pressing stops at the request to end: the unknown name is never reached.
  EXPECT_FALSE(output.contains(QStringLiteral("unknown button")));
}

// A wrong download setting is said in the error box at start, and the
// program ends without opening the window.
TEST_F(ProgramTest, AWrongDownloadSettingIsAnErrorBoxAtStart) {
  if (!ProgramBuilt()) GTEST_SKIP() << "SetupZAV is not built";
  for (const char* setting : {"VORN_FTP_PORT=70000", "VORN_FTP_HOST="}) {
    QString output;
    const QString picture = QString::fromStdString((drive.Tmp() / "window.png").string());
    EXPECT_EQ(Run({QString::fromUtf8(setting), QStringLiteral("VORN_SCRIPT_PASSWORD=quimbel"),
                   QStringLiteral("VORN_SCRIPT_SCREENSHOT=") + picture},
                  &output),
              1);
    const QString name = QString::fromUtf8(setting).section(u'=', 0, 0);
    EXPECT_TRUE(output.contains(QStringLiteral("[VORN - Zavario] Impostazione non valida: ") + name)) << output.toStdString();
    EXPECT_FALSE(QFileInfo::exists(picture));
  }
}

}  // namespace
}  // namespace vorn
