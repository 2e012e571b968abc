// The list file of an alignment run: see TableList.h.
#include "alignment/TableList.h"

#include <algorithm>

#include "platform/FileSystem.h"
#include "platform/WinFile.h"
#include "platform/WinPath.h"
#include "platform/Wildcard.h"

namespace vorn {

std::vector<std::string> FindTableFiles(const std::string& folder) {
  std::vector<std::string> names;
  for (const DirEntry& entry : ListDirectory(ExcludeTrailingBackslash(folder))) {
    if (WildcardMatch("*.db", entry.Name)) names.push_back(entry.Name);
  }
  // The host lists a folder in no particular order; an NTFS folder lists its
  // names sorted without regard to letter case, and the tables are aligned in
  // that order, so keep it for every run to see the same sequence.
  std::stable_sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    return FoldCase(a) < FoldCase(b);
  });
  return names;
}

bool IsListedTableFile(const std::string& fileName) {
  const std::string prefix = fileName.substr(0, 4);
  return prefix != "Stru" && prefix != "Vorn" && prefix != "Copy";
}

int WriteTableList(const std::string& listPath, const std::string& templateFolder) {
  WinFile file(listPath, FileOpen::CreateAlways);
  std::string text;
  int count = 0;
  for (const std::string& name : FindTableFiles(templateFolder)) {
    if (!IsListedTableFile(name)) continue;
    text += name;
    text += "\r\n";
    ++count;
  }
  file.Write(text.data(), text.size());
  file.Close();
  return count;
}

void TableListReader::Open(const std::string& listPath) {
  Close();
  WinFile file(listPath, FileOpen::Read);
  std::string text;
  char buffer[16384];
  for (;;) {
    const int64_t got = file.Read(buffer, sizeof buffer);
    if (got < 0) throw FileError(ERROR_READ_FAULT, "Errore di lettura del file " + listPath);
    if (got == 0) break;
    text.append(buffer, static_cast<size_t>(got));
  }
  text_ = std::move(text);
  next_ = 0;
  open_ = true;
}

void TableListReader::Close() {
  open_ = false;
  text_.clear();
  next_ = 0;
}

bool TableListReader::Eof() const { return !open_ || next_ >= text_.size(); }

std::string TableListReader::ReadLine() {
  if (Eof()) return {};
  // A line ends at CR LF, at a lone CR or LF, or at the end of the file.
  const size_t end = text_.find_first_of("\r\n", next_);
  if (end == std::string::npos) {
    std::string line = text_.substr(next_);
    next_ = text_.size();
    return line;
  }
  std::string line = text_.substr(next_, end - next_);
  next_ = end + 1;
  if (text_[end] == '\r' && next_ < text_.size() && text_[next_] == '\n') ++next_;
  return line;
}

}  // namespace vorn
