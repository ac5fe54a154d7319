// The device bitmap: its buffer, size and format changes with pixel conversion, colour table,
// monochrome flag, the QImage view that painting goes through and the canvas it owns.
#include "platform/device_bitmap.h"

#include <QImage>
#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

#include "platform/canvas.h"
#include "platform/device_pixels.h"

namespace calmora::platform {

namespace {

bool IsIndexed(TPixelFormat format) {
  return format == pf1bit || format == pf4bit || format == pf8bit;
}

TRGBQuad Quad(uint8_t r, uint8_t g, uint8_t b) { return TRGBQuad{b, g, r, 0}; }

// Default tables of a newly indexed bitmap: black and white; the 16 VGA colours; a 3-3-2
// colour cube (never the grey ramp, which would make the bitmap read as a grey image).
void FillDefaultTable(TPixelFormat format, TRGBQuad* table) {
  std::fill(table, table + 256, TRGBQuad{});
  if (format == pf1bit) {
    table[1] = Quad(255, 255, 255);
  } else if (format == pf4bit) {
    static const uint8_t vga[16][3] = {
        {0, 0, 0},     {128, 0, 0},   {0, 128, 0},   {128, 128, 0}, {0, 0, 128},   {128, 0, 128},
        {0, 128, 128}, {192, 192, 192}, {128, 128, 128}, {255, 0, 0}, {0, 255, 0}, {255, 255, 0},
        {0, 0, 255},   {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
    for (int i = 0; i < 16; ++i) table[i] = Quad(vga[i][0], vga[i][1], vga[i][2]);
  } else if (format == pf8bit) {
    for (int i = 0; i < 256; ++i)
      table[i] = Quad(static_cast<uint8_t>(((i >> 5) & 7) * 255 / 7),
                      static_cast<uint8_t>(((i >> 2) & 7) * 255 / 7),
                      static_cast<uint8_t>((i & 3) * 255 / 3));
  }
}

}  // namespace

int32_t StorageBitCount(TPixelFormat format) {
  switch (format) {
    case pf1bit: return 1;
    case pf4bit: return 4;
    case pf8bit: return 8;
    case pf15bit:
    case pf16bit: return 16;
    case pf24bit: return 24;
    case pfDevice:
    case pf32bit: return 32;
    default: return 0;
  }
}

TBitmap::TBitmap() { FillDefaultTable(Format_, ColorTable_); }

TBitmap::~TBitmap() = default;

bool TBitmap::SetSize(int32_t width, int32_t height) {
  if (width == Width_ && height == Height_) return true;
  return Reformat(width, height, Format_);
}

bool TBitmap::SetPixelFormat(TPixelFormat format) {
  if (format == Format_) return true;
  if (format == pfCustom) return false;
  return Reformat(Width_, Height_, format);
}

// Builds the new buffer, carries the overlapping pixels over (indices stay indices between
// indexed formats; everything else goes through colour) and swaps it in.
bool TBitmap::Reformat(int32_t width, int32_t height, TPixelFormat format) {
  if (width < 0 || height < 0) return false;
  const int32_t bits = StorageBitCount(format);
  const int64_t rowLength = (static_cast<int64_t>(width) * bits + 31) / 32 * 4;
  if (rowLength > std::numeric_limits<int32_t>::max()) return false;
  const int64_t byteSize = rowLength * height;
  if (height != 0 && byteSize / height != rowLength) return false;
  std::unique_ptr<uint8_t[]> pixels;
  if (byteSize > 0) {
    pixels.reset(new (std::nothrow) uint8_t[static_cast<size_t>(byteSize)]);
    if (!pixels) return false;
    std::memset(pixels.get(), 0, static_cast<size_t>(byteSize));
  }
  TRGBQuad table[256];
  if (format == Format_) {
    std::copy(ColorTable_, ColorTable_ + 256, table);
  } else {
    FillDefaultTable(format, table);
    if (IsIndexed(format) && IsIndexed(Format_))
      std::copy(ColorTable_, ColorTable_ + std::min(TableLengthOf(format), TableLengthOf(Format_)),
                table);
  }

  const int32_t columns = std::min(width, Width_);
  const int32_t rows = columns > 0 ? std::min(height, Height_) : 0;
  for (int32_t y = 0; y < rows; ++y) {
    const uint8_t* source = Pixels_.get() + static_cast<int64_t>(y) * RowLength_;
    uint8_t* target = pixels.get() + y * rowLength;
    if (format == Format_) {
      const int64_t usedBytes = (static_cast<int64_t>(columns) * bits + 7) / 8;
      std::memcpy(target, source, static_cast<size_t>(usedBytes));
      // A partial last byte of a narrower packed row must not carry pixels beyond the width.
      const int32_t spareBits = static_cast<int32_t>(usedBytes * 8 - int64_t{columns} * bits);
      if (spareBits > 0) target[usedBytes - 1] &= static_cast<uint8_t>(0xFF << spareBits);
    } else if (IsIndexed(format) && IsIndexed(Format_)) {
      const int32_t length = TableLengthOf(format);
      for (int32_t x = 0; x < columns; ++x) {
        const int32_t index = ReadIndex(source, x, Format_);
        WriteIndex(target, x, format,
                   index < length ? index : NearestEntry(table, length, ColorTable_[index]));
      }
    } else {
      for (int32_t x = 0; x < columns; ++x)
        WriteColor(target, x, format, table, ReadColor(source, x, Format_, ColorTable_));
    }
  }

  Pixels_ = std::move(pixels);
  std::copy(table, table + 256, ColorTable_);
  if (format != Format_) Monochrome_ = true;
  Width_ = width;
  Height_ = height;
  Format_ = format;
  RowLength_ = static_cast<int32_t>(rowLength);
  return true;
}

void TBitmap::SetMonochrome(bool monochrome) {
  if (Format_ != pf1bit) return;
  Monochrome_ = monochrome;
  if (monochrome) FillDefaultTable(pf1bit, ColorTable_);
}

TCanvas* TBitmap::GetCanvas() {
  if (!Canvas_) Canvas_ = std::make_unique<TCanvas>(*this);
  return Canvas_.get();
}

uint8_t* TBitmap::GetScanLine(int32_t row) {
  if (row < 0 || row >= Height_ || !Pixels_) return nullptr;
  return Pixels_.get() + static_cast<int64_t>(row) * RowLength_;
}

int32_t TBitmap::GetColorTableLength() const { return TableLengthOf(Format_); }

TRGBQuad TBitmap::GetColorTableEntry(int32_t index) const {
  if (index < 0 || index >= GetColorTableLength()) return TRGBQuad{};
  return ColorTable_[index];
}

void TBitmap::SetColorTable(int32_t first, int32_t count, const TRGBQuad* entries) {
  const int32_t length = GetColorTableLength();
  for (int32_t i = 0; i < count; ++i) {
    const int64_t index = int64_t{first} + i;
    if (index >= 0 && index < length) ColorTable_[index] = entries[i];
  }
}

void TBitmap::SetGrayColorTable() {
  if (Format_ != pf8bit) return;
  for (int i = 0; i < 256; ++i) {
    const auto v = static_cast<uint8_t>(i);
    ColorTable_[i] = TRGBQuad{v, v, v, 0};
  }
}

bool TBitmap::HasGrayColorTable() const {
  if (Format_ != pf8bit) return false;
  for (int i = 0; i < 256; ++i) {
    const TRGBQuad& e = ColorTable_[i];
    if (e.rgbRed != i || e.rgbGreen != i || e.rgbBlue != i) return false;
  }
  return true;
}

QImage TBitmap::GetImage() {
  if (!Pixels_) return QImage();
  QImage::Format format;
  switch (Format_) {
    case pf1bit: format = QImage::Format_Mono; break;
    case pf8bit: format = QImage::Format_Indexed8; break;
    case pf15bit: format = QImage::Format_RGB555; break;
    case pf16bit: format = QImage::Format_RGB16; break;
    case pf24bit: format = QImage::Format_BGR888; break;
    case pfDevice:
    case pf32bit: format = QImage::Format_RGB32; break;
    default: return QImage();
  }
  // A non-const buffer: a QImage over const data would copy itself on the first paint.
  QImage image(Pixels_.get(), Width_, Height_, RowLength_, format);
  const int32_t length = GetColorTableLength();
  if (length > 0) {
    QList<QRgb> table(length);
    for (int32_t i = 0; i < length; ++i)
      table[i] = qRgb(ColorTable_[i].rgbRed, ColorTable_[i].rgbGreen, ColorTable_[i].rgbBlue);
    image.setColorTable(table);
  }
  return image;
}

}  // namespace calmora::platform
