// The archive alignment: brings every table of the module's archive (alias
// "ZAV") in line with the empty template table of the same name shipped in
// the folder "ArchiviVuoti" beside the program.
//
// One run, AllineaVersioneClick, goes through three phases:
//   - PrepareAlignment: connects Principale to "ZAV", clears lock files and
//     leftovers, registers the template alias "NuoviArchiviZAV" and writes
//     the list of template tables ("ListaFileDB.txt");
//   - the table loop: AlignTable compares each listed table and returns its
//     ALTER TABLE statement, which ExecuteAlterStatement runs; a failed
//     statement is reported in three log lines and the loop goes on, any
//     other database error ends the loop with one report line;
//   - CompleteAlignment: removes the list, the template alias and the
//     connection, and logs the success line when nothing failed.
// Errors other than database errors (a folder that cannot be made, the list
// file) end the run at once and pass to the caller.
//
// The main window owns the engine objects and hands them over: the private
// session SessionVORN ("SessionVORN_1"), its database Principale and its
// query SQL. Everything runs on the window's thread; the window is kept alive
// by processing its pending messages once per table.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "alignment/TableList.h"
#include "platform/UserInterface.h"

namespace vorn {

class TSession;
class TDatabase;
class TQuery;
class TTable;

class ArchiveAlignment {
 public:
  static constexpr const char* ModuleAlias = "ZAV";
  static constexpr const char* TemplateAlias = "NuoviArchiviZAV";
  static constexpr const char* ListFileName = "ListaFileDB.txt";

  // programDir: the folder where the templates ("ArchiviVuoti"),
  // "ArchiviLocale" and the list file lie, beside the running program
  // (GetProgramFolder()) unless given. A trailing backslash is added when missing.
  ArchiveAlignment(IUserInterface& ui, TSession& sessionVORN, TDatabase& principale, TQuery& sql);
  ArchiveAlignment(IUserInterface& ui, TSession& sessionVORN, TDatabase& principale, TQuery& sql,
                   std::string programDir);
  ~ArchiveAlignment();
  ArchiveAlignment(const ArchiveAlignment&) = delete;
  ArchiveAlignment& operator=(const ArchiveAlignment&) = delete;

  // The whole run. A press that arrives while a run is going on (a click
  // processed inside the table loop) does nothing: the run under way keeps
  // its list and its tables.
  void AllineaVersioneClick();

  // The phases, for the run and for tests.
  void PrepareAlignment();
  // One list line: logs " Allineamento: NAME", opens the template table and,
  // when the archive has the table, opens it and returns the statement (or
  // nothing when the tables agree); when the archive lacks it, copies the
  // template's files into the archive folder. Database errors pass on.
  std::optional<std::string> AlignTable(const std::string& line);
  void CompleteAlignment();

  bool AlignmentFailed() const { return alignmentFailed_; }
  bool Running() const { return running_; }
  const std::string& ProgramDir() const { return programDir_; }
  std::string TemplateDir() const { return programDir_ + "ArchiviVuoti\\"; }
  std::string ListFilePath() const { return programDir_ + ListFileName; }
  // Known once PrepareAlignment has connected Principale; ends with "\".
  const std::string& ArchiveDir() const { return archiveDir_; }
  // The name the report of a database error gives for the current table.
  const std::string& CurrentName() const { return currentName_; }
  // The archive table AlignTable opened for the current line, or nullptr.
  TTable* ArchiveTable() const { return archiveTable_.get(); }

  // Called with every statement just before it runs (support tools record them).
  std::function<void(const std::string& statement)> OnStatement;

 private:
  void PrepareFolders();
  void PrepareTemplates();
  void RegisterTemplateAlias();
  void RunTableLoop();
  void AlignNextTable();
  void ReportDatabaseError(const std::string& message);

  IUserInterface& ui_;
  TSession& sessionVORN_;
  TDatabase& principale_;
  TQuery& sql_;
  std::string programDir_;

  std::string archiveDir_;
  std::string currentName_;
  bool alignmentFailed_ = false;
  bool running_ = false;
  TableListReader list_;
  std::unique_ptr<TTable> templateTable_;
  std::unique_ptr<TTable> archiveTable_;
};

}  // namespace vorn
