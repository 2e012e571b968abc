// libFuzzer target: arbitrary bytes as a zip archive whose directory is
// loaded, with every entry's name decoded. Any input must end with one of the
// component's messages, never a crash, a hang or unbounded memory.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/CodePage.h"
#include "platform/WinPath.h"
#include "zip/ZipUnpacker.h"

namespace {

std::filesystem::path& ArchivePath() {
  static std::filesystem::path path;
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::string folder = (std::filesystem::temp_directory_path() / "vorn-zipfuzz-XXXXXX").string();
  if (!mkdtemp(folder.data())) std::abort();
  std::filesystem::create_directories(std::filesystem::path(folder) / "drive_c");
  setenv("VORN_DRIVE_C", (std::filesystem::path(folder) / "drive_c").c_str(), 1);
  ArchivePath() = std::filesystem::path(folder) / "input.zip";
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  {
    std::ofstream out(ArchivePath(), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  vorn::SetCodePages(1252, size % 2 ? 437 : 850);
  vorn::TZipUnpacker zip;
  // Both reporting modes, and the explicit encodings besides the automatic one.
  zip.SetShowProgress(size % 3 == 0 ? vorn::ZspFull : vorn::ZspNone);
  zip.SetEncoding(static_cast<vorn::TZUEncodingOpts>(size % 5));
  zip.SetUseDirOnlyEntries(size % 7 == 0);
  int64_t percent = 0;
  zip.OnProgress = [&](void*, vorn::TZUProgressDetails& details) { percent += details.ItemPerCent(); };
  zip.SetZipFileName(vorn::ToWinPath(ArchivePath()));
  if (const vorn::TZUZipReader* reader = zip.Reader()) {
    for (const vorn::TZUEntryReader& entry : reader->Entries()) {
      if (zip.EntryName(entry).size() > 4 * 65535u) std::abort();
    }
  }
  if (zip.ErrCode() != 0 && zip.ErrMessage().empty()) std::abort();
  return 0;
}
