// libpng's callbacks and the guarded call they leave to: an error sets the abort flag and jumps
// back to the frame the guarded call set up; reads and writes go through the library's checked
// reader and SafeStreamWrite.
#include <csetjmp>
#include <cmath>
#include <cstdlib>

#include "imaging/base/streams/byte_reader.h"
#include "imaging/base/streams/streams.h"
#include "imaging/codecs/png/png_codec.h"
#include "imaging/codecs/png/png_glue.h"

namespace calmora {

namespace {

[[noreturn]] void LeaveWithError(png_structp Png) {
  if (auto* aborting = static_cast<bool*>(png_get_error_ptr(Png))) *aborting = true;
  png_longjmp(Png, 1);
}

}  // namespace

void PNGReadError(png_structp Png, png_const_charp) { LeaveWithError(Png); }

void PNGReadWarning(png_structp, png_const_charp) {}

void PNGReadData(png_structp Png, png_bytep Data, size_t Length) {
  auto* reader = static_cast<TPVByteReader*>(png_get_io_ptr(Png));
  bool read = false;
  try {
    read = reader && Length <= static_cast<size_t>(INT64_MAX) &&
           reader->Read(Data, static_cast<int64_t>(Length));
  } catch (...) {
    // A stream that throws cannot be let through libpng's C.
    read = false;
  }
  if (!read) png_error(Png, "Read error");
}

void PNGWriteError(png_structp Png, png_const_charp) { LeaveWithError(Png); }

void PNGWriteWarning(png_structp, png_const_charp) {}

void PNGWriteData(png_structp Png, png_bytep Data, size_t Length) {
  auto* target = static_cast<PNGWriteTarget*>(png_get_io_ptr(Png));
  if (!target || *target->Aborting) return;
  // SafeStreamWrite takes counts of 32 bits; libpng's own writes are far smaller, but a long
  // one is still written in parts.
  while (Length > 0 && !*target->Aborting) {
    const size_t part = Length < (size_t{1} << 30) ? Length : (size_t{1} << 30);
    try {
      SafeStreamWrite(target->Stream, *target->Aborting, Data, static_cast<int32_t>(part));
    } catch (...) {
      // A stream that throws cannot be let through libpng's C.
      *target->Aborting = true;
    }
    Data += part;
    Length -= part;
  }
}

void PNGFlushData(png_structp) {}

bool PNGGuardedCall(png_structp Png, void (*Call)(void*), void* Context) {
  if (setjmp(png_jmpbuf(Png)) != 0) return false;
  Call(Context);
  return true;
}

int32_t PNGMetresToDpi(uint32_t PixelsPerMetre) {
  return static_cast<int32_t>(std::nearbyint(PixelsPerMetre / 100.0 * 2.54));
}

uint32_t PNGDpiToMetres(int32_t Dpi) {
  if (Dpi <= 0) return 0;
  return static_cast<uint32_t>(std::nearbyint(Dpi * 100.0 / 2.54));
}

}  // namespace calmora
