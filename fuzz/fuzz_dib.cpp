// libFuzzer target of the DIB loader and painter: the input is a 16-bit little-endian length
// n, a packed DIB and, when n is not 0, n bytes of separate pixel data at the end. Both must refuse or read within the block, and what loads has the declared size.
// Fuzz budget in CI: 30 s
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "imaging/base/defs.h"
#include "imaging/core/bitmap/dib_bitmap.h"
#include "imaging/proc/dib/dib_interchange.h"

namespace {

// Headers that ask for more pixels than this are not worth allocating for: they are refused
// or leave a large black bitmap, and only make the fuzzer slow.
constexpr int64_t kMaxPixels = int64_t{1} << 20;

int32_t Field(const uint8_t* dib, size_t size, size_t at) {
  int32_t value = 0;
  if (size >= at + 4) std::memcpy(&value, dib + at, 4);
  return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const size_t bitsSize = std::min<size_t>(data[0] | data[1] << 8, size - 2);
  const uint8_t* dib = data + 2;
  const size_t dibSize = size - 2 - bitsSize;
  const uint8_t* bits = bitsSize > 0 ? dib + dibSize : nullptr;
  // Images above 4 KiB go to temporary files, so the file rows are fuzzed too.
  calmora::BitmapFileThreshold = 4096;
  const int32_t width = Field(dib, dibSize, 4);
  const int32_t height = Field(dib, dibSize, 8);
  if (int64_t{width} * height > kMaxPixels) return 0;

  calmora::TPVBitmap bitmap;
  calmora::LoadBitmapFromDIB(dib, static_cast<int64_t>(dibSize), bitmap, bits,
                             static_cast<int64_t>(bitsSize));
  calmora::TPVDibbitmap target;
  calmora::PaintDIBToDibbitmap(dib, static_cast<int64_t>(dibSize), target, bits,
                               static_cast<int64_t>(bitsSize));
  // A result of 0 is a refusal or a DIB of bit count 0, so only the sizes can be checked.
  if (!bitmap.IsEmpty() && (bitmap.Width != width || bitmap.Height != height)) std::abort();
  if (target.Bits && (target.Width != width || target.Height != height)) std::abort();
  return 0;
}
