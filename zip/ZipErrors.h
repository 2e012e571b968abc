// Errors of the zip component: the extended codes that carry where an error
// arose, the exceptions that carry them out of deep reading code, and the
// record of the first error of an operation.
//
// An extended code is minus (unit x 16777216 + location x 4096 + id): the id
// in bits 0 to 8, a location in bits 12 to 23, a unit in bits 24 to 29. The
// location is the source line that raised the error, so a support engineer
// can find the place from ExtErrCode alone.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace vorn {

// Units of the component, for the extended codes.
enum TZipUnit : int {
  ZuRunner = 1,
  ZuCore = 2,
  ZuLister = 3,
  ZuReader = 4,
  ZuExtract = 5,
};

// The id (0 to 511) of any code, positive or negative.
constexpr int ZipErrId(int64_t code) {
  return static_cast<int>((code < 0 ? -code : code) & 511);
}

// The negative code travelling inside the component.
constexpr int MakeExtCode(int id, int unit, int location) {
  return -((unit & 63) * 16777216 + (location & 0xFFF) * 4096 + (id & 511));
}

// The default location is the caller's source line (GCC and clang builtin).
inline int ZipErrCode(int id, int unit, int line = __builtin_LINE()) { return MakeExtCode(id, unit, line); }

// Base of the component's exceptions: a message and an extended code.
class EZUException : public std::runtime_error {
 public:
  EZUException(int extCode, const std::string& message) : std::runtime_error(message), extCode_(extCode) {}
  int ExtCode() const { return extCode_; }
  int Id() const { return ZipErrId(extCode_); }

 private:
  int extCode_;
};

// An error raised with a message id. An empty message means the table text
// of the id (or the prepared message when the code matches it), filled in
// when the error is shown.
class EZipUnpacker : public EZUException {
 public:
  explicit EZipUnpacker(int extCode, const std::string& message = std::string()) : EZUException(extCode, message) {}
};

// A cancel: "User Abort", code minus 139; never shown in a dialog.
class EZUAbort : public EZUException {
 public:
  EZUAbort() : EZUException(-139, "User Abort") {}
};

// The first error of the current operation.
struct TZUErrors {
  int FCode = 0;            // message id, 0 for none
  uint32_t FExtCode = 0;    // absolute value of the extended code
  std::string FErrMessage;  // its text
  int FErrUnit = 0;         // 6 bits
  int FErrLine = 0;         // 12 bits

  void Clear() { *this = TZUErrors(); }
  void Record(int code, const std::string& text) {
    const int64_t magnitude = code < 0 ? -static_cast<int64_t>(code) : code;
    FCode = ZipErrId(code);
    FExtCode = static_cast<uint32_t>(magnitude);
    FErrMessage = text;
    FErrUnit = static_cast<int>((magnitude >> 24) & 63);
    FErrLine = static_cast<int>((magnitude >> 12) & 0xFFF);
  }
};

}  // namespace vorn
