// The four run-length decoders of BMP data: one command loop over RLE4 or RLE8 data, writing
// palette indices or colours. Every command's bytes are checked against the data before use.
#include <algorithm>

#include "imaging/codecs/bmp/bmp_codec.h"
#include "imaging/core/bitmap/bitmap_internal.h"

namespace calmora {

namespace {

enum class RLEKind { kFourBit, kEightBit };

// Where decoded pixels go: an index row of a pv8p bitmap, or a colour row of a pv24RGB one.
class IndexTarget {
 public:
  explicit IndexTarget(uint8_t* row) : row_(row) {}
  void Put(int64_t x, uint8_t index) { row_[x] = index; }

 private:
  uint8_t* row_;
};

class ColorTarget {
 public:
  ColorTarget(uint8_t* row, const TBMPColorTable& table)
      : row_(reinterpret_cast<TPVRGB*>(row)), table_(table) {}
  void Put(int64_t x, uint8_t index) { row_[x] = table_[index]; }

 private:
  TPVRGB* row_;
  const TBMPColorTable& table_;
};

// The pixel of a run or literal: RLE4 takes the high nibble for even positions.
template <RLEKind Kind>
uint8_t PixelOf(uint8_t byte, int32_t i) {
  if constexpr (Kind == RLEKind::kEightBit)
    return byte;
  else
    return (i & 1) == 0 ? static_cast<uint8_t>(byte >> 4) : static_cast<uint8_t>(byte & 15);
}

template <RLEKind Kind, class Target, class MakeTarget>
void Decode(TPVBitmap& bitmap, const uint8_t* data, int64_t length, bool topDown,
            TPVProgressRecord& progress, MakeTarget makeTarget) {
  const int32_t width = bitmap.Width;
  const int32_t height = bitmap.Height;
  if (width < 1 || height < 1 || data == nullptr || length < 1) return;
  bool ownFlag = false;
  bool& aborting = progress.Aborting != nullptr ? *progress.Aborting : ownFlag;
  TPVDataAccessScope access(bitmap, pvdRead | pvdWrite);

  int64_t r = height - 1;  // file rows counted from the bottom
  int64_t x = 0;
  int64_t mappedRow = -1;
  uint8_t* line = nullptr;
  const auto row = [&]() -> Target {
    const int64_t bitmapRow = topDown ? height - 1 - r : r;
    if (bitmapRow != mappedRow) {
      line = bitmap.GetScanline(static_cast<int32_t>(bitmapRow));
      mappedRow = bitmapRow;
    }
    return makeTarget(line);
  };
  // RLE8 piles pixels past the row's end onto its last pixel; RLE4 drops them.
  const auto put = [&](Target& target, uint8_t index) {
    if constexpr (Kind == RLEKind::kEightBit) {
      target.Put(std::min<int64_t>(x, width - 1), index);
      ++x;
    } else if (x < width) {
      target.Put(x, index);
      ++x;
    }
  };

  int64_t p = 0;
  while (p < length) {
    if (length - p < 2) {
      aborting = true;  // half a command
      return;
    }
    const uint8_t count = data[p];
    const uint8_t value = data[p + 1];
    p += 2;
    if (count > 0) {
      Target target = row();
      if (line == nullptr) return;
      for (int32_t i = 0; i < count; ++i) put(target, PixelOf<Kind>(value, i));
      continue;
    }
    if (value == 0) {  // end of line
      if (--r < 0) return;
      x = 0;
      if (progress.OnProgress)
        progress.OnProgress(progress.Sender, static_cast<int>((height - r) * progress.Step));
      if (aborting) return;
    } else if (value == 1) {  // end of bitmap
      return;
    } else if (value == 2) {  // delta
      if (length - p < 2) {
        aborting = true;
        return;
      }
      x += data[p];
      r -= data[p + 1];
      p += 2;
      if (r < 0) return;
    } else {  // absolute run of `value` literal pixels
      const int64_t bytes = Kind == RLEKind::kEightBit ? value : (value + 1) / 2;
      if (length - p < bytes) {
        aborting = true;
        return;
      }
      Target target = row();
      if (line == nullptr) return;
      for (int32_t i = 0; i < value; ++i) {
        const uint8_t byte = data[p + (Kind == RLEKind::kEightBit ? i : i / 2)];
        put(target, PixelOf<Kind>(byte, i));
      }
      // The pad byte keeps commands on even offsets; data that ends without it lost nothing.
      p += bytes + (bytes & 1);
    }
  }
}

}  // namespace

void DecodeRLE4ToRGB(TPVBitmap& Bitmap, const uint8_t* Data, int64_t Length, bool TopDown,
                     TPVProgressRecord& Progress, const TBMPColorTable& ColorMap) {
  if (Bitmap.Format != pv24RGB) return;
  Decode<RLEKind::kFourBit, ColorTarget>(Bitmap, Data, Length, TopDown, Progress,
                                         [&](uint8_t* row) { return ColorTarget(row, ColorMap); });
}

void DecodeRLE4ToIndex(TPVBitmap& Bitmap, const uint8_t* Data, int64_t Length, bool TopDown,
                       TPVProgressRecord& Progress) {
  if (Bitmap.Format != pv8p) return;
  Decode<RLEKind::kFourBit, IndexTarget>(Bitmap, Data, Length, TopDown, Progress,
                                         [](uint8_t* row) { return IndexTarget(row); });
}

void DecodeRLE8ToRGB(TPVBitmap& Bitmap, const uint8_t* Data, int64_t Length, bool TopDown,
                     TPVProgressRecord& Progress, const TBMPColorTable& ColorMap) {
  if (Bitmap.Format != pv24RGB) return;
  Decode<RLEKind::kEightBit, ColorTarget>(Bitmap, Data, Length, TopDown, Progress,
                                          [&](uint8_t* row) { return ColorTarget(row, ColorMap); });
}

void DecodeRLE8ToIndex(TPVBitmap& Bitmap, const uint8_t* Data, int64_t Length, bool TopDown,
                       TPVProgressRecord& Progress) {
  if (Bitmap.Format != pv8p) return;
  Decode<RLEKind::kEightBit, IndexTarget>(Bitmap, Data, Length, TopDown, Progress,
                                          [](uint8_t* row) { return IndexTarget(row); });
}

}  // namespace calmora
