// Row conversion between bit depths, through the palette or the quantiser.
#include "imaging/proc/colors/row_depth.h"

#include <cstring>
#include <limits>

#include "imaging/proc/colors/quantizer.h"

namespace calmora {

namespace {

int64_t RowLength(int32_t bits, int64_t width) {
  switch (bits) {
    case 1: return (width + 7) / 8;
    case 4: return (width + 1) / 2;
    case 8: return width;
    case 24: return width * 3;
    default: return 0;
  }
}

// Pixel x of a 1-, 4- or 8-bit row.
uint8_t ValueAt(const uint8_t* row, int32_t bits, int32_t x) {
  switch (bits) {
    case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case 4: return (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F;
    default: return row[x];
  }
}

// Stores pixel x of a 1-, 4- or 8-bit row; packed rows are ORed into, so they start cleared.
void PutValue(uint8_t* row, int32_t bits, int32_t x, uint32_t value) {
  switch (bits) {
    case 1:
      if (value != 0) row[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
      break;
    case 4: row[x >> 1] |= static_cast<uint8_t>((value & 0x0F) << ((x & 1) ? 0 : 4)); break;
    default: row[x] = static_cast<uint8_t>(value); break;
  }
}

bool IsIndexDepth(int32_t bits) { return bits == 1 || bits == 4 || bits == 8; }

// The value-to-value pairs: widening 1 -> 4 -> 8, and 8 -> 1 for two-colour indexes.
bool IsValuePair(int32_t from, int32_t to) {
  return (from == 1 && (to == 4 || to == 8)) || (from == 4 && to == 8) || (from == 8 && to == 1);
}

}  // namespace

int32_t ConvertRowDepth(const void* Source, void* Dest, int32_t SourceBits, int32_t DestBits,
                        int32_t Width, const TPVRGB* Palette, const TPVQuantizer* Quantizer) {
  const int64_t length = RowLength(DestBits, Width);
  if (Width < 0 || length > std::numeric_limits<int32_t>::max()) return 0;
  const auto* source = static_cast<const uint8_t*>(Source);
  auto* dest = static_cast<uint8_t*>(Dest);
  if (SourceBits == DestBits && (IsIndexDepth(SourceBits) || SourceBits == 24)) {
    std::memcpy(dest, source, static_cast<size_t>(length));
  } else if (IsValuePair(SourceBits, DestBits)) {
    if (DestBits != 8) std::memset(dest, 0, static_cast<size_t>(length));
    for (int32_t x = 0; x < Width; ++x) PutValue(dest, DestBits, x, ValueAt(source, SourceBits, x));
  } else if (IsIndexDepth(SourceBits) && DestBits == 24) {
    if (Palette)
      for (int32_t x = 0; x < Width; ++x)
        std::memcpy(dest + 3 * static_cast<size_t>(x), &Palette[ValueAt(source, SourceBits, x)], 3);
  } else if (SourceBits == 24 && (DestBits == 4 || DestBits == 8)) {
    if (Quantizer) {
      if (DestBits == 4) std::memset(dest, 0, static_cast<size_t>(length));
      const auto* pixels = reinterpret_cast<const TPVRGB*>(source);
      for (int32_t x = 0; x < Width; ++x)
        PutValue(dest, DestBits, x, static_cast<uint32_t>(Quantizer->RGBIndex(pixels[x])));
    }
  } else if (SourceBits == 32 && DestBits == 24) {
    for (int32_t x = 0; x < Width; ++x)
      std::memcpy(dest + 3 * static_cast<size_t>(x), source + 4 * static_cast<size_t>(x), 3);
  }
  return static_cast<int32_t>(length);
}

}  // namespace calmora
