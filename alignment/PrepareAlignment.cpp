// The first phase of an alignment run: see ArchiveAlignment.h.
#include "alignment/AlignmentErrors.h"
#include "alignment/ArchiveAlignment.h"
#include "engine/Database.h"
#include "engine/Session.h"
#include "platform/FileSystem.h"
#include "platform/Shell.h"

namespace vorn {

void ArchiveAlignment::PrepareAlignment() {
  PrepareFolders();
  PrepareTemplates();
}

// Steps outside the run's database-error handler: their errors end the run.
void ArchiveAlignment::PrepareFolders() {
  ui_.AddLogLine(" Preparazione degli archivi in corso...");
  ui_.ProcessMessages();

  principale_.SetConnected(false);
  principale_.SetAliasName(ModuleAlias);
  principale_.SetConnected(true);
  archiveDir_ = principale_.Directory();

  // Lock files of the engine and leftovers of earlier runs; a pattern that
  // matches nothing is no failure.
  const std::string templates = programDir_ + "ArchiviVuoti\\";
  for (const std::string& pattern :
       {archiveDir_ + "*.Lck", archiveDir_ + "*.val", archiveDir_ + "*.sch", archiveDir_ + "*.tv",
        archiveDir_ + "Stru*.*", templates + "Stru*.*", archiveDir_ + "Copy*.*", templates + "Copy*.*"}) {
    ShellFileOp(128, pattern, pattern, "Delete");
  }

  const std::string localArchive = programDir_ + "ArchiviLocale";
  if (!DirectoryExists(localArchive) && !CreateDir(localArchive)) {
    throw EFolderError("Impossibile creare " + localArchive);
  }
}

// Steps inside the run's database-error handler.
void ArchiveAlignment::PrepareTemplates() {
  ui_.Barrazza().SetPosition(0);
  RegisterTemplateAlias();
  const int count = WriteTableList(ListFilePath(), TemplateDir());
  list_.Open(ListFilePath());
  ui_.Barrazza().SetPosition(0);
  ui_.Barrazza().SetMax(count);
}

void ArchiveAlignment::RegisterTemplateAlias() {
  // An alias left behind by a run that ended early is replaced.
  try {
    sessionVORN_.DeleteAlias(TemplateAlias);
    sessionVORN_.AddStandardAlias(TemplateAlias, TemplateDir(), "NATIVE");
  } catch (...) {
    sessionVORN_.SetConfigMode(TConfigModes::All());
    throw;
  }
  sessionVORN_.SetConfigMode(TConfigModes::All());
}

}  // namespace vorn
