// The network quantiser: a self-organising map of N neurons trained on a spread sample of the
// pixels (NeuQuant), its palette, and the lookup of the nearest neuron for a colour.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "imaging/core/bitmap/bitmap.h"

namespace calmora {

// Channels 0, 1, 2 of a neuron are blue, green and red (the pixel's bytes in memory order),
// scaled by 16 while learning; the fourth value is the neuron's palette index once trained.
using TNeuron = std::array<int32_t, 4>;

struct TNeuQuantState {
  int32_t NetSize = 0;     // N
  int32_t MaxNetPos = -1;  // N - 1
  int32_t InitRadius = 0;  // N div 8
  int32_t Radius = 0;      // in 1/64 neuron
  int32_t AlphaDecrement = 0;
  const TPVBitmap* Bitmap = nullptr;
  int64_t LengthCount = 0;  // width * height * 3
  int32_t SamplingFactor = 1;
  std::vector<TNeuron> Network;
  std::array<int32_t, 256> NetIndex{};  // first neuron to try for a green value
  std::vector<int32_t> Bias;
  std::vector<int32_t> Frequency;
  std::vector<int32_t> RadiusPower;  // N div 8 entries
  int32_t Width = 0;
  int32_t Height = 0;
};

// One pixel in s is learnt. Quality -1: 1 below 2000 pixels, else
// ClampInt(Round(13 * (pixels - 2000) / 148000 + 2), 1, 30). Quality q:
// Trunc((100 - q) / 100 * 29) + 1, held within 1..30 for q outside 0..100.
int32_t NeuQuantSamplingFactor(int32_t Quality, int64_t Pixels);

// Trains a network of N neurons on the bitmap (read as colours, see row_colors.h) and writes
// its N colours into Palette[0..N-1]. N < 1 gives a state that writes nothing and indexes 0.
std::unique_ptr<TNeuQuantState> NeuQuantCreate(const TPVBitmap& Bitmap, TPVRGB* Palette,
                                               int32_t Quality, int32_t N);

// The palette index of the neuron nearest to the colour (sum of absolute channel differences).
int32_t NeuQuantIndex(const TNeuQuantState& State, TPVRGB Color);

void NeuQuantFree(std::unique_ptr<TNeuQuantState>& State);

}  // namespace calmora
