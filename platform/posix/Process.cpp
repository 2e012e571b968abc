// Threads, local time, random bytes and arguments on a POSIX host.
#include "platform/Process.h"

#include <sys/random.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace vorn {

bool OnMainThread() { return gettid() == getpid(); }

std::tm LocalTime(std::time_t time) {
  std::tm local{};
  localtime_r(&time, &local);
  return local;
}

void SystemRandom(void* buffer, size_t size) {
  auto* bytes = static_cast<unsigned char*>(buffer);
  size_t filled = 0;
  while (filled < size) {
    const ssize_t count = getrandom(bytes + filled, size - filled, 0);
    if (count < 0) {
      if (errno == EINTR) continue;
      throw std::runtime_error(std::string("No random bytes: ") + std::strerror(errno));
    }
    filled += static_cast<size_t>(count);
  }
}

// The host's arguments are bytes; UTF-8 is what the system's locale gives.
CommandLine::CommandLine(int argc, char** argv) : arguments_(argv, argv + argc) {
  for (auto& argument : arguments_) pointers_.push_back(argument.data());
  pointers_.push_back(nullptr);
}

}  // namespace vorn
