// Runs a fuzz target once over every file of a corpus folder, without
// libFuzzer: the regression run of the normal builds, so that a finding
// fixed once stays fixed.
//   NAME_replay CORPUS-FOLDER
// Each target gets a scratch temporary folder and drive C:, removed at the
// end. A broken promise aborts, as under the fuzzer; the exit status is 0
// when every file ran.
#include <stdlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) __attribute__((weak));

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  if (argc != 2 || !fs::is_directory(argv[1])) {
    std::fprintf(stderr, "usage: %s CORPUS-FOLDER\n", argc > 0 ? argv[0] : "replay");
    return 2;
  }
  std::string scratch = (fs::temp_directory_path() / "vorn-fuzz-replay-XXXXXX").string();
  if (mkdtemp(scratch.data()) == nullptr) {
    std::perror("mkdtemp");
    return 2;
  }
  fs::create_directories(fs::path(scratch) / "drive_c");
  setenv("VORN_DRIVE_C", (fs::path(scratch) / "drive_c").c_str(), 1);
  setenv("TMPDIR", scratch.c_str(), 1);
  if (LLVMFuzzerInitialize != nullptr) LLVMFuzzerInitialize(&argc, &argv);

  std::vector<fs::path> files;
  for (const auto& item : fs::directory_iterator(argv[1])) {
    if (item.is_regular_file()) files.push_back(item.path());
  }
  std::sort(files.begin(), files.end());
  for (const fs::path& file : files) {
    const std::string bytes = fuzz::Bytes(file);
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  }
  std::error_code ignored;
  fs::remove_all(scratch, ignored);
  std::printf("%zu inputs of %s\n", files.size(), argv[1]);
  return files.empty() ? 1 : 0;
}
