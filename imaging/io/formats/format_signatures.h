// The signature tests that format descriptions name and no codec family offers as they are:
// the quick tests of a few header bytes (stream headers, GIF, BMP, PCX) and the content tests
// that narrow a codec's own test.
#pragma once

#include "imaging/io/formats/format_description.h"

namespace calmora {

class TStream;

// ---- Quick tests of the first bytes ----
bool HasTIFFStreamHeader(const TPVStreamHead& Head);
bool HasJPEGStreamHeader(const TPVStreamHead& Head);
bool HasGIFSignature(const TPVStreamHead& Head);
// The PCX stream header, its older 4-byte form, or a plain PCX (manufacturer byte 10 and a
// version up to 5).
bool HasPCXSignature(const TPVStreamHead& Head);
bool HasBMPSignature(const TPVStreamHead& Head);

// ---- Content tests ----
// A TIFF-structured camera raw file is left to the raw decoder, which runs last.
bool IsPlainTIFF(TStream* Stream);
// A stream of the signature alone holds no picture.
bool IsPNGOfMoreThanSignature(TStream* Stream);
bool HasJPEGStart(TStream* Stream);

}  // namespace calmora
