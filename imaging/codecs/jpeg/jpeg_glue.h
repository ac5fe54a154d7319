// The glue between libjpeg's C records and this library: the error manager that leaves a
// failed call by longjmp, the guarded call that catches it, and the stream source and
// destination managers. Used by the reader, the writer and the flat decompression API.
#pragma once

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <string>
#include <type_traits>

#include <jpeglib.h>
#include <jerror.h>

#include "imaging/base/defs.h"

namespace calmora {

class TStream;

// libjpeg's error record followed by the caller's abort flag (null: none), the place a failed
// call leaves to (null outside a guarded call) and the code of the last warning (trace
// messages pass through msg_code too, so the record's own field does not keep it).
struct JPEGErrorManager {
  jpeg_error_mgr Base;
  bool* Aborting;
  std::jmp_buf* Jump;
  int32_t LastWarningCode;
};

// The five routines installed in every error manager, in libjpeg's order.
void JPEGErrorExit(j_common_ptr Info);
void JPEGEmitMessage(j_common_ptr Info, int Level);
void JPEGOutputMessage(j_common_ptr Info);
void JPEGFormatMessage(j_common_ptr Info, char* Buffer);
void JPEGResetErrorManager(j_common_ptr Info);

// A manager from the template: the five routines, every other field zero, the abort flag set.
JPEGErrorManager MakeJPEGErrorManager(bool* Aborting);

// The text of a message code: the library's table with each printf conversion given as "?",
// the copyright and version lines empty, the bare-number trace lines "?", and "Corrupted"
// beyond the table's first 124 codes.
std::string JPEGMessageText(int32_t Code);

// The code whose error exit returns normally: finishing a partly read image goes on.
inline constexpr int32_t kJPEGTooFewScanlines = JERR_TOO_LITTLE_DATA;

// Runs Call(Context) with Manager's error exit leading back here; false when it left that way.
// The frame holds no object with a destructor, and neither may Call while libjpeg runs.
bool JPEGGuardedCall(JPEGErrorManager& Manager, void (*Call)(void*), void* Context);

template <class F>
bool JPEGGuarded(JPEGErrorManager& Manager, F&& Body) {
  using Callable = std::remove_reference_t<F>;
  return JPEGGuardedCall(
      Manager, [](void* body) { (*static_cast<Callable*>(body))(); },
      const_cast<void*>(static_cast<const void*>(&Body)));
}

// Bytes in the source and destination managers' buffers.
inline constexpr int32_t kJPEGStreamBufferSize = 65536;

// The source manager reading Stream from its position (made on first use, kept by the
// record until FreeJPEGStreamSource); an empty stream sets *Aborting, when given.
void SetJPEGStreamSource(j_decompress_ptr Info, TStream* Stream, bool* Aborting);
void FreeJPEGStreamSource(j_decompress_ptr Info);
// The destination manager writing at Stream's position; a short write sets *Aborting.
void SetJPEGStreamDestination(j_compress_ptr Info, TStream* Stream, bool* Aborting);
void FreeJPEGStreamDestination(j_compress_ptr Info);

}  // namespace calmora
