// The engine of a process: configuration on first use, the list of its
// sessions, and the table files its tables hold open.
#include "engine/DBEngine.h"

#include <algorithm>

#include "engine/DatabaseError.h"
#include "engine/Session.h"
#include "engine/Text.h"
#include "platform/WinPath.h"

namespace vorn {

TDBEngine::TDBEngine(std::string configFile) : configFile_(std::move(configFile)) {
  defaultSession_ = std::make_unique<TSession>(DefaultSessionName, *this);
}

TDBEngine::~TDBEngine() {
  // The default session unregisters itself; private sessions must not
  // outlive the engine, and hold only a reference to it.
  defaultSession_.reset();
}

TSession* TDBEngine::FindSession(std::string_view sessionName) const {
  for (TSession* session : sessions_) {
    if (dbtext::SameName(session->SessionName(), sessionName)) return session;
  }
  return nullptr;
}

TConfigFile& TDBEngine::Config() {
  if (!config_) config_ = std::make_unique<TConfigFile>(TConfigFile::Load(configFile_));
  return *config_;
}

void TDBEngine::AddPersistentAlias(const TAliasDef& alias) {
  Config().SetAlias(alias);
  pendingChanges_.push_back({true, alias});
}

bool TDBEngine::DeletePersistentAlias(const std::string& name) {
  if (!Config().RemoveAlias(name)) return false;
  pendingChanges_.push_back({false, TAliasDef{name, "", ""}});
  return true;
}

void TDBEngine::SaveConfig() {
  Config();  // raises when the engine is not installed
  TConfigFile merged = *config_;
  try {
    merged = TConfigFile::Load(configFile_);
    for (const AliasChange& change : pendingChanges_) {
      if (change.Added) {
        merged.SetAlias(change.Alias);
      } else {
        merged.RemoveAlias(change.Alias.Name);
      }
    }
  } catch (const EDatabaseError&) {
    // The file went away or was damaged since it was read: write what this
    // engine knows rather than lose its changes.
    merged = *config_;
  }
  merged.Save(configFile_);
  *config_ = merged;
  pendingChanges_.clear();
}

void TDBEngine::RegisterOpenTable(const std::string& key) { ++openTables_[key]; }

void TDBEngine::UnregisterOpenTable(const std::string& key) {
  auto it = openTables_.find(key);
  if (it != openTables_.end() && --it->second <= 0) openTables_.erase(it);
}

bool TDBEngine::IsTableOpen(const std::filesystem::path& hostPath) const {
  return openTables_.contains(HostPathKey(hostPath));
}

void TDBEngine::RegisterSession(TSession* session) {
  if (FindSession(session->SessionName()) != nullptr) {
    throw EDatabaseError("Duplicate session name: " + session->SessionName());
  }
  sessions_.push_back(session);
}

void TDBEngine::UnregisterSession(TSession* session) { std::erase(sessions_, session); }

TDBEngine& DefaultEngine() {
  static TDBEngine engine;
  return engine;
}

TSession& DefaultSession() { return DefaultEngine().DefaultSession(); }

}  // namespace vorn
