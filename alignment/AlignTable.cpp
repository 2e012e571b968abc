// One table of the alignment: see ArchiveAlignment.h and TableStructure.h.
#include "alignment/ArchiveAlignment.h"
#include "alignment/TableStructure.h"
#include "engine/DBEngine.h"
#include "engine/Session.h"
#include "engine/Table.h"
#include "platform/FileSystem.h"
#include "platform/Shell.h"

namespace vorn {

std::optional<std::string> ArchiveAlignment::AlignTable(const std::string& line) {
  // The name before the first dot: "TAB.old.db" is the table "TAB".
  const std::string tableName = line.substr(0, line.find('.'));
  currentName_ = tableName;
  ui_.AddLogLine(" Allineamento: " + tableName);

  // The previous line's template table is released before the next opens.
  templateTable_.reset();
  templateTable_ = std::make_unique<TTable>(sessionVORN_);
  templateTable_->SetDatabaseName(TemplateAlias);
  templateTable_->SetTableName(tableName);
  templateTable_->SetTableType(ttDefault);
  templateTable_->Open();

  if (!FileExists(archiveDir_ + tableName + ".db")) {
    // Table, index and memo files alike; existing ones are replaced.
    ShellFileOp(128, TemplateDir() + tableName + ".*", archiveDir_, "Copy");
    return std::nullopt;
  }

  archiveTable_ = std::make_unique<TTable>(sessionVORN_);
  archiveTable_->SetDatabaseName(ModuleAlias);
  archiveTable_->SetTableName(tableName);
  archiveTable_->SetTableType(ttDefault);
  archiveTable_->Open();

  const std::string tableFileName = tableName + ".db";
  currentName_ = tableFileName;
  // The field lookup goes through the engine's default session, not ours.
  TableFieldFinder finder(sessionVORN_.Engine().DefaultSession(), ModuleAlias, tableFileName);
  return BuildAlterStatement(tableFileName, templateTable_->Fields(), archiveTable_->Fields(),
                             [&](const std::string& fieldName) { return finder.Find(fieldName).has_value(); });
}

}  // namespace vorn
