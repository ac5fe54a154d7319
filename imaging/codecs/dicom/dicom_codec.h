// What the rest of the library calls of the DICOM codec family. So far: the content test that
// detection runs.
#pragma once

namespace calmora {

class TStream;

// "DICM" after the 128-byte preamble; the position is left where it was.
bool IsDICOMStream(TStream* Stream);

}  // namespace calmora
