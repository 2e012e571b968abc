// The list of template tables that one alignment run walks: "ListaFileDB.txt"
// beside the program, one template file name per line (CR LF), written once
// by the preparation and read from its first line by the table loop.
// The file is UTF-8; only the run writes and reads it.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace vorn {

// The names that the directory search of "*.db" in a folder returns, entries
// of any attribute (folders too), in the order of an NTFS folder: letter case
// folded. Empty when the folder is missing or holds none.
std::vector<std::string> FindTableFiles(const std::string& folder);

// True unless the name begins with "Stru", "Vorn" or "Copy" (letter case counts):
// those are the engine's and the module's own work tables, never aligned.
bool IsListedTableFile(const std::string& fileName);

// Creates the list file anew (an existing one is replaced) from the template
// folder and returns the number of names written. Raises FileError when the
// file cannot be created or written.
int WriteTableList(const std::string& listPath, const std::string& templateFolder);

// Reads a list file line by line. Raises FileError when it cannot be opened.
class TableListReader {
 public:
  void Open(const std::string& listPath);
  void Close();
  bool IsOpen() const { return open_; }
  // True when no line is left (also when the file is closed).
  bool Eof() const;
  // The next line without its line end; "" past the end.
  std::string ReadLine();

 private:
  bool open_ = false;
  std::string text_;
  size_t next_ = 0;
};

}  // namespace vorn
