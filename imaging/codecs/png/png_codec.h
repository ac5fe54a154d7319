// What the rest of the library calls of the PNG codec family (libpng). So far: the content
// test that detection runs.
#pragma once

namespace calmora {

class TStream;

// The PNG signature's first four bytes at the position; the position is left where it was.
bool IsPNGStream(TStream* Stream);

}  // namespace calmora
