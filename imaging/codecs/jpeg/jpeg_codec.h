// What the rest of the library calls of the JPEG codec family (the layer over libjpeg): the
// signature search, the reader and writer, two stream scanners, the adapters the I/O component
// names, and a flat decompression API for the camera-raw decoder.
#pragma once

#include <cstdint>
#include <memory>

#include "imaging/base/defs.h"
#include "imaging/core/bitmap/bitmap.h"
#include "imaging/core/mask/mask.h"
#include "imaging/params/io_params.h"

struct jpeg_decompress_struct;
struct jpeg_error_mgr;

namespace calmora {

class TStream;
struct JPEGErrorManager;

// A codec error reaching a caller of the writer or of the flat API; the text is the message
// table's (JPEGMessageText).
class EPVJpegException : public Exception {
 public:
  using Exception::Exception;
};

// Position of the first FF D8 FF starting at one of the 150 positions from the current one,
// or -1. The position is left where it was.
int64_t FindJPEGStart(TStream* Stream);

// Reads one JPEG datastream from the stream's position (found within 150 bytes) into Bitmap
// and Params; the number of rows decoded. TablesStream, when given, holds a table-only
// datastream read first. MaxRows -1 means the image's height. Every failure ends in
// *Progress.Aborting.
int32_t ReadJPEGStream(TStream* Stream, TStream* TablesStream, TPVBitmap& Bitmap,
                       TIOParamsVals& Params, TPVProgressRecord& Progress, bool ParamsOnly,
                       bool RawYCbCr, bool ReadMetadata, bool InvertCMYK, bool DropAppliedICC,
                       bool ReadICC, int32_t MaxRows, bool NativePixelFormat);

// Writes Bitmap as one JPEG datastream at the stream's position. A zero-sized bitmap or a
// short write sets *Progress.Aborting; a codec error sets it and raises EPVJpegException.
void WriteJPEGStream(TStream* Stream, TPVBitmap& Bitmap, TIOParamsVals& Params,
                     TPVProgressRecord& Progress);

// The bytes from the stream's position to the end of the first EOI marker (to the end of the
// data when there is none); the position is restored.
int64_t GetJPEGStreamLength(TStream* Stream);
// The ICC profile of the APP2 chunks into Params.InputICCProfile; the position is restored.
void ReadJPEGICCProfile(TStream* Stream, TIOParamsVals& Params);

// The I/O component's reader and writer: a load answers 1 (0 when aborted).
int32_t ReadJPEGForIO(TStream& Stream, TPVBitmap& Bitmap, TIOParamsVals& Params, bool ParamsOnly,
                      TPVProgressRecord& Progress, std::unique_ptr<TPVMask>& Mask);
void WriteJPEGForIO(TStream& Stream, TPVBitmap& Bitmap, TIOParamsVals& Params,
                    TPVProgressRecord& Progress, const TPVMask* Mask);

// ---- Flat decompression API: each routine passes its arguments through to libjpeg; codec
// errors raise EPVJpegException with the message table's text. ----
using JPEGFillInputBufferProc = int (*)(jpeg_decompress_struct* Info);
jpeg_decompress_struct* JPEGAllocDecompress();
JPEGErrorManager* JPEGCreateErrorManager(jpeg_decompress_struct* Info);
void JPEGCreateDecompress(jpeg_decompress_struct* Info);
void JPEGSetStreamSource(jpeg_decompress_struct* Info, TStream* Stream);
void JPEGSetFillInputBuffer(jpeg_decompress_struct* Info, JPEGFillInputBufferProc Fill);
void JPEGSetSourceBuffer(jpeg_decompress_struct* Info, const uint8_t* Data, int64_t Count);
int32_t JPEGReadHeader(jpeg_decompress_struct* Info, bool RequireImage);
bool JPEGStartDecompress(jpeg_decompress_struct* Info);
int32_t JPEGGetOutputWidth(jpeg_decompress_struct* Info);
int32_t JPEGGetOutputHeight(jpeg_decompress_struct* Info);
int32_t JPEGGetOutputComponents(jpeg_decompress_struct* Info);
int32_t JPEGGetOutputScanline(jpeg_decompress_struct* Info);
uint8_t** JPEGAllocSampleArray(jpeg_decompress_struct* Info, int32_t Pool, int32_t SamplesPerRow,
                               int32_t Rows);
int32_t JPEGReadScanlines(jpeg_decompress_struct* Info, uint8_t** Rows, int32_t MaxLines);
bool JPEGFinishDecompress(jpeg_decompress_struct* Info);
void JPEGDestroyDecompress(jpeg_decompress_struct* Info);
void JPEGFreeDecompress(jpeg_decompress_struct* Info);
void JPEGFreeErrorManager(JPEGErrorManager* Manager);

}  // namespace calmora
