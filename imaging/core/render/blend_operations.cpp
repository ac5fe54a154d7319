// The blend operations: one table of per-channel formulas for the operations that treat red,
// green and blue alike, the channel-picking ones, and the four that mix hue, saturation and
// lightness of both pixels.
#include "imaging/core/render/blend_operations.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "imaging/base/defs.h"
#include "imaging/base/color_helpers.h"
#include "imaging/base/numeric_helpers.h"

namespace calmora {

// The dodges, burns, reflections and soft dodges come in pairs whose second member is the
// first with source and destination exchanged; each pair is written once.

uint8_t BlendColorDodge(uint8_t s, uint8_t d) {
  if (s == 255) return 255;
  return static_cast<uint8_t>(std::min(d * 256 / (255 - s), 255));
}

uint8_t BlendColorBurn(uint8_t s, uint8_t d) {
  if (s == 0) return 0;
  return static_cast<uint8_t>(std::max(255 - (255 - d) * 256 / s, 0));
}

uint8_t BlendReverseDodge(uint8_t s, uint8_t d) { return BlendColorDodge(d, s); }
uint8_t BlendReverseBurn(uint8_t s, uint8_t d) { return BlendColorBurn(d, s); }

uint8_t BlendSoftDodge(uint8_t s, uint8_t d) {
  if (s + d < 256) {
    if (s == 255) return 255;
    return static_cast<uint8_t>(std::min(d * 128 / (255 - s), 255));
  }
  return static_cast<uint8_t>(std::max(255 - (255 - s) * 128 / d, 0));  // d > 0 here
}

uint8_t BlendSoftBurn(uint8_t s, uint8_t d) { return BlendSoftDodge(d, s); }

uint8_t BlendReflect(uint8_t s, uint8_t d) {
  if (s == 255) return 255;
  return static_cast<uint8_t>(std::min(d * d / (255 - s), 255));
}

uint8_t BlendGlow(uint8_t s, uint8_t d) { return BlendReflect(d, s); }

uint8_t BlendFreeze(uint8_t s, uint8_t d) {
  if (s == 0) return 0;
  return static_cast<uint8_t>(std::max(255 - (255 - d) * (255 - d) / s, 0));
}

uint8_t BlendHeat(uint8_t s, uint8_t d) { return BlendFreeze(d, s); }

uint8_t BlendSoftLight(uint8_t s, uint8_t d) {
  const double a = s / 255.0;
  const double b = d / 255.0;
  const double value = a < 0.5 ? b * b * (1 - 2 * a) + 2 * b * a
                               : std::sqrt(b) * (2 * a - 1) + 2 * b * (1 - a);
  return static_cast<uint8_t>(std::trunc(value * 255));  // value stays within 0..1
}

uint8_t BlendSoftLight2(uint8_t s, uint8_t d) {
  const int32_t m = (s * d) >> 8;
  const int32_t c = 255 - (((255 - d) * (255 - s)) >> 8) - m;  // never negative
  return static_cast<uint8_t>(m + ((c * d) >> 8));
}

uint8_t BlendInterpolation(uint8_t s, uint8_t d) {
  return static_cast<uint8_t>(std::min(CosineBlendTable[s] + CosineBlendTable[d], 255));
}

uint8_t BlendLinearLight(uint8_t s, uint8_t d) { return ClampByte(d + 2 * s - 256); }

namespace {

using TChannelBlend = uint8_t (*)(uint8_t s, uint8_t d);

// Overlay and hard light differ only in which channel picks the half.
uint8_t LightByHalf(int32_t picker, int32_t s, int32_t d) {
  if (picker < 128) return static_cast<uint8_t>((s * d) >> 7);
  return static_cast<uint8_t>(255 - (((255 - d) * (255 - s)) >> 7));
}

// Operations 0..30, indexed by the operation. Products of two channels stay below 2^16, so
// int arithmetic is exact throughout.
constexpr TChannelBlend kChannelBlends[] = {
    [](uint8_t s, uint8_t) { return s; },                                           // normal
    [](uint8_t s, uint8_t d) { return ClampByte(d + s); },                          // add
    [](uint8_t s, uint8_t d) { return static_cast<uint8_t>(std::abs(d - s)); },     // difference
    [](uint8_t s, uint8_t d) { return ClampByte(d / std::max<int32_t>(s, 1)); },    // divide
    [](uint8_t s, uint8_t d) { return static_cast<uint8_t>((s * d) >> 8); },        // multiply
    [](uint8_t s, uint8_t d) { return static_cast<uint8_t>(d | s); },               // or
    [](uint8_t s, uint8_t d) { return static_cast<uint8_t>(d & s); },               // and
    [](uint8_t s, uint8_t d) { return static_cast<uint8_t>(d ^ s); },               // xor
    [](uint8_t s, uint8_t d) { return std::max(d, s); },                            // lighten
    [](uint8_t s, uint8_t d) { return std::min(d, s); },                            // darken
    [](uint8_t s, uint8_t d) { return static_cast<uint8_t>((d + s) >> 1); },        // average
    [](uint8_t s, uint8_t d) {                                                      // screen
      return static_cast<uint8_t>(255 - (((255 - d) * (255 - s)) >> 8));
    },
    [](uint8_t s, uint8_t d) {                                                      // negation
      return static_cast<uint8_t>(255 - std::abs(255 - s - d));
    },
    [](uint8_t s, uint8_t d) {                                                      // exclusion
      return static_cast<uint8_t>((d + s - ((s * d) >> 7)) & 255);
    },
    [](uint8_t s, uint8_t d) { return LightByHalf(d, s, d); },                      // overlay
    [](uint8_t s, uint8_t d) { return LightByHalf(s, s, d); },                      // hard light
    BlendSoftLight,
    BlendSoftLight2,
    BlendColorDodge,
    BlendColorBurn,
    BlendReverseDodge,
    BlendReverseBurn,
    BlendSoftDodge,
    BlendSoftBurn,
    BlendReflect,
    BlendGlow,
    BlendFreeze,
    BlendHeat,
    [](uint8_t s, uint8_t d) { return ClampByte(d + s - 256); },                    // linear burn
    BlendInterpolation,
    BlendLinearLight,
};
static_assert(std::size(kChannelBlends) == pvboLinearLight + 1);

// Operations 34..37: which pixel gives hue, saturation and lightness.
void BlendByHSL(TPVRGB source, TPVRGB& destination, TPVBlendOperation operation) {
  double hs, ss, ls, hd, sd, ld;
  RGBToHSL(source, hs, ss, ls);
  RGBToHSL(destination, hd, sd, ld);
  switch (operation) {
    case pvboHue: destination = HSLToRGB(hs, sd, ld); break;
    case pvboSaturation: destination = HSLToRGB(hd, ss, ld); break;
    case pvboColor: destination = HSLToRGB(hs, ss, ld); break;
    // The source's hue with the source's lightness: "luminosity" keeps the destination's
    // saturation only, which is how stored layer stacks have always looked.
    default: destination = HSLToRGB(hs, sd, ls); break;
  }
}

}  // namespace

void BlendPixel(TPVRGB source, TPVRGB& destination, TPVBlendOperation operation) {
  if (operation <= pvboLinearLight) {
    const TChannelBlend blend = kChannelBlends[operation];
    destination.r = blend(source.r, destination.r);
    destination.g = blend(source.g, destination.g);
    destination.b = blend(source.b, destination.b);
    return;
  }
  switch (operation) {
    case pvboRed: destination.r = source.r; break;
    case pvboGreen: destination.g = source.g; break;
    case pvboBlue: destination.b = source.b; break;
    case pvboHue:
    case pvboSaturation:
    case pvboColor:
    case pvboLuminosity: BlendByHSL(source, destination, operation); break;
    default: break;  // not an operation: the destination stays
  }
}

}  // namespace calmora
