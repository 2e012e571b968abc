// Threads, local time, random bytes and arguments on Windows.
#include "platform/Process.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <stdexcept>
#include <thread>

#include "platform/win32/Wide.h"

#include <windows.h>
#include <bcrypt.h>
#include <shellapi.h>

namespace vorn {

namespace {

// Set while static objects are made, which happens on the starting thread.
const DWORD mainThread = GetCurrentThreadId();

}  // namespace

bool OnMainThread() { return GetCurrentThreadId() == mainThread; }

std::tm LocalTime(std::time_t time) {
  std::tm local{};
  localtime_s(&local, &time);
  return local;
}

void SystemRandom(void* buffer, size_t size) {
  auto* bytes = static_cast<unsigned char*>(buffer);
  while (size > 0) {
    const ULONG chunk = static_cast<ULONG>(size > 1u << 30 ? 1u << 30 : size);
    const NTSTATUS status = BCryptGenRandom(nullptr, bytes, chunk, BCRYPT_USE_SYSTEM_PREFERRED_RNG);
    if (status < 0) throw std::runtime_error("No random bytes: the system's source refused (status " +
                                             std::to_string(static_cast<unsigned long>(status)) + ")");
    bytes += chunk;
    size -= chunk;
  }
}

// The ANSI argv loses every character outside the ANSI code page: the
// arguments are taken from the wide command line instead.
CommandLine::CommandLine(int argc, char** argv) {
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide && count == argc) {
    for (int i = 0; i < count; ++i) arguments_.push_back(Narrow(wide[i]));
  } else {
    arguments_.assign(argv, argv + argc);
  }
  if (wide) LocalFree(wide);
  for (auto& argument : arguments_) pointers_.push_back(argument.data());
  pointers_.push_back(nullptr);
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  SetConsoleOutputCP(CP_UTF8);
}

}  // namespace vorn
