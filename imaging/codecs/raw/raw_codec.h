// What the rest of the library calls of the camera raw codec family (LibRaw). So far: the
// content test that detection runs last.
#pragma once

namespace calmora {

class TStream;

// The raw decoder's identification succeeds on the stream (read in place through an adapter,
// never copied). The slowest content test. The position is left where it was.
bool IsCameraRawStream(TStream* Stream);

}  // namespace calmora
