// What the rest of the library calls of the JPEG codec family (the layer over libjpeg). So far:
// the signature search that content detection runs.
#pragma once

#include <cstdint>

namespace calmora {

class TStream;

// Position of the first FF D8 FF starting at one of the 150 positions from the current one,
// or -1. The position is left where it was.
int64_t FindJPEGStart(TStream* Stream);

}  // namespace calmora
