// Tests of the view's own stream kinds: vector objects (PVV), layers, and the combined layers
// and objects stream. Each leaves the stream's position as it found it.
#pragma once

namespace calmora {

class TStream;

bool IsPVVStream(TStream* Stream);
bool IsLayersStream(TStream* Stream);
bool IsAllStream(TStream* Stream);

}  // namespace calmora
