// What the rest of the library calls of the BMP codec family: the reader and writer of
// Windows and OS/2 bitmap files, their run-length helpers, and the adapter pair the I/O
// component's codec table names.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "imaging/base/defs.h"
#include "imaging/base/pixel_types.h"
#include "imaging/core/bitmap/bitmap.h"
#include "imaging/core/mask/mask.h"
#include "imaging/params/io_params.h"

namespace calmora {

class TStream;

// Run-length data indexes a table of this many colours; entries the file does not give read
// black, so no index can reach past the table.
using TBMPColorTable = std::array<TPVRGB, 256>;

// Reads one bitmap from the stream's position. DataSize: the bytes the bitmap occupies (0 or
// less: unknown; it only bounds run-length data). ParamsOnly fills Params and leaves Bitmap
// alone. NoFileHeader: the stream starts at the information header. AlphaMask receives an
// 8-bit mask of a 32-bit image's alpha bytes unless IgnoreAlpha, or null when they are all 0
// or all 255. Bad or cut data sets *Progress.Aborting, keeping the rows read and the
// parameters found.
void ReadBMPStream(TStream* Stream, TPVBitmap& Bitmap, int32_t DataSize, TIOParamsVals& Params,
                   TPVProgressRecord& Progress, bool ParamsOnly, bool NoFileHeader,
                   std::unique_ptr<TPVMask>& AlphaMask, bool IgnoreAlpha);

// Writes Bitmap at the stream's position as Params ask (BitsPerSample, SamplesPerPixel,
// BMP_Version, BMP_Compression, DpiX, DpiY) and leaves the colour table written in
// Params.ColorMap. WriteAlpha puts the alpha channel into 32-bit pixels. Bitmap is never
// changed. A short write or a size the header cannot hold sets *Progress.Aborting.
void WriteBMPStream(TStream* Stream, TPVBitmap& Bitmap, TIOParamsVals& Params,
                    TPVProgressRecord& Progress, bool WriteAlpha);

// Decode run-length data of Length bytes into an allocated bitmap: the RGB forms into pv24RGB
// rows through ColorMap, the index forms into pv8p rows (another format is left alone).
// TopDown: the file's first row is the bitmap's top row. A command cut short sets
// *Progress.Aborting.
void DecodeRLE4ToRGB(TPVBitmap& Bitmap, const uint8_t* Data, int64_t Length, bool TopDown,
                     TPVProgressRecord& Progress, const TBMPColorTable& ColorMap);
void DecodeRLE4ToIndex(TPVBitmap& Bitmap, const uint8_t* Data, int64_t Length, bool TopDown,
                       TPVProgressRecord& Progress);
void DecodeRLE8ToRGB(TPVBitmap& Bitmap, const uint8_t* Data, int64_t Length, bool TopDown,
                     TPVProgressRecord& Progress, const TBMPColorTable& ColorMap);
void DecodeRLE8ToIndex(TPVBitmap& Bitmap, const uint8_t* Data, int64_t Length, bool TopDown,
                       TPVProgressRecord& Progress);

// The longest encoding of a row of Count pixels, end of line included.
int64_t MaxEncodedRLERowBytes(int32_t Count);
// Encode one row of indices (one per byte; RLE4 takes the low nibble) into Output, which holds
// at least MaxEncodedRLERowBytes(Count) bytes, ending with the end-of-line command. Answers the
// bytes written.
int32_t EncodeRLE4Row(const uint8_t* Row, int32_t Count, uint8_t* Output);
int32_t EncodeRLE8Row(const uint8_t* Row, int32_t Count, uint8_t* Output);

// ---- The I/O component's entries ----
// A load: DataSize 0, IgnoreAlpha = not Params.BMP_AlphaChannel; a parameters-only read:
// DataSize = the stream's size, IgnoreAlpha. Answers 1, or 0 when the read failed.
int32_t ReadBMPForIO(TStream& Stream, TPVBitmap& Bitmap, TIOParamsVals& Params, bool ParamsOnly,
                     TPVProgressRecord& Progress, std::unique_ptr<TPVMask>& Mask);
// A save with WriteAlpha = Params.BMP_AlphaChannel; the alpha comes from the bitmap itself.
void WriteBMPForIO(TStream& Stream, TPVBitmap& Bitmap, TIOParamsVals& Params,
                   TPVProgressRecord& Progress, const TPVMask* Mask);

}  // namespace calmora
