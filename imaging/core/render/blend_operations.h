// The 38 blend operations that combine a source pixel with a target pixel when a bitmap is
// rendered over another: per-channel arithmetic for most, hue/saturation/lightness for four.
#pragma once

#include <cstdint>

#include "imaging/base/pixel_types.h"

namespace calmora {

// One byte: a value above pvboLuminosity is not an operation and leaves the target as it is.
enum TPVBlendOperation : uint8_t {
  pvboNormal = 0,
  pvboAdd = 1,
  pvboDifference = 2,
  pvboDivide = 3,
  pvboMultiply = 4,
  pvboOr = 5,
  pvboAnd = 6,
  pvboXor = 7,
  pvboLighten = 8,
  pvboDarken = 9,
  pvboAverage = 10,
  pvboScreen = 11,
  pvboNegation = 12,
  pvboExclusion = 13,
  pvboOverlay = 14,
  pvboHardLight = 15,
  pvboSoftLight = 16,
  pvboSoftLight2 = 17,
  pvboColorDodge = 18,
  pvboColorBurn = 19,
  pvboReverseDodge = 20,
  pvboReverseBurn = 21,
  pvboSoftDodge = 22,
  pvboSoftBurn = 23,
  pvboReflect = 24,
  pvboGlow = 25,
  pvboFreeze = 26,
  pvboHeat = 27,
  pvboLinearBurn = 28,
  pvboInterpolation = 29,
  pvboLinearLight = 30,
  pvboRed = 31,
  pvboGreen = 32,
  pvboBlue = 33,
  pvboHue = 34,
  pvboSaturation = 35,
  pvboColor = 36,
  pvboLuminosity = 37,
};

// Replaces destination by the blend of source over it.
void BlendPixel(TPVRGB source, TPVRGB& destination, TPVBlendOperation operation);

// The named per-channel blends: s is the source channel, d the destination channel. All work
// in integers except BlendSoftLight, which works in doubles and truncates.
uint8_t BlendSoftLight(uint8_t s, uint8_t d);
uint8_t BlendSoftLight2(uint8_t s, uint8_t d);
uint8_t BlendColorDodge(uint8_t s, uint8_t d);
uint8_t BlendColorBurn(uint8_t s, uint8_t d);
uint8_t BlendReverseDodge(uint8_t s, uint8_t d);
uint8_t BlendReverseBurn(uint8_t s, uint8_t d);
uint8_t BlendSoftDodge(uint8_t s, uint8_t d);
uint8_t BlendSoftBurn(uint8_t s, uint8_t d);
uint8_t BlendReflect(uint8_t s, uint8_t d);
uint8_t BlendGlow(uint8_t s, uint8_t d);
uint8_t BlendFreeze(uint8_t s, uint8_t d);
uint8_t BlendHeat(uint8_t s, uint8_t d);
// Reads CosineBlendTable, which the library's static set-up fills.
uint8_t BlendInterpolation(uint8_t s, uint8_t d);
uint8_t BlendLinearLight(uint8_t s, uint8_t d);

}  // namespace calmora
