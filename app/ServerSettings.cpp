#include "app/ServerSettings.h"

#include <cstdlib>
#include <optional>
#include <string>

namespace vorn {

namespace {

std::optional<std::string> Variable(const char* name) {
  const char* value = std::getenv(name);
  if (!value) return std::nullopt;
  return std::string(value);
}

[[noreturn]] void Refuse(const char* name, const std::string& value, const std::string& why) {
  throw EInvalidSetting(std::string("Impostazione non valida: ") + name + "=\"" + value + "\" " + why);
}

// Line breaks and other control characters would end the FTP command that
// carries the value and start another.
void RefuseControlCharacters(const char* name, const std::string& value) {
  for (const char c : value) {
    if (static_cast<unsigned char>(c) < ' ' || c == '\x7F') Refuse(name, value, "contiene caratteri di controllo");
  }
}

bool Blank(const std::string& value) { return value.find_first_not_of(" \t") == std::string::npos; }

}  // namespace

DownloadServer DownloadServerFromEnvironment(DownloadServer server) {
  if (const auto host = Variable("VORN_FTP_HOST")) {
    if (Blank(*host)) Refuse("VORN_FTP_HOST", *host, "è vuoto: serve l'indirizzo del server");
    RefuseControlCharacters("VORN_FTP_HOST", *host);
    if (host->find(' ') != std::string::npos) Refuse("VORN_FTP_HOST", *host, "contiene spazi");
    server.Host = *host;
  }
  if (const auto port = Variable("VORN_FTP_PORT")) {
    // Decimal digits only: no sign, blanks or hexadecimal.
    unsigned long number = 0;
    bool digits = !port->empty() && port->size() <= 5;
    for (const char c : *port) {
      if (c < '0' || c > '9') digits = false;
    }
    if (digits) number = std::stoul(*port);
    if (!digits || number < 1 || number > 65535) Refuse("VORN_FTP_PORT", *port, "non è una porta da 1 a 65535");
    server.Port = static_cast<uint16_t>(number);
  }
  if (const auto user = Variable("VORN_FTP_USER")) {
    if (Blank(*user)) Refuse("VORN_FTP_USER", *user, "è vuoto: serve il nome dell'utente");
    RefuseControlCharacters("VORN_FTP_USER", *user);
    server.Username = *user;
  }
  if (const auto password = Variable("VORN_FTP_PASSWORD")) {
    // Not repeated in the message: the box may be read over a shoulder.
    for (const char c : *password) {
      if (static_cast<unsigned char>(c) < ' ' || c == '\x7F')
        Refuse("VORN_FTP_PASSWORD", "...", "contiene caratteri di controllo");
    }
    server.Password = *password;
  }
  if (const auto site = Variable("VORN_FTP_SITE")) {
    RefuseControlCharacters("VORN_FTP_SITE", *site);
    if (!site->empty() && site->front() != '/') Refuse("VORN_FTP_SITE", *site, "deve essere vuoto o iniziare con \"/\"");
    server.SiteFolder = *site;
  }
  return server;
}

}  // namespace vorn
