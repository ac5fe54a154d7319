// What the rest of the library calls of the zlib glue: inflating one complete zlib block held
// in memory into a new buffer, the two stream classes and the glue's exceptions.
#pragma once

#include <cstdint>

#include "imaging/zlib/z_streams.h"
#include "imaging/zlib/zlib_errors.h"

namespace calmora {

// Inflates the zlib stream of InSize bytes at InBuffer into a new buffer that the caller
// frees with std::free (a UniqueMallocBlock takes it over at once). The buffer starts
// OutEstimate bytes long (0: InSize rounded up to a multiple of 256), grows by that rounded
// input size whenever it is full and is trimmed to the inflated size at the end; OutBuffer and
// OutSize give the result. Bad or truncated data frees the buffer and raises
// EZDecompressionError with zlib's message ("data error", "buffer error" ...); so does an
// output that would not fit in 32 bits or in memory.
void DecompressBuffer(const void* InBuffer, int32_t InSize, void*& OutBuffer, int32_t& OutSize,
                      int32_t OutEstimate);

}  // namespace calmora
