// The alignment run and its table loop: see ArchiveAlignment.h.
#include "alignment/ArchiveAlignment.h"

#include "alignment/ExecuteAlterStatement.h"
#include "engine/DatabaseError.h"
#include "engine/Database.h"
#include "engine/Query.h"
#include "engine/Session.h"
#include "engine/Table.h"
#include "platform/FileSystem.h"
#include "platform/Shell.h"
#include "platform/WinPath.h"

namespace vorn {

ArchiveAlignment::ArchiveAlignment(IUserInterface& ui, TSession& sessionVORN, TDatabase& principale,
                                   TQuery& sql, std::string programDir)
    : ui_(ui),
      sessionVORN_(sessionVORN),
      principale_(principale),
      sql_(sql),
      programDir_(IncludeTrailingBackslash(programDir)) {}

ArchiveAlignment::ArchiveAlignment(IUserInterface& ui, TSession& sessionVORN, TDatabase& principale,
                                   TQuery& sql)
    : ArchiveAlignment(ui, sessionVORN, principale, sql, GetProgramFolder()) {}

ArchiveAlignment::~ArchiveAlignment() = default;

void ArchiveAlignment::AllineaVersioneClick() {
  if (running_) return;
  struct RunningFlag {
    bool& flag;
    explicit RunningFlag(bool& f) : flag(f) { flag = true; }
    ~RunningFlag() { flag = false; }
  } runningFlag(running_);

  alignmentFailed_ = false;
  currentName_.clear();
  PrepareFolders();
  try {
    PrepareTemplates();
    RunTableLoop();
  } catch (const EDatabaseError& error) {
    ReportDatabaseError(error.what());
  }
  CompleteAlignment();
}

void ArchiveAlignment::RunTableLoop() {
  while (!list_.Eof()) AlignNextTable();
}

void ArchiveAlignment::AlignNextTable() {
  ui_.ProcessMessages();
  ui_.Barrazza().StepIt();
  const std::optional<std::string> statement = AlignTable(list_.ReadLine());
  if (statement) {
    // The engine refuses to change a table that is open.
    if (archiveTable_) archiveTable_->Close();
    if (OnStatement) OnStatement(*statement);
    const AlterResult result = ExecuteAlterStatement(sql_, *statement);
    if (result.Failed) {
      alignmentFailed_ = true;
      ui_.AddLogLine(" *******************************************************************");
      ui_.AddLogLine(" Si è verificato il seguente errore durante l'aggiornamento di " + currentName_);
      ui_.AddLogLine(" " + result.Message);
    }
  }
  archiveTable_.reset();
}

void ArchiveAlignment::ReportDatabaseError(const std::string& message) {
  // One log line; the carriage returns break it in the log pane.
  ui_.AddLogLine(" Si è verificato il seguente errore durante l' aggiornamento di " + currentName_ +
                 "\r\r" + message + "\r\rSegnare il messaggio di errore e contattare la VORN.");
  alignmentFailed_ = true;
}

void ArchiveAlignment::CompleteAlignment() {
  list_.Close();
  DeleteFile(ListFilePath());
  // Files of an older version of the alignment, in the process's current folder.
  const std::string currentDir = IncludeTrailingBackslash(GetCurrentDir());
  for (const char* name : {"CampiTabellaNuova.txt", "CampiTabellaVecchia.txt", "Indice.txt"}) {
    DeleteFile(currentDir + name);
  }

  templateTable_.reset();
  // An archive table left open by a loop that a database error ended would
  // keep its file busy until the next run.
  archiveTable_.reset();
  sessionVORN_.DeleteAlias(TemplateAlias);
  principale_.SetConnected(false);

  if (!alignmentFailed_) ui_.AddLogLine(" ALLINEAMENTO ARCHIVI ESEGUITO CORRETTAMENTE");
  ui_.Barrazza().SetPosition(0);
}

}  // namespace vorn
