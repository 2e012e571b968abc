// Tables of a session. An open table keeps its file open for reading and is
// listed with the engine, so that statements leave it alone until it is
// closed.
#include "engine/Table.h"

#include "engine/DBEngine.h"
#include "engine/DatabaseError.h"
#include "engine/Session.h"
#include "engine/TableFile.h"
#include "engine/TablePath.h"
#include "engine/Text.h"

namespace vorn {

TTable::TTable(TSession& session) : session_(session) {}

TTable::TTable() : TTable(DefaultSession()) {}

TTable::~TTable() { Close(); }

void TTable::SetDatabaseName(const std::string& databaseName) {
  if (Active()) throw EDatabaseError("Cannot change the database of the open table " + tableName_);
  databaseName_ = databaseName;
}

void TTable::SetTableName(const std::string& tableName) {
  if (Active()) throw EDatabaseError("Cannot rename the open table " + tableName_);
  tableName_ = tableName;
  if (dbtext::EndsWithName(tableName_, ".db")) tableName_.resize(tableName_.size() - 3);
}

void TTable::SetTableType(TTableType tableType) {
  if (Active()) throw EDatabaseError("Cannot change the type of the open table " + tableName_);
  tableType_ = tableType;
}

void TTable::Open() {
  if (Active()) return;
  TTablePath path = ResolveTablePath(session_, databaseName_, tableName_);
  fileName_ = path.FileName;
  auto file = std::make_unique<TTableFile>(path.HostPath, path.FileName, false, session_.Engine().BusyTimeoutMs());
  fields_ = file->Fields();
  file_ = std::move(file);
  openKey_ = path.Key;
  session_.Engine().RegisterOpenTable(openKey_);
}

void TTable::Close() {
  if (!Active()) return;
  file_.reset();
  fields_.clear();
  session_.Engine().UnregisterOpenTable(openKey_);
  openKey_.clear();
}

const TFieldDef* TTable::FindField(const std::string& fieldName) const {
  for (const TFieldDef& field : fields_) {
    if (dbtext::SameName(field.FieldName, fieldName)) return &field;
  }
  return nullptr;
}

TTableFile& TTable::OpenFile() {
  if (!Active()) throw EDatabaseError("Table " + tableName_ + " is not open");
  return *file_;
}

int64_t TTable::RecordCount() { return OpenFile().RecordCount(); }

std::vector<TRecord> TTable::ReadRecords() { return OpenFile().ReadRecords(); }

void TTable::AppendRecords(const std::vector<TRecord>& records) {
  OpenFile();
  // The reading connection cannot write; a short-lived writing one does.
  TTablePath path = ResolveTablePath(session_, databaseName_, tableName_);
  TTableFile writer(path.HostPath, path.FileName, true, session_.Engine().BusyTimeoutMs());
  writer.AppendRecords(records);
}

void TTable::CreateTable(const TFieldDefs& fields) {
  if (Active()) throw EDatabaseError("Cannot create the open table " + tableName_);
  TTablePath path = ResolveTablePath(session_, databaseName_, tableName_);
  TTableFile::Create(path.HostPath, path.FileName, fields);
  fileName_ = path.FileName;
}

}  // namespace vorn
