// Reads and changes this process's environment variables in UTF-8, the same
// way on both hosts: on Windows through the wide functions, which keep the C
// runtime's copy and the system's in step (child processes see the change).
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <optional>
#include <string>

namespace vorn::test {

#ifdef _WIN32
inline std::wstring Wide(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end())).wstring();
}
inline std::string Utf8(const std::wstring& wide) {
  const std::u8string text = std::filesystem::path(wide).u8string();
  return std::string(text.begin(), text.end());
}
#endif

// A path as the UTF-8 text the program takes on the command line and in variables.
inline std::string PathText(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

inline std::optional<std::string> GetVariable(const std::string& name) {
#ifdef _WIN32
  const wchar_t* value = _wgetenv(Wide(name).c_str());
  if (value == nullptr) return std::nullopt;
  return Utf8(value);
#else
  const char* value = std::getenv(name.c_str());
  if (value == nullptr) return std::nullopt;
  return std::string(value);
#endif
}

// On Windows an empty value removes the variable (the system keeps no empty ones).
inline void SetVariable(const std::string& name, const std::string& value) {
#ifdef _WIN32
  _wputenv_s(Wide(name).c_str(), Wide(value).c_str());
#else
  setenv(name.c_str(), value.c_str(), 1);
#endif
}

inline void UnsetVariable(const std::string& name) {
#ifdef _WIN32
  _wputenv_s(Wide(name).c_str(), L"");
#else
  unsetenv(name.c_str());
#endif
}

}  // namespace vorn::test
