#include "app/win32/Png.h"

#include <memory>
#include <stdexcept>
#include <zlib.h>

#include "app/win32/Desktop.h"

#include <windows.h>

namespace vorn::win32 {

namespace {

void PutBigEndian(std::vector<uint8_t>& out, uint32_t value) {
  out.push_back(static_cast<uint8_t>(value >> 24));
  out.push_back(static_cast<uint8_t>(value >> 16));
  out.push_back(static_cast<uint8_t>(value >> 8));
  out.push_back(static_cast<uint8_t>(value));
}

void PutChunk(std::vector<uint8_t>& out, const char type[4], const std::vector<uint8_t>& data) {
  PutBigEndian(out, static_cast<uint32_t>(data.size()));
  const size_t typeAt = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  uLong crc = crc32(0L, Z_NULL, 0);
  crc = crc32(crc, out.data() + typeAt, static_cast<uInt>(4 + data.size()));
  PutBigEndian(out, static_cast<uint32_t>(crc));
}

}  // namespace

std::vector<uint8_t> EncodePng(const Picture& picture) {
  if (picture.Width <= 0 || picture.Height <= 0 ||
      picture.Pixels.size() != static_cast<size_t>(picture.Width) * static_cast<size_t>(picture.Height))
    throw std::invalid_argument("PNG: the picture's size does not match its pixels");

  // Each row: the filter type 1 (Sub), then each byte minus the byte of the
  // pixel to its left.
  const size_t rowBytes = 1 + static_cast<size_t>(picture.Width) * 3;
  std::vector<uint8_t> raw(rowBytes * static_cast<size_t>(picture.Height));
  for (int y = 0; y < picture.Height; ++y) {
    uint8_t* row = raw.data() + rowBytes * static_cast<size_t>(y);
    row[0] = 1;
    uint32_t left = 0;
    for (int x = 0; x < picture.Width; ++x) {
      const uint32_t pixel = picture.Pixels[static_cast<size_t>(y) * picture.Width + x];
      uint8_t* out = row + 1 + static_cast<size_t>(x) * 3;
      out[0] = static_cast<uint8_t>(((pixel >> 16) - (left >> 16)) & 0xFF);
      out[1] = static_cast<uint8_t>(((pixel >> 8) - (left >> 8)) & 0xFF);
      out[2] = static_cast<uint8_t>((pixel - left) & 0xFF);
      left = pixel;
    }
  }
  uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
  std::vector<uint8_t> packed(packedSize);
  if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), Z_BEST_COMPRESSION) != Z_OK)
    throw std::runtime_error("PNG: the picture could not be compressed");
  packed.resize(packedSize);

  std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> header;
  PutBigEndian(header, static_cast<uint32_t>(picture.Width));
  PutBigEndian(header, static_cast<uint32_t>(picture.Height));
  header.insert(header.end(), {8 /* bits */, 2 /* RGB */, 0 /* deflate */, 0 /* filters */, 0 /* no interlace */});
  PutChunk(png, "IHDR", header);
  PutChunk(png, "IDAT", packed);
  PutChunk(png, "IEND", {});
  return png;
}

Picture CaptureWindow(HWND window) {
  Picture picture;
  RECT frame{};
  if (!GetWindowRect(window, &frame)) return picture;
  const int width = frame.right - frame.left, height = frame.bottom - frame.top;
  if (width <= 0 || height <= 0) return picture;
  // Everything painted before the picture is taken.
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_ERASENOW);
  ProcessPendingMessages();

  WindowDc screen(nullptr);
  uint32_t* bits = nullptr;
  const UniqueBitmap bitmap = NewPixelBitmap(screen.Get(), width, height, bits);
  const UniqueMemoryDc memory(CreateCompatibleDC(screen.Get()));
  if (!bitmap || !memory || !bits) return picture;
  {
    Selection selected(memory.get(), bitmap.get());
    // The window as the screen shows it, frame and controls included.
    const WindowDc source(window, true);
    if (source.Get()) {
      BitBlt(memory.get(), 0, 0, width, height, source.Get(), 0, 0, SRCCOPY);
    } else {
      PrintWindow(window, memory.get(), 0x2 /* PW_RENDERFULLCONTENT */);
    }
    GdiFlush();
  }
  picture.Width = width;
  picture.Height = height;
  const uint32_t* pixels = bits;
  picture.Pixels.assign(pixels, pixels + static_cast<size_t>(width) * height);
  for (uint32_t& pixel : picture.Pixels) pixel &= 0x00FFFFFF;
  return picture;
}

bool SaveWindowPng(HWND window, const std::string& hostPath) {
  const Picture picture = CaptureWindow(window);
  if (picture.Pixels.empty()) return false;
  std::vector<uint8_t> png;
  try {
    png = EncodePng(picture);
  } catch (const std::exception&) {
    return false;
  }
  const std::wstring target = Wide(hostPath);
  const std::wstring beside = target + L".part";
  bool wrote = false;
  {
    const HANDLE opened =
        CreateFileW(beside.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (opened == INVALID_HANDLE_VALUE) return false;
    const std::unique_ptr<void, decltype(&CloseHandle)> file(opened, &CloseHandle);
    DWORD written = 0;
    wrote = WriteFile(file.get(), png.data(), static_cast<DWORD>(png.size()), &written, nullptr) &&
            written == png.size() && FlushFileBuffers(file.get());
  }
  if (!wrote || !MoveFileExW(beside.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    DeleteFileW(beside.c_str());
    return false;
  }
  return true;
}

}  // namespace vorn::win32
