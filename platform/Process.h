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

// The program's arguments (argv[0] included) as UTF-8, whatever the host's
// own encoding of the command line.
std::vector<std::string> ProgramArguments(int argc, char** argv);

}  // namespace vorn
