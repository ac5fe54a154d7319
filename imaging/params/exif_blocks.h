// The EXIF side of the parameter record: copying the EXIF fields of one record into another,
// finding a TIFF structure embedded in a file, and turning a picture by its EXIF orientation.
// Reading and building EXIF blocks themselves go through the TIFF codec.
#pragma once

#include <cstdint>

#include "imaging/core/bitmap/bitmap.h"
#include "imaging/params/io_params.h"

namespace calmora {

class TStream;

// Copies every EXIF and GPS field of Source into Target in record order, but
// EXIF_HasEXIFData and EXIF_Bitmap. The description comes from Source's TIFF_ImageDescription
// (where the TIFF reader stores tag 270); orientation and resolutions go through their setters,
// so Target's TIFF_Orientation, DpiX and DpiY follow; the maker note's bytes are copied and its
// tags read again.
void CopyMetadataParams(const TIOParamsVals& Source, TIOParamsVals& Target);

// The offset, from the stream's position, of the first TIFF header within the next 128 KiB
// ("II" or "MM", magic 42 or the raw variants 0x4F52, 0x5352, a first-directory offset from 0
// up to below the stream's size); -1 when none. The position is restored on every path.
int64_t FindEmbeddedTIFFHeader(TStream* Stream);

// Turns the bitmap so that an image stored with that EXIF orientation (1 to 8) shows upright;
// any other value changes nothing.
void ApplyExifOrientation(TPVBitmap& Bitmap, int32_t Orientation);

// Reads an EXIF APP1 payload (the "Exif" header, then a TIFF structure) into the record's EXIF
// fields and thumbnail; false for a payload that is not EXIF. The hook is filled by the codec
// family that reads TIFF, through the I/O component's set-up; null means "not EXIF".
using TPVReadExifBlockProc = bool (*)(const void* Payload, int64_t Length, TIOParamsVals& Params);
extern TPVReadExifBlockProc ReadExifBlockProc;

}  // namespace calmora
