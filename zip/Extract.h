// Extraction of the loaded archive's entries under the base folder (the
// operation "Extract"): selection, name cleaning, the overwrite rule, and the
// streaming of each entry through a temporary file in the target's folder, so
// that an existing file is replaced only by complete, CRC-checked content.
#pragma once

#include <cstdint>
#include <string>

#include "zip/ZipCommand.h"

namespace vorn {

// The extraction options (ExtrOptions), a bit each.
enum TZUExtrOpts : uint32_t {
  ExtrDirNames = 1u << 0,   // keep the folder part of entry names
  ExtrOverWrite = 1u << 1,  // existing files may be replaced
  ExtrFreshen = 1u << 2,    // only replace existing files
  ExtrUpdate = 1u << 3,     // replace only by newer entries
  ExtrTest = 1u << 4,       // (not used by this system)
  ExtrForceDirs = 1u << 5,  // the base folder need not exist beforehand
  ExtrNTFS = 1u << 6,       // (not used by this system)
  ExtrSafe = 1u << 7,       // (not used by this system)
};
using TZUExtrOptions = uint32_t;

// The settings of one Extract, filled from the component.
struct TZUUnzOpts {
  std::string ExcludeString;  // the exclusion list joined with "|"
  std::string BaseDir;        // ExtrBaseDir as set
  bool DropDirs = false;      // not ExtrDirNames
  bool KeepName = true;       // no OnSetExtName handler
  int OverwriteMode = 0;      // 1 with ExtrOverWrite
  bool NTFSTimes = false;
};

class TZUOpUnzipFiles : public TZUOperationRoot {
 public:
  int Execute(TZUCommand& TheBody) override;
  unsigned Needs() const override { return ZorFSpecArgs; }
  unsigned Changes() const override { return ZorFSpecArgs; }
  std::string Name() const override { return "Extract"; }
};

// Matching of entry names against entry specifications: "*" any run, "?" one
// character but never "\", "|" between alternatives, "*.*" everything;
// letter case ignored. A plain name is compared whole.
bool ZipSpecMatch(std::string_view pattern, std::string_view name);

}  // namespace vorn
