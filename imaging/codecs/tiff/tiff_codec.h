// What the rest of the library calls of the TIFF codec family (CCITT fax, LZW, PackBits,
// Deflate and JPEG strips). So far: the static set-up's build and release of the CCITT fax
// decoder's two run-length decode trees, called once each in the fixed order of units, and the
// content tests that detection runs.
#pragma once

namespace calmora {

class TStream;

void BuildCCITTDecodeTrees();
void FreeCCITTDecodeTrees();

// An "II" or "MM" header whose first directory lies inside the stream and holds the image
// width and length tags. The position is left where it was.
bool IsTIFFStream(TStream* Stream);
// A TIFF whose first directory marks camera raw data: a DNG version, a colour-filter-array or
// linear-raw photometric interpretation, or TIFF/EP sub-directories with a main image under
// 200 x 200 (a thumbnail in front of the raw data). The position is left where it was.
bool IsCameraRawTIFFStream(TStream* Stream);

}  // namespace calmora
