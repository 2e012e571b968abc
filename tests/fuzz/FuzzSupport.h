// What the fuzz targets share: the promise check, the scratch drive, file bytes.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace fuzz {

// A broken promise ends the run, with the line that saw it.
inline void Check(bool condition, int line = __builtin_LINE()) {
  if (condition) return;
  std::fprintf(stderr, "check failed at line %d\n", line);
  std::abort();
}

// The host folder the target's drive C: stands in, set once at start.
inline std::filesystem::path& Drive() {
  static std::filesystem::path drive;
  return drive;
}

inline std::string Bytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace fuzz
