// What the modal boxes say.
#include "app/MessageBoxes.h"

namespace vorn {

const char* MessageBoxCaption(MessageBoxKind kind) {
  return kind == MessageBoxKind::Error ? "Error" : "Information";
}

std::string WithFullStop(const std::string& message) {
  // Bytes of a multi-byte UTF-8 character are all above ".", as the
  // character itself is.
  if (message.empty() || static_cast<unsigned char>(message.back()) <= '.') return message;
  return message + '.';
}

}  // namespace vorn
