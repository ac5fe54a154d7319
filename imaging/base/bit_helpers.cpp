// Bit-exact copies between arbitrary bit positions and the byte-order exchanges of pixel rows.
#include "imaging/base/bit_helpers.h"

#include <cstring>
#include <vector>

namespace calmora {

namespace {

uint64_t LoadBigEndian64(const uint8_t* p) {
  uint64_t v;
  std::memcpy(&v, p, 8);
  return __builtin_bswap64(v);
}

void StoreBigEndian64(uint8_t* p, uint64_t v) {
  v = __builtin_bswap64(v);
  std::memcpy(p, &v, 8);
}

bool Overlaps(const uint8_t* a, int64_t aSize, const uint8_t* b, int64_t bSize) {
  const auto a0 = reinterpret_cast<uintptr_t>(a);
  const auto b0 = reinterpret_cast<uintptr_t>(b);
  return a0 < b0 + static_cast<uint64_t>(bSize) && b0 < a0 + static_cast<uint64_t>(aSize);
}

// Writes the n destination bytes whose bit p of byte j holds source bit 8j + p + shift
// (shift = source offset - destination offset, -7..7). Source bytes at index >= readable, and
// the byte before the first, read as 0; the bits they feed are either outside the run (restored
// by the caller) or the missing tail of the source, which reads as 0 by contract.
void ShiftBytes(uint8_t* d, const uint8_t* s, int64_t n, int64_t readable, int shift) {
  auto fetch = [&](int64_t k) -> unsigned { return k >= 0 && k < readable ? s[k] : 0u; };
  int64_t j = 0;
  if (shift == 0) {
    const int64_t direct = readable < n ? readable : n;  // readable is never negative
    if (direct > 0) std::memcpy(d, s, static_cast<size_t>(direct));
    std::memset(d + direct, 0, static_cast<size_t>(n - direct));
    return;
  }
  if (shift > 0) {
    for (; j < n; ++j) {
      if (j + 8 <= n && j + 8 < readable) {
        const uint64_t w = LoadBigEndian64(s + j);
        StoreBigEndian64(d + j, (w << shift) | (s[j + 8] >> (8 - shift)));
        j += 7;
        continue;
      }
      d[j] = static_cast<uint8_t>((fetch(j) << shift) | (fetch(j + 1) >> (8 - shift)));
    }
  } else {
    const int right = -shift;
    for (; j < n; ++j) {
      if (j >= 1 && j + 8 <= n && j + 8 <= readable) {
        const uint64_t w = LoadBigEndian64(s + j);
        StoreBigEndian64(d + j, (w >> right) | (static_cast<uint64_t>(s[j - 1]) << (64 - right)));
        j += 7;
        continue;
      }
      d[j] = static_cast<uint8_t>((fetch(j - 1) << (8 - right)) | (fetch(j) >> right));
    }
  }
}

}  // namespace

void CopyBits(void* Dest, const void* Source, int32_t DestBitPos, int32_t SrcBitPos, int32_t Count,
              int32_t SourceSize) {
  if (Count < 1 || DestBitPos < 0 || SrcBitPos < 0) return;
  uint8_t* d = static_cast<uint8_t*>(Dest) + DestBitPos / 8;
  const uint8_t* s = static_cast<const uint8_t*>(Source) + SrcBitPos / 8;
  const int destOffset = DestBitPos % 8;
  const int srcOffset = SrcBitPos % 8;
  const int64_t n = (static_cast<int64_t>(Count) + destOffset + 7) / 8;
  // Source bytes that take part: the run plus a margin, never more than the caller owns.
  const int64_t block = (static_cast<int64_t>(Count) + srcOffset + 7) / 8 + 8;
  const int64_t avail = static_cast<int64_t>(SourceSize) - SrcBitPos / 8;
  int64_t readable = avail < block ? avail : block;
  if (readable < 0) readable = 0;

  // Overlapping runs are copied as if through a separate block, like a memmove.
  std::vector<uint8_t> copy;
  if (readable > 0 && Overlaps(d, n, s, readable)) {
    copy.assign(s, s + readable);
    s = copy.data();
  }

  if (destOffset == 0 && srcOffset == 0 && Count % 8 == 0) {
    ShiftBytes(d, s, n, readable, 0);
    return;
  }
  const uint8_t firstSaved = d[0];
  const uint8_t lastSaved = d[n - 1];
  ShiftBytes(d, s, n, readable, srcOffset - destOffset);
  const unsigned leadMask = destOffset ? (0xFF00u >> destOffset) & 0xFFu : 0u;
  d[0] = static_cast<uint8_t>((d[0] & ~leadMask) | (firstSaved & leadMask));
  const int64_t trailing = 8 * n - destOffset - Count;
  const unsigned trailMask = (1u << trailing) - 1u;
  d[n - 1] = static_cast<uint8_t>((d[n - 1] & ~trailMask) | (lastSaved & trailMask));
}

void InvertBytes(void* Buffer, int32_t Count) {
  auto* p = static_cast<uint8_t*>(Buffer);
  for (int32_t i = 0; i < Count; ++i) p[i] = static_cast<uint8_t>(~p[i]);
}

void CopySwapRB(void* Dest, const void* Source, int32_t Count) {
  if (Count <= 0) return;
  std::memmove(Dest, Source, static_cast<size_t>(Count) * 3);
  SwapRBInPlace(Dest, Count);
}

void SwapRBInPlace(void* Buffer, int32_t Count) {
  auto* p = static_cast<uint8_t*>(Buffer);
  for (int32_t i = 0; i < Count; ++i, p += 3) {
    const uint8_t t = p[0];
    p[0] = p[2];
    p[2] = t;
  }
}

void SwapRB48(void* Buffer, int32_t Count) {
  auto* p = static_cast<uint8_t*>(Buffer);
  for (int32_t i = 0; i < Count; ++i, p += 6) {
    uint8_t first[2];
    std::memcpy(first, p, 2);
    std::memcpy(p, p + 4, 2);
    std::memcpy(p + 4, first, 2);
  }
}

void SwapRBArray(TPVRGB* Pixels, int32_t Count) {
  for (int32_t i = 0; i < Count; ++i) {
    const uint8_t t = Pixels[i].r;
    Pixels[i].r = Pixels[i].b;
    Pixels[i].b = t;
  }
}

}  // namespace calmora
