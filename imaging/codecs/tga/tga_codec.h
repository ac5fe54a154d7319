// What the rest of the library calls of the Targa codec family. So far: the content test that
// detection runs.
#pragma once

namespace calmora {

class TStream;

// A plausible 18-byte Targa header at the position; the position is left where it was.
bool IsTGAStream(TStream* Stream);

}  // namespace calmora
