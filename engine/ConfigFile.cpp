// Reading and writing the engine's configuration file. The file is small and
// edited by people now and then, so reading is forgiving about letter case,
// blanks and line ends, and strict about anything that is not a node header,
// a value or a comment: a garbled file is reported, never half-understood.
#include "engine/ConfigFile.h"

#include <fstream>
#include <sstream>

#include "engine/DatabaseError.h"
#include "engine/Text.h"
#include "platform/WinPath.h"

namespace vorn {
namespace {

constexpr const char* kTypeName = "TYPE";
constexpr const char* kPathName = "PATH";
constexpr const char* kDriverName = "DEFAULT DRIVER";
constexpr const char* kDatabasesPrefix = "\\DATABASES\\";
constexpr const char* kDbInfoSuffix = "\\DB INFO";
constexpr size_t kMaxFileSize = 4 * 1024 * 1024;

std::string NotInstalled(const std::string& fileName, const std::string& why) {
  return "The database engine is not installed: its configuration file " + fileName + " " + why;
}

// "\DATABASES\NAME\DB INFO" gives NAME; anything else nothing.
std::optional<std::string> AliasNameOfNode(const std::string& node) {
  std::string_view prefix = kDatabasesPrefix;
  std::string_view suffix = kDbInfoSuffix;
  if (node.size() <= prefix.size() + suffix.size()) return std::nullopt;
  if (!dbtext::SameName(std::string_view(node).substr(0, prefix.size()), prefix)) return std::nullopt;
  if (!dbtext::EndsWithName(node, suffix)) return std::nullopt;
  std::string name = node.substr(prefix.size(), node.size() - prefix.size() - suffix.size());
  if (name.find('\\') != std::string::npos) return std::nullopt;
  return name;
}

std::string ValueOf(const TConfigParams& params, std::string_view name) {
  for (const auto& [key, value] : params) {
    if (dbtext::SameName(key, name)) return value;
  }
  return "";
}

}  // namespace

std::string AliasNode(const std::string& aliasName) { return kDatabasesPrefix + aliasName + kDbInfoSuffix; }

TConfigFile TConfigFile::Defaults() {
  TConfigFile config;
  config.SetParam(SystemInitNode, "LOCAL SHARE", "FALSE");
  return config;
}

TConfigFile TConfigFile::Load(const std::string& winPath) {
  std::optional<std::filesystem::path> host = ToHostPath(winPath);
  if (!host) throw EDatabaseError(NotInstalled(winPath, "is on a drive that does not exist"));
  std::error_code ec;
  if (!std::filesystem::is_regular_file(*host, ec)) throw EDatabaseError(NotInstalled(winPath, "is missing"));
  std::ifstream in(*host, std::ios::binary);
  if (!in) throw EDatabaseError(NotInstalled(winPath, "cannot be read"));
  std::string text;
  char buffer[8192];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    text.append(buffer, static_cast<size_t>(in.gcount()));
    if (text.size() > kMaxFileSize) throw EDatabaseError(NotInstalled(winPath, "is too large to be a configuration"));
  }
  if (in.bad()) throw EDatabaseError(NotInstalled(winPath, "cannot be read"));
  return Parse(text, winPath);
}

TConfigFile TConfigFile::Parse(const std::string& text, const std::string& fileName) {
  TConfigFile config;
  std::string_view rest = text;
  if (rest.substr(0, 3) == "\xEF\xBB\xBF") rest.remove_prefix(3);  // a byte-order mark from an editor
  int lineNumber = 0;
  Node* current = nullptr;
  while (!rest.empty()) {
    size_t end = rest.find('\n');
    std::string_view line = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    ++lineNumber;
    auto bad = [&](const std::string& why) {
      return EDatabaseError(NotInstalled(fileName, "is damaged: line " + std::to_string(lineNumber) + " " + why));
    };
    if (line.find('\0') != std::string_view::npos) throw bad("holds a zero byte");
    line = dbtext::Trim(line);
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[') {
      if (line.back() != ']' || line.size() < 3) throw bad("is not a node header");
      std::string path(dbtext::Trim(line.substr(1, line.size() - 2)));
      if (path.front() != '\\') throw bad("names a node without a leading backslash");
      if (config.FindNode(path) != nullptr) throw bad("repeats the node " + path);
      config.nodes_.push_back({path, {}});
      current = &config.nodes_.back();
      continue;
    }
    size_t equals = line.find('=');
    if (equals == std::string_view::npos) throw bad("is neither a node nor a NAME=value line");
    if (current == nullptr) throw bad("holds a value outside any node");
    std::string name(dbtext::Trim(line.substr(0, equals)));
    std::string value(dbtext::Trim(line.substr(equals + 1)));
    if (name.empty()) throw bad("holds a value without a name");
    bool replaced = false;
    for (auto& [key, old] : current->Params) {
      if (dbtext::SameName(key, name)) {
        old = value;  // the last one wins, as people expect when editing by hand
        replaced = true;
      }
    }
    if (!replaced) current->Params.emplace_back(name, value);
  }
  return config;
}

std::string TConfigFile::Text() const {
  std::ostringstream out;
  out << "; Configuration of the database engine\r\n";
  for (const Node& node : nodes_) {
    out << "[" << node.Path << "]\r\n";
    for (const auto& [name, value] : node.Params) out << name << "=" << value << "\r\n";
  }
  return out.str();
}

void TConfigFile::Save(const std::string& winPath) const {
  std::optional<std::filesystem::path> host = ToHostPath(winPath);
  if (!host) throw EDatabaseError("Cannot write the engine configuration " + winPath + ": no such drive");
  std::error_code folderError;
  std::filesystem::create_directories(host->parent_path(), folderError);
  std::filesystem::path temp = *host;
  temp += ".new";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    std::string text = Text();
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.flush();
    if (!out) {
      out.close();
      std::error_code ignored;
      std::filesystem::remove(temp, ignored);
      throw EDatabaseError("Cannot write the engine configuration " + winPath);
    }
  }
  std::error_code ec;
  std::filesystem::rename(temp, *host, ec);
  if (ec) {
    std::error_code ignored;
    std::filesystem::remove(temp, ignored);
    throw EDatabaseError("Cannot write the engine configuration " + winPath + ": " + ec.message());
  }
}

TConfigFile::Node* TConfigFile::FindNode(const std::string& path) {
  for (Node& node : nodes_) {
    if (dbtext::SameName(node.Path, path)) return &node;
  }
  return nullptr;
}

const TConfigFile::Node* TConfigFile::FindNode(const std::string& path) const {
  return const_cast<TConfigFile*>(this)->FindNode(path);
}

bool TConfigFile::HasNode(const std::string& node) const { return FindNode(node) != nullptr; }

std::optional<TConfigParams> TConfigFile::Params(const std::string& node) const {
  const Node* found = FindNode(node);
  if (found == nullptr) return std::nullopt;
  return found->Params;
}

void TConfigFile::SetParam(const std::string& node, const std::string& name, const std::string& value) {
  Node* found = FindNode(node);
  if (found == nullptr) {
    nodes_.push_back({node, {}});
    found = &nodes_.back();
  }
  for (auto& [key, old] : found->Params) {
    if (dbtext::SameName(key, name)) {
      old = value;
      return;
    }
  }
  found->Params.emplace_back(name, value);
}

void TConfigFile::RemoveNode(const std::string& node) {
  std::erase_if(nodes_, [&](const Node& n) { return dbtext::SameName(n.Path, node); });
}

std::vector<TAliasDef> TConfigFile::Aliases() const {
  std::vector<TAliasDef> aliases;
  for (const Node& node : nodes_) {
    std::optional<std::string> name = AliasNameOfNode(node.Path);
    if (!name || name->empty()) continue;
    aliases.push_back({*name, ValueOf(node.Params, kPathName), ValueOf(node.Params, kDriverName)});
  }
  return aliases;
}

std::optional<TAliasDef> TConfigFile::FindAlias(const std::string& name) const {
  const Node* node = FindNode(AliasNode(name));
  if (node == nullptr) return std::nullopt;
  std::optional<std::string> stored = AliasNameOfNode(node->Path);
  return TAliasDef{stored.value_or(name), ValueOf(node->Params, kPathName), ValueOf(node->Params, kDriverName)};
}

void TConfigFile::SetAlias(const TAliasDef& alias) {
  RemoveAlias(alias.Name);
  std::string node = AliasNode(alias.Name);
  SetParam(node, kTypeName, "STANDARD");
  SetParam(node, kPathName, alias.Path);
  SetParam(node, kDriverName, alias.DefaultDriver);
}

bool TConfigFile::RemoveAlias(const std::string& name) {
  if (!HasNode(AliasNode(name))) return false;
  RemoveNode(AliasNode(name));
  return true;
}

}  // namespace vorn
