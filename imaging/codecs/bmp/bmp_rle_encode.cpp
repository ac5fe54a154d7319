// The run-length encoders of one BMP row: runs of equal indices, literals in between, and the
// end-of-line command, for RLE4 and RLE8.
#include <algorithm>

#include "imaging/codecs/bmp/bmp_codec.h"

namespace calmora {

namespace {

enum class RLEKind { kFourBit, kEightBit };

// Longest run or literal one command can hold.
constexpr int32_t kMaxPiece = 255;

template <RLEKind Kind>
class RowEncoder {
 public:
  RowEncoder(const uint8_t* row, uint8_t* output) : row_(row), out_(output) {}

  int32_t Encode(int32_t count) {
    int32_t p = 0;
    int32_t l = 0;
    while (p < count) {
      if (p - l > kMaxPiece) {
        FlushLiterals(l, p);
        l = p;
      }
      if (p + 1 < count && Pixel(p) == Pixel(p + 1)) {
        FlushLiterals(l, p);
        int32_t end = p + 1;
        while (end < count && end - p < kMaxPiece && Pixel(end) == Pixel(p)) ++end;
        PutRun(end - p, Pixel(p));
        l = p = end;
      } else {
        ++p;
      }
    }
    FlushLiterals(l, p);
    Put(0);
    Put(0);
    return used_;
  }

 private:
  uint8_t Pixel(int32_t i) const {
    return Kind == RLEKind::kFourBit ? static_cast<uint8_t>(row_[i] & 15) : row_[i];
  }
  void Put(uint8_t byte) { out_[used_++] = byte; }

  void PutRun(int32_t count, uint8_t index) {
    Put(static_cast<uint8_t>(count));
    Put(Kind == RLEKind::kFourBit ? static_cast<uint8_t>(index << 4 | index) : index);
  }

  // Pixels first..end - 1 as literals, in pieces of at most kMaxPiece.
  void FlushLiterals(int32_t first, int32_t end) {
    while (first < end) {
      const int32_t n = std::min(end - first, kMaxPiece);
      PutLiteralPiece(first, n);
      first += n;
    }
  }

  void PutLiteralPiece(int32_t first, int32_t n) {
    if (n == 1) {
      Put(1);
      Put(Kind == RLEKind::kFourBit ? static_cast<uint8_t>(Pixel(first) << 4) : Pixel(first));
      return;
    }
    if (n == 2) {
      // An absolute run needs at least three pixels.
      if constexpr (Kind == RLEKind::kFourBit) {
        Put(2);
        Put(static_cast<uint8_t>(Pixel(first) << 4 | Pixel(first + 1)));
      } else {
        Put(1);
        Put(Pixel(first));
        Put(1);
        Put(Pixel(first + 1));
      }
      return;
    }
    Put(0);
    Put(static_cast<uint8_t>(n));
    int32_t bytes = 0;
    if constexpr (Kind == RLEKind::kEightBit) {
      for (int32_t i = 0; i < n; ++i) Put(Pixel(first + i));
      bytes = n;
    } else {
      for (int32_t i = 0; i + 1 < n; i += 2)
        Put(static_cast<uint8_t>(Pixel(first + i) << 4 | Pixel(first + i + 1)));
      if ((n & 1) != 0) Put(static_cast<uint8_t>(Pixel(first + n - 1) << 4));
      bytes = (n + 1) / 2;
    }
    if ((bytes & 1) != 0) Put(0);  // commands start on even offsets
  }

  const uint8_t* row_;
  uint8_t* out_;
  int32_t used_ = 0;
};

}  // namespace

int64_t MaxEncodedRLERowBytes(int32_t Count) {
  // No piece takes more than two bytes a pixel; the end of line adds two.
  return 2 * static_cast<int64_t>(std::max(Count, 0)) + 2;
}

int32_t EncodeRLE4Row(const uint8_t* Row, int32_t Count, uint8_t* Output) {
  return RowEncoder<RLEKind::kFourBit>(Row, Output).Encode(Count);
}

int32_t EncodeRLE8Row(const uint8_t* Row, int32_t Count, uint8_t* Output) {
  return RowEncoder<RLEKind::kEightBit>(Row, Output).Encode(Count);
}

}  // namespace calmora
