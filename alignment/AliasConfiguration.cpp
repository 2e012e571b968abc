// See AliasConfiguration.h.
#include "alignment/AliasConfiguration.h"

#include "alignment/ArchiveAlignment.h"
#include "engine/Session.h"
#include "platform/FileSystem.h"
#include "platform/Shell.h"

namespace vorn {

namespace {

constexpr const char* AliasName = "ZAV";

// The folder tests below append a name with a leading backslash to
// ProductDir, which ends in one; the doubled separator counts as one.
void FillNewFolder(IUserInterface& ui, const std::string& folder, const std::string& folderTest,
                   const std::string& source) {
  if (CreateDir(folder)) {
    if (DirectoryExists(folderTest)) ShellFileOp(128, source, folder, "Copy");
  } else {
    ui.ShowMessageBox(MessageBoxKind::Error, "Impossibile creare " + folder);
  }
}

}  // namespace

void BtnAliasClick(IUserInterface& ui, TSession& defaultSession, ArchiveAlignment& alignment,
                   const AliasStepFolders& folders) {
  const std::string& productDir = folders.ProductDir;
  const std::string& instTempDir = folders.InstTempDir;

  ui.BarrazzaTotale().StepIt();
  ui.AddLogLine(std::string(" Inizio configurazione Alias: ") + AliasName);

  const std::string archiveFolder = productDir + "Archivi";
  // An alias that exists stays as it is, whatever its path.
  if (!defaultSession.IsAlias(AliasName)) {
    defaultSession.SetConfigMode({cfmPersistent});
    defaultSession.AddStandardAlias(AliasName, archiveFolder, "NATIVE");
    defaultSession.SaveConfigFile();
  }

  if (DirectoryExists(archiveFolder)) {
    alignment.AllineaVersioneClick();
  } else {
    FillNewFolder(ui, archiveFolder, productDir + "\\ArchiviVuoti", instTempDir + "\\ArchiviVuoti\\*.*");
  }
  ui.AddLogLine(std::string(" Fine configurazione Alias: ") + AliasName);

  ui.AddLogLine(" Inizio configurazione CriptaCF");
  ui.BarrazzaTotale().StepIt();
  const std::string criptaFolder = productDir + "CriptaCF";
  if (!DirectoryExists(criptaFolder)) {
    FillNewFolder(ui, criptaFolder, productDir + "\\CriptaCF", instTempDir + "\\CriptaCF\\*.*");
  }
  ui.AddLogLine(" Fine configurazione CriptaCF");
  ui.BarrazzaTotale().StepIt();
}

}  // namespace vorn
