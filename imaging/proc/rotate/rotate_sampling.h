// The samplers of the interpolating rotation: a source plane seen through a frame, with a
// background everywhere outside the image, read at whole positions (FetchPixel24,
// FetchSample8), bilinearly (SampleBilinear24, SampleBilinear8) or bicubically
// (SampleBicubic24, SampleBicubic8). One template serves the 3-byte and the 1-byte plane.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "imaging/base/pixel_types.h"

namespace calmora::rotation {

// An image of Channels bytes per pixel as the sampler sees it: the image pixel (x, y) lies at
// sampling position (x + Frame, y + Frame), and every other position holds the background.
template <int Channels>
struct SampledSource {
  const uint8_t* const* Rows = nullptr;  // the image's rows, all readable at once
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t Frame = 0;
  std::array<uint8_t, Channels> Background{};

  // The pixel at a whole sampling position.
  const uint8_t* Fetch(int64_t x, int64_t y) const {
    x -= Frame;
    y -= Frame;
    if (x < 0 || y < 0 || x >= Width || y >= Height) return Background.data();
    return Rows[y] + x * Channels;
  }

  // Bilinear: the pixels come from the truncated position, the fractions from the floor (they
  // differ left of and above position 0). Each channel is
  // Trunc(top + (bottom - top) fy) with top = p00 + (p10 - p00) fx and
  // bottom = p01 + (p11 - p01) fx.
  void Bilinear(double x, double y, uint8_t* out) const {
    const auto c = static_cast<int64_t>(x);
    const auto d = static_cast<int64_t>(y);
    const double fx = x - std::floor(x);
    const double fy = y - std::floor(y);
    const uint8_t* p00 = Fetch(c, d);
    const uint8_t* p10 = Fetch(c + 1, d);
    const uint8_t* p01 = Fetch(c, d + 1);
    const uint8_t* p11 = Fetch(c + 1, d + 1);
    for (int ch = 0; ch < Channels; ++ch) {
      const double top = p00[ch] + (p10[ch] - p00[ch]) * fx;
      const double bottom = p01[ch] + (p11[ch] - p01[ch]) * fx;
      out[ch] = static_cast<uint8_t>(static_cast<int32_t>(top + (bottom - top) * fy));
    }
  }

  // Bicubic over columns c-1 .. c+2 and rows d-1 .. d+2 with c = Trunc(x), fx = x - c (and the
  // same for y): the weights are -f(1-f)^2, 1 - 2f^2 + f^3, f(1 + f - f^2) and -(1-f)f^2.
  // Each channel is Trunc(sum over rows of row weight x (sum over columns of column weight x
  // pixel)), and the result its magnitude limited to 255: an overshoot below 0 comes out
  // positive, not 0.
  void Bicubic(double x, double y, uint8_t* out) const {
    const auto c = static_cast<int64_t>(x);
    const auto d = static_cast<int64_t>(y);
    double wx[4], wy[4];
    CubicWeights(x - c, wx);
    CubicWeights(y - d, wy);
    const uint8_t* taps[4][4];
    for (int j = 0; j < 4; ++j)
      for (int i = 0; i < 4; ++i) taps[j][i] = Fetch(c - 1 + i, d - 1 + j);
    for (int ch = 0; ch < Channels; ++ch) {
      double sum = 0;
      for (int j = 0; j < 4; ++j) {
        double row = 0;
        for (int i = 0; i < 4; ++i) row += wx[i] * taps[j][i][ch];
        sum += wy[j] * row;
      }
      const int32_t v = std::abs(static_cast<int32_t>(sum));
      out[ch] = static_cast<uint8_t>(v > 255 ? 255 : v);
    }
  }

  static void CubicWeights(double f, double (&w)[4]) {
    const double f2 = f * f;
    const double f3 = f2 * f;
    w[0] = -f * ((1 - f) * (1 - f));
    w[1] = 1 - 2 * f2 + f3;
    w[2] = f * (1 + f - f2);
    w[3] = -(1 - f) * f2;
  }
};

using SampledSource24 = SampledSource<3>;
using SampledSource8 = SampledSource<1>;

}  // namespace calmora::rotation

namespace calmora {

inline TPVRGB FetchPixel24(const rotation::SampledSource24& Source, int32_t X, int32_t Y) {
  const uint8_t* p = Source.Fetch(X, Y);
  return TPVRGB{p[0], p[1], p[2]};
}

inline uint8_t FetchSample8(const rotation::SampledSource8& Source, int32_t X, int32_t Y) {
  return *Source.Fetch(X, Y);
}

inline TPVRGB SampleBilinear24(const rotation::SampledSource24& Source, double X, double Y) {
  uint8_t p[3];
  Source.Bilinear(X, Y, p);
  return TPVRGB{p[0], p[1], p[2]};
}

inline uint8_t SampleBilinear8(const rotation::SampledSource8& Source, double X, double Y) {
  uint8_t p = 0;
  Source.Bilinear(X, Y, &p);
  return p;
}

inline TPVRGB SampleBicubic24(const rotation::SampledSource24& Source, double X, double Y) {
  uint8_t p[3];
  Source.Bicubic(X, Y, p);
  return TPVRGB{p[0], p[1], p[2]};
}

inline uint8_t SampleBicubic8(const rotation::SampledSource8& Source, double X, double Y) {
  uint8_t p = 0;
  Source.Bicubic(X, Y, &p);
  return p;
}

}  // namespace calmora
