// NeuQuant: learning, unbiasing, the index by green value and the nearest-neuron search.
// Integer arithmetic throughout, in the fixed-point scales named below, so that the palette
// is the same on every machine.
#include "imaging/proc/colors/neuquant.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "imaging/base/numeric_helpers.h"
#include "imaging/proc/colors/row_colors.h"

namespace calmora {

namespace {

constexpr int32_t kNetBiasShift = 4;          // channels are learnt at 16 times their value
constexpr int32_t kCycles = 100;              // learning-rate steps over the whole sample
constexpr int32_t kIntBias = 65536;           // 1.0 of bias and frequency
constexpr int32_t kBiasToDistanceShift = 12;  // bias scale to distance scale
constexpr int32_t kBetaShift = 10;            // frequency decays by 1/1024 per sample
constexpr int32_t kBeta = kIntBias >> kBetaShift;
constexpr int32_t kGammaShift = 10;
constexpr int32_t kBetaGamma = kIntBias << (kGammaShift - kBetaShift);
constexpr int32_t kRadiusBiasShift = 6;   // radius in 1/64 neuron
constexpr int32_t kRadiusDecrement = 30;  // the radius loses 1/30 per cycle
constexpr int32_t kInitAlpha = 1024;      // learning rate 1.0
constexpr int32_t kRadBias = 256;
constexpr int32_t kAlphaRadBias = kInitAlpha * kRadBias;  // 262144
constexpr int32_t kMaxSamplingFactor = 30;

// Steps through the pixels, in pixels: the first of these primes that does not divide the byte
// count, so that the walk visits pixels spread over the whole image.
constexpr int32_t kPrimes[] = {499, 491, 487};
constexpr int32_t kLastPrime = 503;

// Bias grows and shrinks by whole units many times; it wraps instead of overflowing.
int32_t AddWrapping(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

void ComputeRadiusPowers(TNeuQuantState& s, int32_t rad, int32_t alpha) {
  const int32_t radSquared = rad * rad;
  for (int32_t i = 0; i < rad; ++i)
    s.RadiusPower[i] = alpha * (((radSquared - i * i) * kRadBias) / radSquared);
}

int32_t RadiusNeurons(int32_t radius) {
  const int32_t rad = radius >> kRadiusBiasShift;
  return rad <= 1 ? 0 : rad;
}

// Finds the neuron to move: the smallest distance less the neuron's bias. The bias is shifted
// as an unsigned value, so a neuron whose bias has gone negative looks very near for a while;
// that only favours neurons that win seldom and never leaves the palette invalid.
int32_t Contest(TNeuQuantState& s, int32_t b, int32_t g, int32_t r) {
  int32_t bestDistance = std::numeric_limits<int32_t>::max();
  int32_t bestBiasDistance = bestDistance;
  int32_t bestPosition = -1;
  int32_t bestBiasPosition = -1;
  for (int32_t i = 0; i < s.NetSize; ++i) {
    const TNeuron& n = s.Network[i];
    const int32_t distance = std::abs(n[0] - b) + std::abs(n[1] - g) + std::abs(n[2] - r);
    if (distance < bestDistance) {
      bestDistance = distance;
      bestPosition = i;
    }
    const int32_t biasDistance =
        distance - static_cast<int32_t>(static_cast<uint32_t>(s.Bias[i]) >> kBiasToDistanceShift);
    if (biasDistance < bestBiasDistance) {
      bestBiasDistance = biasDistance;
      bestBiasPosition = i;
    }
    const int32_t betaFrequency = s.Frequency[i] >> kBetaShift;
    s.Frequency[i] -= betaFrequency;
    s.Bias[i] = AddWrapping(s.Bias[i], betaFrequency << kGammaShift);
  }
  s.Frequency[bestPosition] += kBeta;
  s.Bias[bestPosition] = AddWrapping(s.Bias[bestPosition], -kBetaGamma);
  return bestBiasPosition;
}

void MoveNeuron(TNeuron& n, const int32_t pixel[3], int64_t amount, int64_t scale) {
  for (int c = 0; c < 3; ++c) n[c] -= static_cast<int32_t>((n[c] - pixel[c]) * amount / scale);
}

void MoveNeighbours(TNeuQuantState& s, int32_t rad, int32_t j, const int32_t pixel[3]) {
  const int32_t low = std::max(j - rad, -1);
  const int32_t high = std::min(j + rad, s.NetSize);
  int32_t up = j + 1;
  int32_t down = j - 1;
  for (int32_t k = 1; up < high || down > low; ++k) {
    const int32_t power = s.RadiusPower[k];
    if (up < high) MoveNeuron(s.Network[up++], pixel, power, kAlphaRadBias);
    if (down > low) MoveNeuron(s.Network[down--], pixel, power, kAlphaRadBias);
  }
}

void Learn(TNeuQuantState& s) {
  const int64_t pixels = int64_t{s.Width} * s.Height;
  if (pixels == 0) return;
  TRowColorReader reader(*s.Bitmap);
  if (!reader.CanRead()) return;
  s.AlphaDecrement = 30 + (s.SamplingFactor - 1) / 3;
  const int64_t samples = s.LengthCount / (3 * int64_t{s.SamplingFactor});
  const int64_t delta = std::max<int64_t>(samples / kCycles, 1);
  int32_t alpha = kInitAlpha;
  int32_t rad = RadiusNeurons(s.Radius);
  ComputeRadiusPowers(s, rad, alpha);
  int32_t step = kLastPrime;
  for (int32_t prime : kPrimes)
    if (s.LengthCount % prime != 0) {
      step = prime;
      break;
    }
  int64_t position = 0;
  for (int64_t i = 0; i < samples;) {
    const TPVRGB* row = reader.Row(static_cast<int32_t>(position / s.Width));
    if (row) {
      const TPVRGB c = row[position % s.Width];
      const int32_t pixel[3] = {c.b << kNetBiasShift, c.g << kNetBiasShift, c.r << kNetBiasShift};
      const int32_t j = Contest(s, pixel[0], pixel[1], pixel[2]);
      MoveNeuron(s.Network[j], pixel, alpha, kInitAlpha);
      if (rad > 0) MoveNeighbours(s, rad, j, pixel);
    }
    // The modulo equals one subtraction once the image has more pixels than the step; below
    // that it keeps the walk inside the image.
    position = (position + step) % pixels;
    ++i;
    if (i % delta == 0) {
      alpha -= alpha / s.AlphaDecrement;
      s.Radius -= s.Radius / kRadiusDecrement;
      rad = RadiusNeurons(s.Radius);
      ComputeRadiusPowers(s, rad, alpha);
    }
  }
}

void Unbias(TNeuQuantState& s) {
  for (int32_t i = 0; i < s.NetSize; ++i) {
    TNeuron& n = s.Network[i];
    for (int c = 0; c < 3; ++c) n[c] = std::clamp((n[c] + 8) >> kNetBiasShift, 0, 255);
    n[3] = i;
  }
}

// Sorts the neurons by green (selection sort, the first of equals) and records for each green
// value where the search starts: the middle of its run, or the next neuron above it.
void BuildIndex(TNeuQuantState& s) {
  int32_t previous = 0;
  int32_t start = 0;
  for (int32_t i = 0; i < s.NetSize; ++i) {
    int32_t smallest = i;
    for (int32_t j = i + 1; j < s.NetSize; ++j)
      if (s.Network[j][1] < s.Network[smallest][1]) smallest = j;
    if (smallest != i) std::swap(s.Network[i], s.Network[smallest]);
    const int32_t value = s.Network[i][1];
    if (value != previous) {
      s.NetIndex[previous] = (start + i) >> 1;
      for (int32_t v = previous + 1; v < value; ++v) s.NetIndex[v] = i;
      previous = value;
      start = i;
    }
  }
  s.NetIndex[previous] = (start + s.MaxNetPos) >> 1;
  for (int32_t v = previous + 1; v < 256; ++v) s.NetIndex[v] = s.MaxNetPos;
}

// Distance of a neuron to the colour, given the green part already; bestDistance when it
// reaches the best (the rest need not be added).
int32_t RestOfDistance(const TNeuron& n, int32_t greenDistance, TPVRGB color,
                       int32_t bestDistance) {
  int32_t distance = std::abs(greenDistance) + std::abs(n[0] - color.b);
  if (distance >= bestDistance) return bestDistance;
  distance += std::abs(n[2] - color.r);
  return std::min(distance, bestDistance);
}

}  // namespace

int32_t NeuQuantSamplingFactor(int32_t Quality, int64_t Pixels) {
  if (Quality == -1) {
    if (Pixels < 2000) return 1;
    const double factor = std::nearbyint(static_cast<double>(13 * (Pixels - 2000)) / 148000 + 2);
    return static_cast<int32_t>(std::clamp(factor, 1.0, double{kMaxSamplingFactor}));
  }
  const double factor = std::trunc((100 - Quality) / 100.0 * 29) + 1;
  return static_cast<int32_t>(std::clamp(factor, 1.0, double{kMaxSamplingFactor}));
}

std::unique_ptr<TNeuQuantState> NeuQuantCreate(const TPVBitmap& Bitmap, TPVRGB* Palette,
                                               int32_t Quality, int32_t N) {
  auto s = std::make_unique<TNeuQuantState>();
  if (N < 1) return s;
  s->NetSize = N;
  s->MaxNetPos = N - 1;
  s->InitRadius = N / 8;
  s->Radius = s->InitRadius << kRadiusBiasShift;
  s->Bitmap = &Bitmap;
  s->Width = Bitmap.GetWidth();
  s->Height = Bitmap.GetHeight();
  s->LengthCount = int64_t{s->Width} * s->Height * 3;
  s->SamplingFactor = NeuQuantSamplingFactor(Quality, int64_t{s->Width} * s->Height);
  s->Network.resize(static_cast<size_t>(N));
  s->Bias.assign(static_cast<size_t>(N), 0);
  s->Frequency.assign(static_cast<size_t>(N), kIntBias / N);
  s->RadiusPower.assign(static_cast<size_t>(s->InitRadius), 0);
  for (int32_t i = 0; i < N; ++i) {
    const int32_t value = static_cast<int32_t>((int64_t{i} << (kNetBiasShift + 8)) / N);
    s->Network[i] = {value, value, value, 0};
  }
  Learn(*s);
  Unbias(*s);
  if (Palette)
    for (int32_t i = 0; i < N; ++i)
      Palette[i] =
          TPVRGB{static_cast<uint8_t>(s->Network[i][0]), static_cast<uint8_t>(s->Network[i][1]),
                 static_cast<uint8_t>(s->Network[i][2])};
  BuildIndex(*s);
  return s;
}

int32_t NeuQuantIndex(const TNeuQuantState& State, TPVRGB Color) {
  if (State.NetSize < 1) return 0;
  int32_t bestDistance = 1000;
  int32_t best = -1;
  int32_t up = State.NetIndex[Color.g];
  int32_t down = up - 1;
  // The neurons are sorted by green: each walk stops once green alone is as far as the best.
  while (up < State.NetSize || down >= 0) {
    if (up < State.NetSize) {
      const TNeuron& n = State.Network[up];
      const int32_t greenDistance = n[1] - Color.g;
      if (greenDistance >= bestDistance) {
        up = State.NetSize;
      } else {
        ++up;
        const int32_t distance = RestOfDistance(n, greenDistance, Color, bestDistance);
        if (distance < bestDistance) {
          bestDistance = distance;
          best = n[3];
        }
      }
    }
    if (down >= 0) {
      const TNeuron& n = State.Network[down];
      const int32_t greenDistance = Color.g - n[1];
      if (greenDistance >= bestDistance) {
        down = -1;
      } else {
        --down;
        const int32_t distance = RestOfDistance(n, greenDistance, Color, bestDistance);
        if (distance < bestDistance) {
          bestDistance = distance;
          best = n[3];
        }
      }
    }
  }
  return best;
}

void NeuQuantFree(std::unique_ptr<TNeuQuantState>& State) { State.reset(); }

}  // namespace calmora
