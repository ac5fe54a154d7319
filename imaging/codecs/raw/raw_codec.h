// What the rest of the library calls of the camera raw codec family (LibRaw). So far: the
// content test that detection runs last.
#pragma once

namespace calmora {

class TStream;

// The raw decoder's identification succeeds on the stream (run by the helper program
// calmora_raw_identify, which reads the stream piece by piece as it needs it, never whole).
// The slowest content test. The position is left where it was. A helper that crashes, hangs or
// is missing answers false.
bool IsCameraRawStream(TStream* Stream);

}  // namespace calmora
