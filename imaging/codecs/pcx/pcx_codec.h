// What the rest of the library calls of the PCX and DCX codec family: the DCX content test (plain
// PCX is recognised by detection's own header test), the readers and writers of both formats,
// their line coders and page-table helpers, and the adapters the I/O component names.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "imaging/base/defs.h"
#include "imaging/core/bitmap/bitmap.h"
#include "imaging/core/mask/mask.h"
#include "imaging/params/io_params.h"

namespace calmora {

class TStream;
class TPVByteReader;

// The DCX magic followed by a page table whose every offset lies inside the stream; the
// position is left where it was.
bool IsDCXStream(TStream* Stream);

// The rest of an RLE run that reached past the end of a plane line: the next line starts with
// it. Count 0 means no run is pending.
struct TPCXRunCarry {
  int32_t Count = 0;
  uint8_t Value = 0;
};

// Fills Line with LineBytes decoded bytes taken from Data (raw: copied; RLE: runs, with the
// carry taken first and a run's rest left in it). Reads no further than Data holds; answers
// the bytes filled, fewer than LineBytes when the data ran out.
int32_t DecodePCXLine(TPVByteReader& Data, bool Compressed, uint8_t* Line, int32_t LineBytes,
                      TPCXRunCarry& Carry);

// Appends the RLE form of Count bytes of Line to Out: runs of up to 63 equal bytes as 0xC0 + n
// and the value, single bytes below 0xC0 as themselves, single bytes from 0xC0 up as a run of
// one. An odd count gets a zero byte appended first (lines are even).
void EncodePCXLine(const uint8_t* Line, int32_t Count, std::vector<uint8_t>& Out);

// Reads one PCX image that occupies DataSize bytes from the stream's position. Bad data sets
// *Progress.Aborting; ParamsOnly fills Params and decodes nothing.
void ReadPCXStream(TStream* Stream, TPVBitmap& Bitmap, TIOParamsVals& Params, int64_t DataSize,
                   TPVProgressRecord& Progress, bool ParamsOnly);
// Writes Bitmap as a PCX image at the position: 1, 4, 8 or 24 bits by the parameters.
void WritePCXStream(TStream* Stream, TPVBitmap& Bitmap, TIOParamsVals& Params,
                    TPVProgressRecord& Progress);

// The page offsets of a DCX table read from the position (after the magic): 32-bit entries up
// to a zero one, at most 1,024. A table cut short gives the entries read.
std::vector<int64_t> ReadDCXOffsets(TStream* Stream);
// Each page's size: from its offset to the next larger offset, or to DataSize (the DCX's end).
std::vector<int64_t> GetDCXPageSizes(const std::vector<int64_t>& Offsets, int64_t DataSize);
// Reads the page Params.DCX_ImageIndex (clamped to the pages and stored back); answers the
// page count (0 when the stream is no DCX, which sets *Progress.Aborting).
int32_t ReadDCXStream(TStream* Stream, TPVBitmap& Bitmap, TIOParamsVals& Params,
                      TPVProgressRecord& Progress, bool ParamsOnly);
// Puts Bitmap into the DCX the stream holds as the page Params.DCX_ImageIndex (clamped to 0 ..
// the page count); an empty stream becomes a one-page DCX. Rewrites the whole stream.
void WriteDCXStream(TStream* Stream, TPVBitmap& Bitmap, TIOParamsVals& Params,
                    TPVProgressRecord& Progress);

// The I/O component's readers and writers. PCX reads what lies from the position to the end
// and answers 1 (0 when aborted); DCX answers its page count.
int32_t ReadPCXForIO(TStream& Stream, TPVBitmap& Bitmap, TIOParamsVals& Params, bool ParamsOnly,
                     TPVProgressRecord& Progress, std::unique_ptr<TPVMask>& Mask);
void WritePCXForIO(TStream& Stream, TPVBitmap& Bitmap, TIOParamsVals& Params,
                   TPVProgressRecord& Progress, const TPVMask* Mask);
int32_t ReadDCXForIO(TStream& Stream, TPVBitmap& Bitmap, TIOParamsVals& Params, bool ParamsOnly,
                     TPVProgressRecord& Progress, std::unique_ptr<TPVMask>& Mask);
void WriteDCXForIO(TStream& Stream, TPVBitmap& Bitmap, TIOParamsVals& Params,
                   TPVProgressRecord& Progress, const TPVMask* Mask);

}  // namespace calmora
