// vorn-unzip: the zip component from the command line, for support staff and
// scripts.
//
//   vorn-unzip --list ARCHIVE
//   vorn-unzip ARCHIVE FOLDER [--password P] [--unattended]
//
// Loads the archive's directory as the installation steps do and prints, one
// line each (scripts parse this format; keep it stable):
//   message <id> <text>        every message of the component, as it comes
//   dialog <text>              every dialog the component shows
//   entry <method> <compressed size> <uncompressed size> <crc32> <name>
//                              every record, in directory order
//   count <Count> <DirOnlyCnt>
//   result <ErrCode> <ErrMessage>
// Extracting (FOLDER a Windows path, or a host path starting with "/") uses
// the installation steps' options and prints, besides messages and dialogs:
//   progress <Order> <ItemNumber> <ItemSize> <ItemPosition> <TotalCount> <TotalSize> <ItemName>
//   skip <skip reason> <id> <name>
//   result <ErrCode> <ErrMessage>
//   success <SuccessCnt>
// --password P is the component's Password, tried first on every encrypted
// entry, and also the answer of the password dialog when it is asked for
// (without it the dialog is cancelled). --unattended shows no error dialogs.
// The exit status is 1 when ErrCode is not 0, else 3 when entries were
// skipped, else 0; 2 on wrong usage.
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/Process.h"
#include "platform/WinPath.h"
#include "zip/Extract.h"
#include "zip/ZipUnpacker.h"

namespace {

using namespace vorn;

// Dialogs become output lines; the error box is answered with OK, the
// password box with the given password or Cancel.
class LineDialogs : public IZipDialogPresenter {
 public:
  explicit LineDialogs(const std::string* password) : password_(password) {}
  int Execute(const TZipDialogRequest& request, std::string& password) override {
    std::printf("dialog %s\n", request.Text.c_str());
    if (request.Kind == TZipDialogKind::Password) {
      if (!password_) return ZdrCancel;
      password = *password_;
      return ZdrOK;
    }
    return request.DefaultResult;
  }

 private:
  const std::string* password_;
};

int Usage(std::FILE* out = stderr, int status = 2) {
  std::fputs("usage: vorn-unzip --list ARCHIVE\n"
             "       vorn-unzip ARCHIVE FOLDER [--password P] [--unattended]\n"
             "Lists or extracts an archive with the program's zip component (FOLDER a Windows path or a\n"
             "host path starting with /). --password P is tried first on encrypted entries and answers\n"
             "the password dialog; --unattended shows no error dialogs.\n"
             "Exit status: 0 done, 1 the component recorded an error, 3 no error but entries were\n"
             "skipped (each on a \"skip\" line), 2 wrong usage.\n",
             out);
  return status;
}

int ExtractTo(const std::string& archive, const std::string& folder, const std::string* password, bool unattended) {
  LineDialogs dialogs(password);
  TZipUnpacker zip(nullptr, &dialogs);
  zip.OnMessage = [](void*, int id, const std::string& text) { std::printf("message %d %s\n", id, text.c_str()); };
  zip.OnProgress = [](void*, TZUProgressDetails& d) {
    std::printf("progress %d %d %" PRId64 " %" PRId64 " %" PRId64 " %" PRId64 " %s\n", static_cast<int>(d.Order()),
                d.ItemNumber(), d.ItemSize(), d.ItemPosition(), d.TotalCount(), d.TotalSize(), d.ItemName().c_str());
  };
  int skipped = 0;
  zip.OnSkipped = [&skipped](void*, const std::string& name, TZUSkipTypes reason, int& error) {
    ++skipped;
    std::printf("skip %s %d %s\n", SkipTypeName(reason), ZipErrId(error), name.c_str());
  };
  zip.SetUnattended(unattended);
  if (password) zip.SetPassword(*password);
  zip.SetZipFileName(WinPathFromUser(archive));
  zip.SetExtrBaseDir(IncludeTrailingBackslash(WinPathFromUser(folder)));
  zip.SetExtrOptions(ExtrDirNames | ExtrOverWrite | ExtrForceDirs);
  zip.Extract();
  std::printf("result %d %s\n", zip.ErrCode(), zip.ErrMessage().c_str());
  std::printf("success %d\n", zip.SuccessCnt());
  if (zip.ErrCode() != 0) return 1;
  return skipped > 0 ? 3 : 0;
}

int List(const std::string& archive) {
  LineDialogs dialogs(nullptr);
  TZipUnpacker zip(nullptr, &dialogs);
  zip.OnMessage = [](void*, int id, const std::string& text) { std::printf("message %d %s\n", id, text.c_str()); };
  zip.SetZipFileName(WinPathFromUser(archive));

  if (const TZUZipReader* reader = zip.Reader()) {
    for (const TZUEntryReader& entry : reader->Entries()) {
      std::printf("entry %u %" PRIu64 " %" PRIu64 " %08" PRIx32 " %s\n", static_cast<unsigned>(entry.ComprMethod),
                  entry.ComprSize, entry.UncomprSize, entry.CRC32, zip.EntryName(entry).c_str());
    }
  }
  std::printf("count %d %d\n", zip.Count(), zip.DirOnlyCnt());
  std::printf("result %d %s\n", zip.ErrCode(), zip.ErrMessage().c_str());
  return zip.ErrCode() == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  CommandLine commandLine(argc, argv);  // UTF-8 arguments and output on every host
  argc = commandLine.Argc();
  argv = commandLine.Argv();
  // Output goes to files and pipes in big blocks: a listing may have
  // hundreds of thousands of lines.
  static char outputBuffer[1 << 16];
  std::setvbuf(stdout, outputBuffer, _IOFBF, sizeof outputBuffer);

  std::vector<std::string> args(argv + 1, argv + argc);
  for (const std::string& arg : args) {
    if (arg == "--help" || arg == "-h") return Usage(stdout, 0);
  }
  if (args.size() == 2 && args[0] == "--list") return List(args[1]);
  if (args.size() < 2 || args[0].starts_with("--") || args[1].starts_with("--")) return Usage();
  std::string password;
  bool havePassword = false, unattended = false;
  for (size_t i = 2; i < args.size(); ++i) {
    if (args[i] == "--password" && i + 1 < args.size()) {
      password = args[++i];
      havePassword = true;
    } else if (args[i] == "--unattended") {
      unattended = true;
    } else {
      return Usage();
    }
  }
  return ExtractTo(args[0], args[1], havePassword ? &password : nullptr, unattended);
}
