// libFuzzer target: arbitrary text as the reply to "EPSV" (229) and to
// "PASV" (227), read for the port of the data connection. Any port found is
// from 1 to 65535; and the port announcements the client makes ("EPRT",
// "PORT"), built from the input's first bytes, read back to the same port.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "ftp/FtpReply.h"
#include "platform/Socket.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  uint16_t port = 0;
  if (vorn::PortFromEpsvReply(text, port) && port == 0) std::abort();
  port = 0;
  if (vorn::PortFromPasvReply(text, port) && port == 0) std::abort();

  if (size >= 6) {
    uint32_t ip = 0;
    uint16_t announced = 0;
    std::memcpy(&ip, data, 4);
    std::memcpy(&announced, data + 4, 2);
    // "PORT h1,h2,h3,h4,p1,p2" is the same six numbers a 227 reply carries.
    const std::string portCommand = vorn::PortCommand(ip, announced);
    uint16_t back = 0;
    const bool found = vorn::PortFromPasvReply("Entering Passive Mode (" + portCommand.substr(5) + ")", back);
    if (announced == 0 ? found : (!found || back != announced)) std::abort();
    // "EPRT |1|address|port|" carries the port between the same delimiters
    // as a 229 reply, after the address.
    const std::string eprt = vorn::EprtCommand(vorn::DottedQuad(ip), announced);
    const size_t last = eprt.rfind('|', eprt.size() - 2);
    back = 0;
    const bool extended = vorn::PortFromEpsvReply("(|||" + eprt.substr(last + 1) + ")", back);
    if (announced == 0 ? extended : (!extended || back != announced)) std::abort();
    uint32_t parsed = 0;
    if (!vorn::ParseDottedQuad(eprt.substr(8, last - 8), parsed) || parsed != ip) std::abort();
  }
  return 0;
}
