#include "app/win32/Logo.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include <windows.h>

namespace vorn::win32 {

namespace {

constexpr int Oversampling = 4;

constexpr COLORREF Navy = RGB(0x1f, 0x3a, 0x68);
constexpr COLORREF NavyDark = RGB(0x1a, 0x30, 0x57);
constexpr COLORREF TealLight = RGB(0x22, 0xad, 0xb3);
constexpr COLORREF TealDark = RGB(0x19, 0x7d, 0x82);
constexpr COLORREF Red = RGB(0xc6, 0x28, 0x28);
constexpr COLORREF SheetLines = RGB(0x9a, 0xa8, 0xbc);

// A 32-bit top-down picture whose pixels can be written directly.
struct Canvas {
  Canvas(HDC reference, int width, int height)
      : Width(width), Height(height), Bitmap(NewPixelBitmap(reference, width, height, Pixels)) {
    Dc.reset(CreateCompatibleDC(reference));
  }
  bool Valid() const { return Bitmap && Dc && Pixels; }

  int Width, Height;
  uint32_t* Pixels = nullptr;
  UniqueBitmap Bitmap;
  UniqueMemoryDc Dc;
};

uint32_t Pixel(COLORREF colour) { return (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour); }

uint8_t Mix(uint8_t from, uint8_t to, double t) { return static_cast<uint8_t>(from + (to - from) * t + 0.5); }

void DrawEmblem(Canvas& canvas, int left, int top, int side) {
  HDC dc = canvas.Dc.get();
  // The disc, shaded from the top-left corner to the bottom-right one.
  GdiFlush();
  const double radius = side / 2.0 - side / 32.0;
  const double cx = left + side / 2.0, cy = top + side / 2.0;
  for (int y = std::max(top, 0); y < std::min(top + side, canvas.Height); ++y) {
    for (int x = std::max(left, 0); x < std::min(left + side, canvas.Width); ++x) {
      const double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
      if (dx * dx + dy * dy > radius * radius) continue;
      const double t = std::clamp((x - left + y - top) / (2.0 * side), 0.0, 1.0);
      canvas.Pixels[y * canvas.Width + x] = (Mix(GetRValue(TealLight), GetRValue(Navy), t) << 16) |
                                            (Mix(GetGValue(TealLight), GetGValue(Navy), t) << 8) |
                                            Mix(GetBValue(TealLight), GetBValue(Navy), t);
    }
  }
  {
    const std::unique_ptr<HPEN__, GdiObjectDeleter> outline(CreatePen(PS_SOLID, std::max(1, side / 32), NavyDark));
    Selection pen(dc, outline.get());
    Selection brush(dc, GetStockObject(NULL_BRUSH));
    const int inset = side / 32;
    Ellipse(dc, left + inset, top + inset, left + side - inset, top + side - inset);
  }

  // A report sheet with a folded corner.
  const double s = side;
  const int sheetLeft = left + static_cast<int>(s * 0.30), sheetTop = top + static_cast<int>(s * 0.20);
  const int sheetRight = sheetLeft + static_cast<int>(s * 0.40), sheetBottom = sheetTop + static_cast<int>(s * 0.56);
  const int fold = static_cast<int>(s * 0.12);
  const POINT page[] = {{sheetLeft, sheetTop},          {sheetRight - fold, sheetTop}, {sheetRight, sheetTop + fold},
                        {sheetRight, sheetBottom},      {sheetLeft, sheetBottom}};
  {
    const std::unique_ptr<HPEN__, GdiObjectDeleter> edge(CreatePen(PS_SOLID, std::max(1, side / 48), Navy));
    Selection pen(dc, edge.get());
    Selection brush(dc, GetStockObject(WHITE_BRUSH));
    Polygon(dc, page, 5);
  }
  {
    // Lines of text on the sheet.
    const std::unique_ptr<HPEN__, GdiObjectDeleter> line(CreatePen(PS_SOLID, std::max(1, side / 40), SheetLines));
    Selection pen(dc, line.get());
    for (int i = 0; i < 3; ++i) {
      const int y = sheetTop + static_cast<int>((sheetBottom - sheetTop) * (0.58 + 0.12 * i));
      MoveToEx(dc, sheetLeft + static_cast<int>(s * 0.06), y, nullptr);
      LineTo(dc, sheetRight - static_cast<int>(s * 0.06), y);
    }
  }
  // The red cross in the upper half of the sheet.
  const int arm = std::max(1, static_cast<int>(s * 0.055));
  const int crossX = (sheetLeft + sheetRight) / 2;
  const int crossY = sheetTop + static_cast<int>((sheetBottom - sheetTop) * 0.32);
  const UniqueBrush red(CreateSolidBrush(Red));
  const RECT upright{crossX - arm, crossY - 3 * arm, crossX + arm, crossY + 3 * arm};
  const RECT bar{crossX - 3 * arm, crossY - arm, crossX + 3 * arm, crossY + arm};
  FillRect(dc, &upright, red.get());
  FillRect(dc, &bar, red.get());
}

void DrawName(HDC dc, const wchar_t* text, int left, int top, int pixelHeight, bool bold, COLORREF colour, int spacing) {
  LOGFONTW description{};
  description.lfHeight = -pixelHeight;
  description.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  description.lfCharSet = DEFAULT_CHARSET;
  description.lfQuality = NONANTIALIASED_QUALITY;  // smoothed by the averaging
  lstrcpyW(description.lfFaceName, L"Tahoma");
  const UniqueFont font(CreateFontIndirectW(&description));
  Selection selected(dc, font.get());
  SetTextColor(dc, colour);
  SetBkMode(dc, TRANSPARENT);
  SetTextCharacterExtra(dc, spacing);
  TextOutW(dc, left, top, text, lstrlenW(text));
  SetTextCharacterExtra(dc, 0);
}

}  // namespace

void DrawLogo(HDC target, int left, int top, int width, int height, unsigned long background) {
  if (width <= 0 || height <= 0) return;
  const int bigWidth = width * Oversampling, bigHeight = height * Oversampling;
  Canvas big(target, bigWidth, bigHeight);
  Canvas small(target, width, height);
  if (!big.Valid() || !small.Valid()) return;
  Selection bigPicture(big.Dc.get(), big.Bitmap.get());
  std::fill(big.Pixels, big.Pixels + static_cast<size_t>(bigWidth) * bigHeight, Pixel(background));

  const int side = std::min(bigHeight - 4 * Oversampling, bigWidth / 3);
  DrawEmblem(big, 2 * Oversampling, (bigHeight - side) / 2, side);
  const int textLeft = side + 10 * Oversampling;
  DrawName(big.Dc.get(), L"VORN", textLeft, bigHeight / 10, bigHeight * 3 / 10, true, Navy, 0);
  DrawName(big.Dc.get(), L"Zavario", textLeft, bigHeight * 45 / 100, bigHeight * 2 / 10, false, TealDark, 0);
  DrawName(big.Dc.get(), L"TORVEL", textLeft, bigHeight * 74 / 100, std::max(8 * Oversampling, bigHeight / 9), false, Red,
           3 * Oversampling / 2);
  GdiFlush();

  // Each pixel the average of its block.
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      unsigned r = 0, g = 0, b = 0;
      for (int dy = 0; dy < Oversampling; ++dy) {
        const uint32_t* row = big.Pixels + static_cast<size_t>(y * Oversampling + dy) * bigWidth + x * Oversampling;
        for (int dx = 0; dx < Oversampling; ++dx) {
          r += (row[dx] >> 16) & 0xFF;
          g += (row[dx] >> 8) & 0xFF;
          b += row[dx] & 0xFF;
        }
      }
      constexpr unsigned n = Oversampling * Oversampling;
      small.Pixels[static_cast<size_t>(y) * width + x] = ((r / n) << 16) | ((g / n) << 8) | (b / n);
    }
  }
  Selection smallPicture(small.Dc.get(), small.Bitmap.get());
  BitBlt(target, left, top, width, height, small.Dc.get(), 0, 0, SRCCOPY);
}

}  // namespace vorn::win32
