// The engine's configuration file.
//
// A UTF-8 text file of nodes, each a header line "[\NODE\PATH]" followed by
// its "NAME=value" lines, in the order written:
//
//   ; Configuration of the database engine
//   [\SYSTEM\INIT]
//   LOCAL SHARE=FALSE
//   [\DATABASES\ZAV\DB INFO]
//   TYPE=STANDARD
//   PATH=C:\VornZAV\Archivi
//   DEFAULT DRIVER=NATIVE
//
// Lines starting with ";" are comments; blank lines are ignored; lines end in
// CR LF (LF alone is read too). Node paths and value names are matched
// without regard to letter case. A persistent alias NAME is the node
// "\DATABASES\NAME\DB INFO".
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vorn {

// A standard alias: a folder of tables and the driver its tables default to.
struct TAliasDef {
  std::string Name;
  std::string Path;           // a Windows path, as given
  std::string DefaultDriver;  // "NATIVE"
  bool operator==(const TAliasDef&) const = default;
};

using TConfigParams = std::vector<std::pair<std::string, std::string>>;

class TConfigFile {
 public:
  static constexpr const char* SystemInitNode = "\\SYSTEM\\INIT";

  // The configuration the engine's setup writes: "LOCAL SHARE" = "FALSE",
  // no aliases.
  static TConfigFile Defaults();
  // Reads the file at a Windows path. Raises EDatabaseError when it is
  // missing, unreadable or not a configuration file (the message names the
  // file and, for a bad line, its number).
  static TConfigFile Load(const std::string& winPath);
  static TConfigFile Parse(const std::string& text, const std::string& fileName);

  std::string Text() const;
  // Writes the file through a temporary file beside it, then renames it
  // over the old one, so a failure leaves the old file whole. Creates the
  // folder when missing. Raises EDatabaseError on failure.
  void Save(const std::string& winPath) const;

  bool HasNode(const std::string& node) const;
  // The values of a node in file order; nothing when there is no such node.
  std::optional<TConfigParams> Params(const std::string& node) const;
  // Sets one value, adding the node and the value when missing.
  void SetParam(const std::string& node, const std::string& name, const std::string& value);
  void RemoveNode(const std::string& node);

  std::vector<TAliasDef> Aliases() const;
  std::optional<TAliasDef> FindAlias(const std::string& name) const;
  // Adds or replaces.
  void SetAlias(const TAliasDef& alias);
  bool RemoveAlias(const std::string& name);

 private:
  struct Node {
    std::string Path;
    TConfigParams Params;
  };
  Node* FindNode(const std::string& path);
  const Node* FindNode(const std::string& path) const;

  std::vector<Node> nodes_;
};

// The node that holds an alias's settings.
std::string AliasNode(const std::string& aliasName);

}  // namespace vorn
