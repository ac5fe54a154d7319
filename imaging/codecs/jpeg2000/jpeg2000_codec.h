// What the rest of the library calls of the JPEG 2000 codec family. So far: set-up and
// clean-up of its glue (colour tables and the codec's format table), which only the static
// set-up calls, once each, in its fixed order of units, and the two content tests.
#pragma once

namespace calmora {

class TStream;

void InitJPEG2000Codec();
void CleanupJPEG2000Codec();

// The JP2 signature box (the file format) or SOC followed by SIZ (a bare code stream) at the
// position; the position is left where it was.
bool IsJP2Stream(TStream* Stream);
bool IsJ2KStream(TStream* Stream);

}  // namespace calmora
