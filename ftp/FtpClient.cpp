// The control connection's life: connecting, the login and the commands
// that follow it, command exchange, work accounting and disconnection.
#include "ftp/FtpClient.h"

#include <strings.h>

#include <exception>

#include "ftp/FtpErrors.h"
#include "ftp/OneTimePassword.h"

namespace vorn {

namespace {

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
  return text.size() >= prefix.size() && strncasecmp(text.c_str(), prefix.c_str(), prefix.size()) == 0;
}

std::string FirstWord(const std::string& text) {
  size_t begin = text.find_first_not_of(' ');
  if (begin == std::string::npos) return {};
  size_t end = text.find(' ', begin);
  return text.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text += line + "\r\n";
  return text;
}

}  // namespace

TFtpClient::TFtpClient() = default;

// Closing the socket without "QUIT", as when the program ends; no events.
TFtpClient::~TFtpClient() = default;

void TFtpClient::Status(TFtpStatus status, const std::string& text) {
  if (OnStatus) OnStatus(this, status, text);
}

// Work accounting: only the outermost begin and end send events, and bytes
// are reported only inside a transfer. The level rises before the begin
// event, so a handler that raises there leaves it at 1.
// A resumed transfer's count goes on from what earlier attempts moved.
void TFtpClient::BeginWork(TWorkMode mode, int64_t max, int64_t startCount) {
  WorkCounter& w = work_[mode];
  if (++w.Level == 1) {
    w.Count = startCount;
    w.Max = max;
    if (OnWorkBegin) OnWorkBegin(this, mode, max);
  }
}

void TFtpClient::DoWork(TWorkMode mode, int64_t bytes) {
  WorkCounter& w = work_[mode];
  if (w.Level < 1) return;
  w.Count += bytes;
  if (OnWork) OnWork(this, mode, w.Count);
}

void TFtpClient::EndWork(TWorkMode mode) {
  WorkCounter& w = work_[mode];
  if (w.Level == 1 && OnWorkEnd) {
    w.Level = 0;
    OnWorkEnd(this, mode);
    return;
  }
  --w.Level;
}

bool TFtpClient::Connected() { return channel_ && channel_->CheckConnected(); }

void TFtpClient::RaiseLastReply() {
  throw EFtpReplyRFCError(LastCmdResult.NumericCode, LastCmdResult.TextWithLineBreaks());
}

void TFtpClient::CheckReply(const std::vector<int16_t>& accepted) {
  if (accepted.empty()) return;
  for (int16_t code : accepted)
    if (code == LastCmdResult.NumericCode) return;
  RaiseLastReply();
}

int16_t TFtpClient::GetResponse(const std::vector<int16_t>& accepted) {
  if (!channel_) throw EFtpNotConnected();
  LastCmdResult = channel_->ReadReply(ReadTimeout);
  CheckReply(accepted);
  return static_cast<int16_t>(LastCmdResult.NumericCode);
}

int16_t TFtpClient::GetResponse(std::initializer_list<int16_t> accepted) {
  return GetResponse(std::vector<int16_t>(accepted));
}

int16_t TFtpClient::SendCmd(const std::string& command, const std::vector<int16_t>& accepted) {
  if (!channel_) throw EFtpNotConnected();
  channel_->WriteLn(command);
  return GetResponse(accepted);
}

int16_t TFtpClient::SendCmd(const std::string& command, std::initializer_list<int16_t> accepted) {
  return SendCmd(command, std::vector<int16_t>(accepted));
}

void TFtpClient::Connect() {
  if (Connected()) throw EFtpAlreadyConnected();
  if (Host.empty()) throw EFtpHostRequired();
  if (Port == 0) throw EFtpPortRequired();
  if (IPVersion != IpV4) throw EFtpSocketError(WSAEAFNOSUPPORT, SocketErrorMessage(WSAEAFNOSUPPORT));
  Capabilities.clear();
  usingExtDataPort_ = UseExtensionDataPort;
  usingEpsv_ = UseExtensionDataPort;
  sizes_.clear();

  if (!channel_)
    channel_ = std::make_unique<TFtpControlChannel>(
        OnStatus, [this](TWorkMode mode, int64_t bytes) { DoWork(mode, bytes); });
  try {
    channel_->Open(Host, Port, ConnectTimeout);
  } catch (...) {
    channel_.reset();
    throw;
  }

  // Until the greeting is accepted the server has not agreed to talk:
  // leave without "QUIT".
  try {
    Status(hsConnected, "Connected.");
    channel_->SetUtf8(false);
    GetResponse({});
    if (LastCmdResult.NumericCode >= 100 && LastCmdResult.NumericCode <= 199) GetResponse({});
    CheckReply({220});
    Greeting = LastCmdResult;
  } catch (...) {
    DisconnectAfterFailure(false);
    throw;
  }

  try {
    if (UseHOST) {
      bool isAddress = Host == channel_->PeerAddress().IpText();
      SendCmd(isAddress ? "HOST [" + Host + "]" : "HOST " + Host, {});
      if (LastCmdResult.NumericCode == 220) Greeting = LastCmdResult;
    }
    if (AutoLogin) {
      Login();
      SendCmd("SYST", {});
      if (LastCmdResult.NumericCode == 500)
        SystemDesc = "Unknown";
      else
        SystemDesc = LastCmdResult.Text.empty() ? std::string() : LastCmdResult.Text[0];
      if (SiteZoneWanted()) {
        SendCmd("SITE ZONE", {});
        if (LastCmdResult.NumericCode == 210 && !LastCmdResult.Text.empty()) {
          try {
            serverTimeZone_ = std::stoi(FirstWord(LastCmdResult.Text[0]));
          } catch (const std::exception&) {
            serverTimeZone_ = 0;
          }
        }
      }
      AnnounceTransferType();
      Status(ftpReady, "Connection established");
    }
  } catch (...) {
    DisconnectAfterFailure(true);
    throw;
  }
}

void TFtpClient::AnnounceTransferType() { SendCmd(transferType_ == ftBinary ? "TYPE I" : "TYPE A", {200}); }

void TFtpClient::Login() {
  SendCmd("USER " + Username, {230, 232, 331});
  if (LastCmdResult.NumericCode == 331) {
    std::string password = Password;
    if (auto challenge = FindOtpChallenge(JoinLines(LastCmdResult.Text))) password = OtpResponse(*challenge, Password);
    SendCmd("PASS " + password, {230, 332});
    bool accountNeeded = LastCmdResult.NumericCode == 332 ||
                         (JoinLines(LastCmdResult.Text).find("ACCOUNT") != std::string::npos && !Account.empty());
    if (accountNeeded) {
      if (Account.empty()) RaiseLastReply();
      SendCmd("ACCT " + Account, {202, 230, 500});
    }
  }
  LoginMsg = LastCmdResult;

  if (AutoIssueFEAT) {
    SendCmd("FEAT", {});
    if ((LastCmdResult.NumericCode == 211 || LastCmdResult.NumericCode == 221) && LastCmdResult.Text.size() > 2)
      Capabilities.assign(LastCmdResult.Text.begin() + 1, LastCmdResult.Text.end() - 1);
  }
  if (usingExtDataPort_) usingExtDataPort_ = IsExtSupported("EPRT") && IsExtSupported("EPSV");
  if (IsExtSupported("UTF8")) {
    bool utf8 = SendCmd("OPTS UTF8 ON", {}) == 200;
    if (!utf8) utf8 = SendCmd("OPTS UTF-8 NLST", {}) == 200;
    if (utf8) channel_->SetUtf8(true);
  }
  AnnounceTransferType();
}

bool TFtpClient::IsExtSupported(const std::string& feature) const {
  for (const auto& entry : Capabilities)
    if (strcasecmp(FirstWord(entry).c_str(), feature.c_str()) == 0) return true;
  return false;
}

// "SITE ZONE" is understood by a few Windows servers known by their
// greeting, and by any server whose "SITE" feature lists ZONE.
bool TFtpClient::SiteZoneWanted() const {
  static const char* const kZoneServers[] = {"Serv-U ", "BPFTP Server ", "TitanFTP server ", "Titan FTP Server "};
  std::string first = Greeting.Text.empty() ? std::string() : Greeting.Text[0];
  for (const char* prefix : kZoneServers)
    if (StartsWithNoCase(first, prefix)) return true;
  for (const auto& entry : Capabilities) {
    std::string trimmed = TrimControl(entry);
    if (strcasecmp(FirstWord(trimmed).c_str(), "SITE") != 0) continue;
    std::string facts = trimmed.substr(4);
    size_t pos = 0;
    while (pos <= facts.size()) {
      size_t end = facts.find(';', pos);
      if (end == std::string::npos) end = facts.size();
      if (strcasecmp(TrimControl(facts.substr(pos, end - pos)).c_str(), "ZONE") == 0) return true;
      pos = end + 1;
    }
  }
  return false;
}

void TFtpClient::DisconnectAfterFailure(bool notifyPeer) noexcept {
  try {
    Disconnect(notifyPeer);
  } catch (...) {
    // The failure that made us leave is the one the caller must see.
  }
}

void TFtpClient::Disconnect(bool ANotifyPeer) {
  if (!channel_) return;
  std::exception_ptr failure;
  try {
    if (ANotifyPeer && Connected()) {
      channel_->WriteLn("QUIT");
      // The farewell is read when it comes at once; a later one never is.
      if (channel_->SocketOpen() && channel_->HasDataWithin(10)) GetResponse({});
    }
  } catch (...) {
    failure = std::current_exception();
  }
  try {
    if (channel_->SocketOpen()) {
      Status(hsDisconnecting, "Disconnecting.");
      channel_->Close();
      Status(hsDisconnected, "Disconnected.");
    }
  } catch (...) {
    channel_->Close();
    if (!failure) failure = std::current_exception();
  }
  // Bytes of a closed connection are nobody's reply any more; keeping them
  // would keep Connected true and every later Connect refused.
  channel_->ClearInput();
  if (failure) std::rethrow_exception(failure);
}

}  // namespace vorn
