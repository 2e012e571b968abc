// What a program asks of its host beyond files: which thread it runs on, the
// local time, random bytes and its command line.
#pragma once

#include <cstddef>
#include <ctime>
#include <string>
#include <vector>

namespace vorn {

// True on the thread the program started on.
bool OnMainThread();

// A time broken down in the local time zone.
std::tm LocalTime(std::time_t time);

// Fills the buffer from the system's random source (for keys); raises
// std::runtime_error "No random bytes: <reason>" when it cannot.
void SystemRandom(void* buffer, size_t size);

// A command-line program's arguments as UTF-8 (argv[0] included), in the form
// main receives them, whatever the host's own encoding of the command line.
// On Windows it also sets the standard streams to pass bytes unchanged (no
// CR added before LF) and the console to show UTF-8, so that a program's
// output is the same bytes on every host.
class CommandLine {
 public:
  CommandLine(int argc, char** argv);
  CommandLine(const CommandLine&) = delete;
  CommandLine& operator=(const CommandLine&) = delete;

  int Argc() const { return static_cast<int>(arguments_.size()); }
  char** Argv() { return pointers_.data(); }

 private:
  std::vector<std::string> arguments_;
  std::vector<char*> pointers_;  // into arguments_, ending in null
};

}  // namespace vorn
