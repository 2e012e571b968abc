// The zip component's message texts, looked up by id (TZUHandler).
//
// The table is compiled in compressed (the CRC-32 of its text in four bytes,
// then the text in raw Deflate) and is inflated and parsed at the first lookup,
// once per component. Its readable source is zip/ZipMessages.txt.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vorn {

// OnLoadStr(id, text): may replace the text looked up for an id.
using TZULoadStrEvent = std::function<void(int Ident, std::string& DefStr)>;

// The parsed table: ids 0 to 223; ids without a line stay empty.
using TZUMessageTexts = std::array<std::string, 224>;

// Inflates a stored table (4 CRC bytes, raw Deflate). A CRC mismatch is
// tolerated; false for damaged data or more than 19999 bytes of text.
bool InflateMessageTable(const unsigned char* data, size_t size, std::string& text);
// Parses the text: "id,text" per line, blanks dropped, quotes and \n undone.
TZUMessageTexts ParseMessageTable(std::string_view text);

// Replaces each "%s" or "%d" in order by the next argument ("%%" is "%").
std::string ZipFormat(std::string_view format, const std::vector<std::string>& args);

class TZUHandler {
 public:
  virtual ~TZUHandler() = default;

  // The text of an id; "Resource missing for <id>" when it has none.
  std::string ZipLoadStr(int id);
  std::string ZipFmtLoadStr(int id, const std::vector<std::string>& args);

  // Loads the built-in table when it is not loaded yet; false when it cannot.
  bool LoadMessageTable();
  bool MessageTableLoaded() const { return loaded_; }

  // The component's OnLoadStr, consulted at every lookup when assigned.
  void SetLoadStrHook(const TZULoadStrEvent* hook) { onLoadStr_ = hook; }

 private:
  const TZULoadStrEvent* onLoadStr_ = nullptr;
  TZUMessageTexts texts_;
  bool loaded_ = false;
};

}  // namespace vorn
