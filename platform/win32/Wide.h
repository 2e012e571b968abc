// UTF-8 text (everything above the platform layer) to the UTF-16 the
// Windows W functions take, and back. For the Windows implementation only.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace vorn {

// Invalid UTF-8 becomes U+FFFD; invalid UTF-16 the same.
std::wstring Widen(std::string_view text);
std::string Narrow(std::wstring_view text);

// The host path of a Windows path, ready for a W function: "\\?\" goes in
// front of a path too long for the classic limit. Nullopt, with
// ERROR_PATH_NOT_FOUND as the last error, for an empty or unmappable path.
std::optional<std::wstring> HostW(const std::string& winPath);
// The same for a host path in hand.
std::wstring LongPathW(const std::filesystem::path& host);

}  // namespace vorn
