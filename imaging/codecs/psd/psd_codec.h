// What the rest of the library calls of the Photoshop document codec family. So far: the
// content test that detection runs.
#pragma once

namespace calmora {

class TStream;

// An "8BPS" version 1 header with plausible channels, depth and colour mode; the position is
// left where it was.
bool IsPSDStream(TStream* Stream);

}  // namespace calmora
