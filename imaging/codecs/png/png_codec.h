// What the rest of the library calls of the PNG codec family (libpng): the content test, the
// reader and writer, the libpng callbacks they install, and the adapters the I/O component
// names.
#pragma once

#include <cstdint>
#include <memory>

#include <png.h>

#include "imaging/base/defs.h"
#include "imaging/core/bitmap/bitmap.h"
#include "imaging/core/mask/mask.h"
#include "imaging/params/io_params.h"

namespace calmora {

class TStream;

// A PNG that cannot be made: the writer's libpng structures could not be created or libpng
// refused what it was given. Its text is "Error on creating PNG".
class EInvalidGraphic : public Exception {
 public:
  using Exception::Exception;
};

// The PNG signature's first four bytes at the position; the position is left where it was.
bool IsPNGStream(TStream* Stream);

// Reads the PNG at the stream's position into Bitmap (with an alpha channel when the file has
// transparency) and Params. Every failure ends in *Progress.Aborting; the bitmap keeps the rows
// decoded so far.
void ReadPNGStream(TStream* Stream, TPVBitmap& Bitmap, TIOParamsVals& Params,
                   TPVProgressRecord& Progress, bool ParamsOnly);

// Writes Bitmap as a PNG at the stream's position; Mask (8-bit alpha values, null for none)
// gives the transparency. Bitmap itself is never changed. A short write sets
// *Progress.Aborting; libpng refusing the image raises EInvalidGraphic.
void WritePNGStream(TStream* Stream, TPVBitmap& Bitmap, TIOParamsVals& Params,
                    TPVProgressRecord& Progress, const TPVMask* Mask);

// libpng's callbacks. The error callbacks leave libpng by longjmp to the guarded call that
// made the request (the error pointer is the bool abort flag, set first); nothing is thrown
// through libpng's C. The read callback's I/O pointer is a TPVByteReader, the write
// callbacks' a PNGWriteTarget.
void PNGReadError(png_structp Png, png_const_charp Message);
void PNGReadWarning(png_structp Png, png_const_charp Message);
void PNGReadData(png_structp Png, png_bytep Data, size_t Length);
void PNGWriteError(png_structp Png, png_const_charp Message);
void PNGWriteWarning(png_structp Png, png_const_charp Message);
void PNGWriteData(png_structp Png, png_bytep Data, size_t Length);
void PNGFlushData(png_structp Png);

// The I/O pointer of the write callbacks: the target and the abort flag a short write sets.
struct PNGWriteTarget {
  TStream* Stream = nullptr;
  bool* Aborting = nullptr;
};

// The I/O component's reader and writer: a load answers 1 (0 when aborted). The reader makes
// the bitmap's alpha channel itself; a write takes the alpha channel as Mask.
int32_t ReadPNGForIO(TStream& Stream, TPVBitmap& Bitmap, TIOParamsVals& Params, bool ParamsOnly,
                     TPVProgressRecord& Progress, std::unique_ptr<TPVMask>& Mask);
void WritePNGForIO(TStream& Stream, TPVBitmap& Bitmap, TIOParamsVals& Params,
                   TPVProgressRecord& Progress, const TPVMask* Mask);

}  // namespace calmora
