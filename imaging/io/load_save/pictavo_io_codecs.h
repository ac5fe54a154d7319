// The codecs the I/O component reaches, one reader and one writer per format id. An empty
// entry is a codec not built: the load or save then ends as a failing codec does. The entries
// are the adapters the format descriptions name; tests put fakes (or empty entries) in for
// their scope.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "imaging/base/defs.h"
#include "imaging/core/mask/mask.h"
#include "imaging/io/formats/file_formats.h"

namespace calmora {

class TStream;
class TPVBitmap;
class TIOParamsVals;

// Reads one image of its format from the stream's position into Bitmap and Params (with
// ParamsOnly, the parameters alone); Mask receives the transparency of formats that have one.
// Bad data sets *Progress.Aborting. Answers the number of images (pages, frames) the content
// holds, 0 when it does not tell.
using TPVCodecReader = int32_t (*)(TStream& Stream, TPVBitmap& Bitmap, TIOParamsVals& Params,
                                   bool ParamsOnly, TPVProgressRecord& Progress,
                                   std::unique_ptr<TPVMask>& Mask);
// Writes Bitmap (with Mask as its transparency, when given) at the stream's position.
using TPVCodecWriter = void (*)(TStream& Stream, TPVBitmap& Bitmap, TIOParamsVals& Params,
                                TPVProgressRecord& Progress, const TPVMask* Mask);

struct TPVCodecEntry {
  TPVCodecReader Read = nullptr;
  TPVCodecWriter Write = nullptr;
};

// Room for every id a description may take, built-in or described for a scope.
inline constexpr int32_t kCodecTableSize = 64;

// By format id; filled from the descriptions before main runs.
extern std::array<TPVCodecEntry, kCodecTableSize> CodecTable;

// The entry of an id; an empty one outside the table.
TPVCodecEntry CodecOf(TPVFileFormatId Id);

}  // namespace calmora
