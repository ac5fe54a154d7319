// What a JPEG save writes into the record's markers before the writer runs: the resolution in
// the Photoshop resource of the first APP13 marker, and fresh IPTC, EXIF and XMP blocks.
#pragma once

#include <cstdint>

#include "imaging/base/malloc_block.h"

namespace calmora {

class TPVMarkerList;
class TIOParamsVals;

// Makes the EXIF APP1 payload of the record; false when it cannot.
using TPVBuildExifBlockProc = bool (*)(const TIOParamsVals& Params,
                                       UniqueMallocBlock<uint8_t>& Buffer, int64_t& Length);
// The EXIF block builder, filled by the codec family that writes TIFF; null until then.
extern TPVBuildExifBlockProc BuildExifBlockProc;

// In the first APP13 marker, the first resolution resource ("8BIM", 0x03, 0xED) gets DpiX and
// DpiY as 16.16 fixed point, each followed by the units 1 and 1, all big-endian. Every read,
// skip and the write are checked against the payload: a resource cut short or a lying length
// leaves the marker as it was. True when the marker was changed.
bool UpdatePhotoshopResolution(TPVMarkerList& Markers, int32_t DpiX, int32_t DpiY);

// The resolution, then the IPTC, EXIF and XMP blocks replace their markers where the record
// asks for them. False (markers as far as they got) when a block cannot be made.
bool PrepareJPEGMarkers(TIOParamsVals& Params);

}  // namespace calmora
