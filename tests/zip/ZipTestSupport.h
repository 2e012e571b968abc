// Helpers of the zip tests: a temporary folder standing in for drive C:, a
// small zip writer that can produce odd and broken structures on purpose,
// and recording stand-ins for the window and the dialog presenter.
#pragma once

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/UserInterface.h"
#include "tests/support/ScratchFolder.h"
#include "platform/WinPath.h"
#include "zip/ZipDialog.h"

namespace vorn::ziptest {

// A fresh host folder per test, with VORN_DRIVE_C inside it.
class TempFolder {
 public:
  TempFolder() : scratch_("vorn-zip"), root_(scratch_.Root()) { scratch_.Point("VORN_DRIVE_C", "drive_c"); }
  const std::filesystem::path& Root() const { return root_; }
  std::filesystem::path Host(const std::string& name) const { return root_ / name; }
  // The Windows path ("Z:\...") of a file in the folder.
  std::string Win(const std::string& name) const { return ToWinPath(root_ / name); }
  std::string Write(const std::string& name, const std::string& bytes) const {
    std::ofstream out(Host(name), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return Win(name);
  }
  std::string Read(const std::string& name) const {
    std::ifstream in(Host(name), std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }

 private:
  test::ScratchFolder scratch_;
  std::filesystem::path root_;
};

inline void Put16(std::string& out, uint32_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}
inline void Put32(std::string& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}
inline void Put64(std::string& out, uint64_t v) {
  Put32(out, static_cast<uint32_t>(v));
  Put32(out, static_cast<uint32_t>(v >> 32));
}
inline uint32_t Crc(const std::string& bytes) {
  return static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}
inline std::string RawDeflate(const std::string& data) {
  z_stream s{};
  deflateInit2(&s, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&s, data.size()), '\0');
  s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  s.avail_in = static_cast<uInt>(data.size());
  s.next_out = reinterpret_cast<Bytef*>(out.data());
  s.avail_out = static_cast<uInt>(out.size());
  deflate(&s, Z_FINISH);
  out.resize(s.total_out);
  deflateEnd(&s);
  return out;
}
// An extra-field block.
inline std::string ExtraBlock(uint16_t tag, const std::string& data) {
  std::string out;
  Put16(out, tag);
  Put16(out, static_cast<uint32_t>(data.size()));
  return out + data;
}
// A Unicode Path (or Comment) field for the raw bytes it stands for.
inline std::string UnicodeField(uint16_t tag, const std::string& raw, const std::string& utf8, uint32_t crcDelta = 0) {
  std::string data(1, '\x01');
  Put32(data, Crc(raw) + crcDelta);
  return ExtraBlock(tag, data + utf8);
}

struct TestEntry {
  std::string Name;
  std::string Data;
  bool Deflate = false;
  uint16_t MadeBy = 0x0314;  // Unix, 2.0
  uint16_t Needed = 20;
  uint16_t Flag = 0;
  std::string Extra;         // central extra field
  std::string Comment;
  uint32_t ExtAttr = 0;
  bool Zip64Sizes = false;   // 0xFFFFFFFF sizes and offset with a Zip64 field
  std::string Zip64Override; // a Zip64 field's data as given (for broken ones)
  std::string StoredOverride;  // the compressed bytes as given (for broken data)
  uint32_t CrcDelta = 0;       // the recorded CRC-32, off by this
  int64_t SizeOverride = -1;   // the recorded uncompressed size
  uint16_t Method = 0xFFFF;    // the recorded method (default: by Deflate)
};

inline TestEntry Entry(const std::string& name, const std::string& data = "", bool deflate = false) {
  TestEntry entry;
  entry.Name = name;
  entry.Data = data;
  entry.Deflate = deflate;
  return entry;
}

// Builds archives byte by byte; every part can be bent for a test.
struct ZipBuilder {
  std::vector<TestEntry> Entries;
  std::string Comment;
  int CommentLengthDelta = 0;      // the end record's comment length, off by this
  int64_t CentralOffsetDelta = 0;  // the stored directory offset, off by this
  int64_t RecordCountOverride = -1;
  bool Zip64End = false;           // Zip64 end record and locator, 32-bit fields all ones
  uint16_t Zip64Needed = 45;
  uint64_t Zip64RecordSize = 44;
  uint32_t LocatorDisks = 1;
  uint32_t LocatorZip64Disk = 0;
  int64_t LocatorOffsetDelta = 0;
  uint32_t CentralSignature = 0x02014B50;
  int BadSignatureAt = -1;         // index of the central record to spoil
  std::string BeforeEnd;           // bytes between the directory and the end records

  std::string Build() const {
    std::string out, central;
    int index = 0;
    for (const TestEntry& e : Entries) {
      const std::string stored =
          !e.StoredOverride.empty() ? e.StoredOverride : (e.Deflate ? RawDeflate(e.Data) : e.Data);
      const uint16_t method = e.Method != 0xFFFF ? e.Method : (e.Deflate ? 8 : 0);
      const uint32_t crc = Crc(e.Data) + e.CrcDelta;
      const uint32_t size = e.SizeOverride >= 0 ? static_cast<uint32_t>(e.SizeOverride) : static_cast<uint32_t>(e.Data.size());
      const uint32_t offset = static_cast<uint32_t>(out.size());
      Put32(out, 0x04034B50);
      Put16(out, e.Needed);
      Put16(out, e.Flag);
      Put16(out, method);
      Put32(out, 0x58E10000u | 0x6000u);
      Put32(out, crc);
      Put32(out, static_cast<uint32_t>(stored.size()));
      Put32(out, size);
      Put16(out, static_cast<uint32_t>(e.Name.size()));
      Put16(out, 0);
      out += e.Name + stored;

      std::string extra = e.Extra;
      if (e.Zip64Sizes || !e.Zip64Override.empty()) {
        std::string z = e.Zip64Override;
        if (z.empty()) {
          Put64(z, e.Data.size());
          Put64(z, stored.size());
          Put64(z, offset);
        }
        extra = ExtraBlock(0x0001, z) + extra;
      }
      Put32(central, index == BadSignatureAt ? 0x02014B51 : CentralSignature);
      Put16(central, e.MadeBy);
      Put16(central, e.Needed);
      Put16(central, e.Flag);
      Put16(central, method);
      Put32(central, 0x58E10000u | 0x6000u);
      Put32(central, crc);
      const bool big = e.Zip64Sizes || !e.Zip64Override.empty();
      Put32(central, big ? 0xFFFFFFFF : static_cast<uint32_t>(stored.size()));
      Put32(central, big ? 0xFFFFFFFF : size);
      Put16(central, static_cast<uint32_t>(e.Name.size()));
      Put16(central, static_cast<uint32_t>(extra.size()));
      Put16(central, static_cast<uint32_t>(e.Comment.size()));
      Put16(central, 0);
      Put16(central, 0);
      Put32(central, e.ExtAttr);
      Put32(central, big ? 0xFFFFFFFF : offset);
      central += e.Name + extra + e.Comment;
      ++index;
    }
    const uint64_t centralOffset = out.size();
    out += central;
    out += BeforeEnd;
    const uint64_t count = RecordCountOverride >= 0 ? static_cast<uint64_t>(RecordCountOverride) : Entries.size();
    if (Zip64End) {
      const uint64_t recordPos = out.size();
      Put32(out, 0x06064B50);
      Put64(out, Zip64RecordSize);
      Put16(out, 45);
      Put16(out, Zip64Needed);
      Put32(out, 0);
      Put32(out, 0);
      Put64(out, count);
      Put64(out, count);
      Put64(out, central.size() + BeforeEnd.size());
      Put64(out, static_cast<uint64_t>(static_cast<int64_t>(centralOffset) + CentralOffsetDelta));
      Put32(out, 0x07064B50);
      Put32(out, LocatorZip64Disk);
      Put64(out, static_cast<uint64_t>(static_cast<int64_t>(recordPos) + LocatorOffsetDelta));
      Put32(out, LocatorDisks);
    }
    Put32(out, 0x06054B50);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, Zip64End ? 0xFFFF : static_cast<uint32_t>(count));
    Put16(out, Zip64End ? 0xFFFF : static_cast<uint32_t>(count));
    Put32(out, Zip64End ? 0xFFFFFFFF : static_cast<uint32_t>(central.size()));
    Put32(out, Zip64End ? 0xFFFFFFFF : static_cast<uint32_t>(static_cast<int64_t>(centralOffset) + CentralOffsetDelta));
    Put16(out, static_cast<uint32_t>(static_cast<int>(Comment.size()) + CommentLengthDelta));
    out += Comment;
    return out;
  }
};

// The window stand-in: counts keep-alives and the hourglass.
class FakeWindow : public IUserInterface {
 public:
  class Bar : public IProgressBar {
   public:
    void SetMax(int32_t max) override { max_ = max; }
    int32_t Max() const override { return max_; }
    void SetPosition(int32_t position) override { position_ = position; }
    int32_t Position() const override { return position_; }
    void StepIt() override { ++position_; }
    void SetBusy() override {}
    bool Busy() const override { return false; }

   private:
    int32_t max_ = 100, position_ = 0;
  };
  void AddLogLine(const std::string&) override {}
  IProgressBar& Barrazza() override { return bar_; }
  IProgressBar& BarrazzaTotale() override { return bar_; }
  void SetStatusPanel(int, const std::string&) override {}
  std::string StatusPanel(int) const override { return {}; }
  void ShowMessageBox(MessageBoxKind, const std::string&) override {}
  void ProcessMessages() override {
    ++Processed;
    if (OnProcess) OnProcess();
  }
  void SetHourglass(bool on) override { Hourglass.push_back(on); }

  int Processed = 0;
  std::vector<bool> Hourglass;
  std::function<void()> OnProcess;

 private:
  Bar bar_;
};

// The dialog stand-in: records each request and answers with Answer (0: Enter).
class FakeDialogs : public IZipDialogPresenter {
 public:
  int Execute(const TZipDialogRequest& request, std::string& password) override {
    Requests.push_back(request);
    password = Password;
    return Answer ? Answer : request.DefaultResult;
  }
  std::string ApplicationTitle() const override { return "VORN - Zavario"; }
  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const auto& r : Requests) texts.push_back(r.Text);
    return texts;
  }

  std::vector<TZipDialogRequest> Requests;
  int Answer = 0;
  std::string Password;
};

}  // namespace vorn::ziptest
