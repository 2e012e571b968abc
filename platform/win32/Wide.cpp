// UTF-8 and UTF-16 conversions at the boundary to the Win32 API.
#include "platform/win32/Wide.h"

#include "platform/FileSystem.h"
#include "platform/WinPath.h"

#include <windows.h>

namespace vorn {

std::wstring Widen(std::string_view text) {
  if (text.empty()) return {};
  const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  return wide;
}

std::string Narrow(std::wstring_view text) {
  if (text.empty()) return {};
  const int length =
      WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), narrow.data(), length, nullptr,
                      nullptr);
  return narrow;
}

std::wstring LongPathW(const std::filesystem::path& host) {
  std::wstring wide = host.wstring();
  // Below the classic limit the path goes as it is, so that relative forms
  // and the shell's own rules keep working.
  if (wide.size() < MAX_PATH - 12 || wide.starts_with(L"\\\\?\\")) return wide;
  if (wide.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + wide.substr(2);
  return L"\\\\?\\" + wide;
}

std::optional<std::wstring> HostW(const std::string& winPath) {
  if (winPath.empty()) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return std::nullopt;
  }
  const auto host = ToHostPath(winPath);
  if (!host) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return std::nullopt;
  }
  return LongPathW(*host);
}

}  // namespace vorn
