// libFuzzer target: arbitrary bytes as a zip archive, loaded and extracted
// into a temporary folder. Any input must end with one of the component's
// messages, never a crash or a hang, and nothing may be written outside the
// base folder.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/WinPath.h"
#include "zip/Extract.h"
#include "zip/ZipUnpacker.h"

namespace {

namespace fs = std::filesystem;

fs::path& Root() {
  static fs::path root;
  return root;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::string folder = (fs::temp_directory_path() / "vorn-zipxfuzz-XXXXXX").string();
  if (!mkdtemp(folder.data())) std::abort();
  Root() = folder;
  fs::create_directories(Root() / "drive_c");
  setenv("VORN_DRIVE_C", (Root() / "drive_c").c_str(), 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const fs::path archive = Root() / "input.zip";
  const fs::path out = Root() / "out";
  {
    std::ofstream file(archive, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  fs::create_directories(out);
  {
    vorn::TZipUnpacker zip;
    zip.SetUnattended(size % 2 == 0);  // without a presenter the password box answers Cancel
    zip.SetPassword(size % 3 == 0 ? "password" : "");
    zip.SetExtrOptions(vorn::ExtrDirNames | vorn::ExtrOverWrite | vorn::ExtrForceDirs);
    zip.SetExtrBaseDir(vorn::ToWinPath(out) + "\\");
    zip.SetZipFileName(vorn::ToWinPath(archive));
    zip.Extract();
    if (zip.ErrCode() != 0 && zip.ErrMessage().empty()) std::abort();
  }
  // Only the archive, drive C: and the base folder may exist at the top.
  for (const auto& item : fs::directory_iterator(Root())) {
    const std::string name = item.path().filename().string();
    if (name != "input.zip" && name != "out" && name != "drive_c") std::abort();
  }
  std::error_code ignored;
  fs::remove_all(out, ignored);
  return 0;
}
