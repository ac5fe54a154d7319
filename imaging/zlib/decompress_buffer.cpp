// Inflating a whole zlib block from memory into a buffer that grows as the output needs.
#include "imaging/zlib/zlib_codec.h"

#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <limits>

#include "imaging/zlib/z_stream_owner.h"
#include "imaging/base/malloc_block.h"

namespace calmora {

void DecompressBuffer(const void* InBuffer, int32_t InSize, void*& OutBuffer, int32_t& OutSize,
                      int32_t OutEstimate) {
  OutBuffer = nullptr;
  OutSize = 0;
  if (InSize < 0 || (InSize > 0 && InBuffer == nullptr))
    throw EZDecompressionError(zError(Z_STREAM_ERROR));

  // Growth step: the input size rounded up to 256 bytes (never 0, so the loop always moves).
  const int64_t step = std::max<int64_t>(256, (int64_t{InSize} + 255) / 256 * 256);
  int64_t capacity = OutEstimate > 0 ? OutEstimate : step;
  constexpr int64_t kSizeLimit = std::numeric_limits<int32_t>::max();
  if (capacity > kSizeLimit) capacity = kSizeLimit;

  UniqueMallocBlock<Bytef> buffer(static_cast<Bytef*>(std::malloc(static_cast<size_t>(capacity))));
  if (buffer == nullptr) throw EZDecompressionError(zError(Z_MEM_ERROR));

  ZInflateStream inflater;
  z_stream& zs = inflater.Stream();
  zs.next_in = static_cast<Bytef*>(const_cast<void*>(InBuffer));
  zs.avail_in = static_cast<uInt>(InSize);
  zs.next_out = buffer.get();
  zs.avail_out = static_cast<uInt>(capacity);
  for (;;) {
    const int result = CheckDecompressionResult(inflate(&zs, Z_NO_FLUSH));
    if (result == Z_STREAM_END) break;
    // A block that wants a preset dictionary can never finish here.
    if (result == Z_NEED_DICT) throw EZDecompressionError(zError(Z_NEED_DICT));
    const int64_t produced = static_cast<int64_t>(zs.total_out);
    if (capacity >= kSizeLimit) throw EZDecompressionError(zError(Z_MEM_ERROR));
    const int64_t grown = std::min(capacity + step, kSizeLimit);
    if (!ResizeMallocBlock(buffer, static_cast<size_t>(grown)))
      throw EZDecompressionError(zError(Z_MEM_ERROR));
    capacity = grown;
    zs.next_out = buffer.get() + produced;
    zs.avail_out = static_cast<uInt>(capacity - produced);
  }
  inflater.End();

  const int64_t produced = static_cast<int64_t>(zs.total_out);
  // Trimming cannot fail in practice; should it, the larger block still holds the data.
  if (produced > 0 && produced < capacity) ResizeMallocBlock(buffer, static_cast<size_t>(produced));
  OutSize = static_cast<int32_t>(produced);
  OutBuffer = buffer.release();
}

}  // namespace calmora
