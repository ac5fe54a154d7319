// The codecs the I/O component reaches, one reader and one writer per format id. An empty
// entry is a codec not built: the load or save then ends as a failing codec does. Each codec
// family fills its entries at set-up; tests put fakes in for their scope.
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

inline constexpr int32_t kCodecTableSize = kFormatDICOM + 1;

// By format id.
extern std::array<TPVCodecEntry, kCodecTableSize> CodecTable;

// The entry of an id; an empty one outside the table.
TPVCodecEntry CodecOf(TPVFileFormatId Id);

}  // namespace calmora
