// What the rest of the library calls of the GIF codec family: the reader of one frame, the
// one-frame writer, and the adapters the I/O component names. LZW coding goes through the
// parameter record's procedures (or the process-wide defaults), never to a coder directly.
#pragma once

#include <cstdint>
#include <memory>

#include "imaging/base/defs.h"
#include "imaging/core/bitmap/bitmap.h"
#include "imaging/core/mask/mask.h"
#include "imaging/params/io_params.h"

namespace calmora {

class TStream;

// Reads frame Params.GIF_ImageIndex of the GIF at the stream's position into Bitmap (pv1g for
// an exact black-then-white two-entry palette, pv8p with NativePixelFormat, else pv24RGB) and
// Params; FrameCount answers the image descriptors seen. Unless IgnoreAlpha, a transparent
// frame's transparency goes to AlphaMask (made when null), which is released again when no
// pixel is transparent. Every failure ends in *Progress.Aborting.
void ReadGIFStream(TStream* Stream, TPVBitmap& Bitmap, int32_t& FrameCount,
                   TIOParamsVals& Params, TPVProgressRecord& Progress, bool ParamsOnly,
                   std::unique_ptr<TPVMask>& AlphaMask, bool IgnoreAlpha);

// Writes Bitmap as a one-frame GIF (its alpha channel as the transparent index). Bitmap itself
// is never changed. Failures end in *Progress.Aborting.
void WriteGIFStream(TStream* Stream, TPVBitmap& Bitmap, TIOParamsVals& Params,
                    TPVProgressRecord& Progress);

// The I/O component's reader and writer: a load answers the frame count (0 when aborted) and
// leaves transparency to the bitmap's own alpha (the mask is filled unless ParamsOnly).
int32_t ReadGIFForIO(TStream& Stream, TPVBitmap& Bitmap, TIOParamsVals& Params, bool ParamsOnly,
                     TPVProgressRecord& Progress, std::unique_ptr<TPVMask>& Mask);
void WriteGIFForIO(TStream& Stream, TPVBitmap& Bitmap, TIOParamsVals& Params,
                   TPVProgressRecord& Progress, const TPVMask* Mask);

}  // namespace calmora
