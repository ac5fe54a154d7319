// Taking a packed DIB apart: header fields read through the byte reader, every table, mask and
// row range checked against the block before anything is read from it.
#include "imaging/proc/dib/dib_layout.h"

#include <cstring>

#include "imaging/base/streams/byte_reader.h"
#include "imaging/base/row_bits.h"

namespace calmora {

namespace {

constexpr int64_t kInfoHeaderSize = 40;
constexpr int64_t kMaskBytes = 12;  // three 32-bit masks right after a 40-byte header
constexpr uint32_t kBitFields = 3;

TDibRows RowsOf(int32_t bitCount, uint32_t compression) {
  switch (bitCount) {
    case 1: return TDibRows::OneBit;
    case 4:
    case 8: return TDibRows::Indexed;
    case 16: return TDibRows::Masked;
    case 24: return compression == 0 ? TDibRows::Bgr : TDibRows::None;
    case 32: return TDibRows::Bgrx;
    default: return TDibRows::None;
  }
}

// The offset of the pixel data after header and table; -1 when the layout has none.
int64_t DataStartOf(const TDibLayout& layout, TDibDataStart rule) {
  const int64_t afterHeader = layout.HeaderSize;
  const bool bitFields = layout.Compression == kBitFields;
  // Masks that follow a 40-byte header come before the pixels; a longer header holds them.
  const int64_t masks = bitFields && layout.HeaderSize == kInfoHeaderSize ? kMaskBytes : 0;
  switch (layout.BitCount) {
    case 1:
    case 4:
    case 8: return afterHeader + int64_t{layout.TableEntries} * 4;
    case 16: return afterHeader + masks;
    case 24: return afterHeader;
    case 32:
      if (rule == TDibDataStart::Painter && !bitFields && layout.Compression != 0) return -1;
      return afterHeader + masks;
    default: return -1;
  }
}

// Shift that brings a channel whose top bit sits at bit (top - 1) down to an 8-bit value.
int32_t ShiftToByte(int32_t top) { return top - 8; }

uint8_t Shifted(uint32_t value, int32_t shift) {
  if (shift >= 32 || shift <= -32) return 0;
  return static_cast<uint8_t>(shift >= 0 ? value >> shift : value << -shift);
}

}  // namespace

bool ReadDibHeader(const uint8_t* dib, int64_t length, TDibLayout& layout) {
  TPVByteReader reader(dib, length);
  layout.HeaderSize = reader.ReadLE<uint32_t>();
  layout.Width = reader.ReadLE<int32_t>();
  layout.Height = reader.ReadLE<int32_t>();
  reader.Skip(2);  // planes
  layout.BitCount = reader.ReadLE<uint16_t>();
  layout.Compression = reader.ReadLE<uint32_t>();
  reader.Skip(12);  // image size, resolution
  layout.ColorsUsed = reader.ReadLE<uint32_t>();
  return !reader.Failed() && layout.HeaderSize >= kInfoHeaderSize && layout.HeaderSize <= length;
}

bool LocateDibPixels(const uint8_t* dib, int64_t length, const uint8_t* bits, int64_t bitsLength,
                     TDibDataStart rule, TDibLayout& layout) {
  TPVByteReader reader(dib, length);
  const bool plain = IsPlainCompression(layout.Compression);
  layout.Rows = plain ? RowsOf(layout.BitCount, layout.Compression) : TDibRows::None;
  layout.TableEntries = 0;
  if (plain && layout.BitCount <= 8 && layout.Rows != TDibRows::None) {
    if (layout.ColorsUsed > 256) return false;
    layout.TableEntries =
        layout.ColorsUsed ? static_cast<int32_t>(layout.ColorsUsed) : 1 << layout.BitCount;
    if (!reader.SeekTo(layout.HeaderSize) || !reader.CheckCount(layout.TableEntries, 4))
      return false;
    std::memset(layout.Palette, 0, sizeof layout.Palette);
    for (int32_t i = 0; i < layout.TableEntries; ++i) {
      uint8_t quad[4];
      reader.Read(quad, 4);
      layout.Palette[i] = TPVRGB{quad[0], quad[1], quad[2]};
    }
  }
  if (layout.Rows == TDibRows::Masked) {
    if (layout.Compression == kBitFields) {
      if (!reader.SeekTo(kInfoHeaderSize)) return false;
      for (uint32_t& mask : layout.Masks) mask = reader.ReadLE<uint32_t>();
      if (reader.Failed()) return false;
    }
    const int32_t red = GetMaskBitWidth(layout.Masks[0]);
    const int32_t green = GetMaskBitWidth(layout.Masks[1]);
    const int32_t blue = GetMaskBitWidth(layout.Masks[2]);
    if (red == 0 || green == 0 || blue == 0) return false;
    // The channels are taken as contiguous fields, red above green above blue at bit 0.
    layout.Shifts[0] = ShiftToByte(red + green + blue);
    layout.Shifts[1] = ShiftToByte(green + blue);
    layout.Shifts[2] = ShiftToByte(blue);
  }
  layout.Pixels = nullptr;
  layout.PixelBytes = 0;
  if (bits) {
    layout.Pixels = bits;
    layout.PixelBytes = bitsLength;
  } else if (plain || rule == TDibDataStart::Painter) {
    const int64_t start = DataStartOf(layout, rule);
    if (start >= 0 && start <= length) {
      layout.Pixels = dib + start;
      layout.PixelBytes = length - start;
    }
  }
  return true;
}

int64_t DibRowLength(const TDibLayout& layout) {
  return CalcRowLength(layout.Width, layout.BitCount, 32);
}

bool DibRowsFit(const TDibLayout& layout) {
  const int64_t size = CalcImageByteSize(DibRowLength(layout), layout.Height);
  return layout.Pixels && size >= 0 && size <= layout.PixelBytes;
}

void ConvertDibRow(const TDibLayout& layout, const uint8_t* row, TPVRGB* target) {
  const int32_t width = layout.Width;
  switch (layout.Rows) {
    case TDibRows::Indexed:
      if (layout.BitCount == 8) {
        for (int32_t x = 0; x < width; ++x) target[x] = layout.Palette[row[x]];
      } else {
        for (int32_t x = 0; x < width; ++x)
          target[x] = layout.Palette[(x & 1) ? row[x >> 1] & 0x0F : row[x >> 1] >> 4];
      }
      break;
    case TDibRows::Masked:
      for (int32_t x = 0; x < width; ++x) {
        const uint32_t p = row[2 * x] | (uint32_t{row[2 * x + 1]} << 8);
        target[x] = TPVRGB{Shifted((p & 0xFF) & layout.Masks[2], layout.Shifts[2]),
                           Shifted(p & layout.Masks[1], layout.Shifts[1]),
                           Shifted(p & layout.Masks[0], layout.Shifts[0])};
      }
      break;
    case TDibRows::Bgr: std::memcpy(target, row, static_cast<size_t>(width) * 3); break;
    case TDibRows::Bgrx:
      for (int32_t x = 0; x < width; ++x) std::memcpy(target + x, row + 4 * x, 3);
      break;
    default: break;
  }
}

}  // namespace calmora
