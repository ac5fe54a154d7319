// Shared by the BMP codec tests: test images, hand-made BMP files built field by field, reading
// and writing through the codec in memory, and pixel comparison with reference decodes.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "imaging/base/streams/streams.h"
#include "imaging/codecs/bmp/bmp_codec.h"
#include "imaging/core/bitmap/bitmap.h"
#include "imaging/core/bitmap/bitmap_pixels.h"
#include "imaging/core/mask/mask.h"
#include "imaging/params/io_params.h"
#include "tests/imaging/support/pnm.h"

namespace calmora::test {

// The sixteen colours of the palette test image: every channel differs between entries.
inline TPVRGB PatternColor(int32_t i) {
  return TPVRGB{static_cast<uint8_t>(255 - i * 16), static_cast<uint8_t>(i * 53 % 256),
                static_cast<uint8_t>(i * 16)};
}

// Width x height pv24RGB: sixteen colours in diagonal bands (colours = 16), two colours
// (black and white, colours = 2), or a smooth field of many colours (colours = 0).
inline std::unique_ptr<TPVBitmap> MakePattern(int32_t width, int32_t height, int32_t colors) {
  auto bitmap = std::make_unique<TPVBitmap>(width, height, pv24RGB);
  for (int32_t y = 0; y < height; ++y) {
    auto* row = reinterpret_cast<TPVRGB*>(bitmap->GetScanline(y));
    for (int32_t x = 0; x < width; ++x) {
      const int32_t band = x / 3 + y * 5;
      if (colors == 16)
        row[x] = PatternColor(band % 16);
      else if (colors == 2)
        row[x] = band % 2 == 0 ? TPVRGB{0, 0, 0} : TPVRGB{255, 255, 255};
      else
        row[x] = TPVRGB{static_cast<uint8_t>(x * 7 + y), static_cast<uint8_t>(y * 11),
                        static_cast<uint8_t>(x * 5 ^ y * 3)};
    }
  }
  return bitmap;
}

// Little-endian fields of a hand-made file.
class BMPBytes {
 public:
  BMPBytes& U8(uint32_t v) {
    bytes_.push_back(static_cast<char>(v & 0xFF));
    return *this;
  }
  BMPBytes& U16(uint32_t v) { return U8(v).U8(v >> 8); }
  BMPBytes& U32(uint32_t v) { return U16(v & 0xFFFF).U16(v >> 16); }
  BMPBytes& Raw(const std::string& more) {
    bytes_ += more;
    return *this;
  }
  BMPBytes& Zeros(size_t n) {
    bytes_.append(n, '\0');
    return *this;
  }
  const std::string& Bytes() const { return bytes_; }
  size_t Size() const { return bytes_.size(); }

 private:
  std::string bytes_;
};

// What a hand-made file holds; the writer of these files fills in sizes and offsets.
struct HandMadeBMP {
  uint32_t HeaderSize = 40;
  int32_t Width = 4;
  int32_t Height = 3;  // negative: top-down
  uint32_t BitCount = 24;
  uint32_t Compression = 0;
  uint32_t ColorsUsed = 0;
  std::vector<TPVRGB> Table;     // written as 4-byte entries (3-byte after a 12-byte header)
  std::vector<uint32_t> Masks;   // after the table, or inside a header of 52 bytes and more
  int32_t PixelsPerMetre = 0;
  std::string Pixels;
  // Overrides of the file header's fields (-1: computed).
  int64_t FileSizeField = -1;
  int64_t OffsetField = -1;
  int64_t HeaderSizeField = -1;
};

inline std::string BuildBMP(const HandMadeBMP& f) {
  BMPBytes header;
  header.U32(f.HeaderSizeField >= 0 ? static_cast<uint32_t>(f.HeaderSizeField) : f.HeaderSize);
  if (f.HeaderSize == 12) {
    header.U16(static_cast<uint32_t>(f.Width)).U16(static_cast<uint32_t>(f.Height)).U16(1).U16(f.BitCount);
  } else {
    BMPBytes block;
    block.U32(static_cast<uint32_t>(f.Width)).U32(static_cast<uint32_t>(f.Height)).U16(1).U16(f.BitCount);
    block.U32(f.Compression).U32(static_cast<uint32_t>(f.Pixels.size()));
    block.U32(static_cast<uint32_t>(f.PixelsPerMetre)).U32(static_cast<uint32_t>(f.PixelsPerMetre));
    block.U32(f.ColorsUsed).U32(0);
    if (f.HeaderSize >= 52)
      for (uint32_t mask : f.Masks) block.U32(mask);
    std::string fields = block.Bytes();
    fields.resize(f.HeaderSize - 4, '\0');
    header.Raw(fields);
  }
  for (const TPVRGB& c : f.Table) {
    header.U8(c.b).U8(c.g).U8(c.r);
    if (f.HeaderSize != 12) header.U8(0);
  }
  if (f.HeaderSize < 52)
    for (uint32_t mask : f.Masks) header.U32(mask);
  const uint32_t offset = static_cast<uint32_t>(14 + header.Size());
  BMPBytes file;
  file.U8('B').U8('M');
  file.U32(f.FileSizeField >= 0 ? static_cast<uint32_t>(f.FileSizeField)
                                : static_cast<uint32_t>(offset + f.Pixels.size()));
  file.U32(0);
  file.U32(f.OffsetField >= 0 ? static_cast<uint32_t>(f.OffsetField) : offset);
  file.Raw(header.Bytes()).Raw(f.Pixels);
  return file.Bytes();
}

struct ReadResult {
  bool Aborting = false;
  std::unique_ptr<TPVMask> Mask;
};

struct ReadOptions {
  bool ParamsOnly = false;
  bool IgnoreAlpha = false;
  bool NoFileHeader = false;
  int32_t DataSize = 0;
};

inline ReadResult ReadBMPBytes(const std::string& bytes, TPVBitmap& bitmap, TIOParamsVals& params,
                               const ReadOptions& options = {}) {
  TPVMemStream stream(bytes.data(), static_cast<int64_t>(bytes.size()));
  ReadResult result;
  TPVProgressRecord progress;
  progress.Aborting = &result.Aborting;
  ReadBMPStream(&stream, bitmap, options.DataSize, params, progress, options.ParamsOnly,
                options.NoFileHeader, result.Mask, options.IgnoreAlpha);
  return result;
}

inline std::string WriteBMPBytes(TPVBitmap& bitmap, TIOParamsVals& params, bool writeAlpha,
                                 bool* aborting = nullptr) {
  TMemoryStream stream;
  bool failed = false;
  TPVProgressRecord progress;
  progress.Aborting = &failed;
  WriteBMPStream(&stream, bitmap, params, progress, writeAlpha);
  if (aborting != nullptr) *aborting = failed;
  return std::string(static_cast<const char*>(stream.GetMemory()),
                     static_cast<size_t>(stream.GetSize()));
}

// Every pixel of ours as a colour (pv1g set bits white, pv8p through the palette) equals the
// reference's.
inline void ExpectSamePixels(const TPVBitmap& ours, const TPVBitmap& reference,
                             const std::string& what) {
  ASSERT_EQ(ours.Width, reference.Width) << what;
  ASSERT_EQ(ours.Height, reference.Height) << what;
  int32_t differences = 0;
  for (int32_t y = 0; y < ours.Height; ++y)
    for (int32_t x = 0; x < ours.Width; ++x) {
      const TPVRGB a = ours.GetPixelAsRGB(x, y);
      const TPVRGB b = reference.GetPixelAsRGB(x, y);
      if (a != b && ++differences <= 3)
        ADD_FAILURE() << what << ": pixel (" << x << ", " << y << ") ours " << int(a.r) << ","
                      << int(a.g) << "," << int(a.b) << " reference " << int(b.r) << ","
                      << int(b.g) << "," << int(b.b);
    }
  EXPECT_EQ(differences, 0) << what;
}

inline std::string BytesOf(const std::vector<uint8_t>& v) {
  return std::string(v.begin(), v.end());
}

}  // namespace calmora::test
