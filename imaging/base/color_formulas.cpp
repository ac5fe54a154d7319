// sRGB <-> CIELab and YCbCr -> RGB formulas. The two Lab directions deliberately use
// different white Z (1.088883 forward, 1.08883 back) and L scales (2.5 forward, 2.55 back).
#include "imaging/base/color_formulas.h"

#include <cmath>
#include <cstdint>

#include "imaging/base/powers.h"
#include "imaging/base/numeric_helpers.h"

namespace calmora {

namespace {

// A real truncated toward zero (the conversion to an integer does that) and kept to its low
// 8 bits, as a byte store of an integer does. The values stay far inside int32.
uint8_t LowByteOfTrunc(double value) {
  return static_cast<uint8_t>(static_cast<int32_t>(value) & 0xFF);
}

double SRGBToLinear(double c) {
  return c <= 0.03928 ? c / 12.92 : RaiseDoubleToPower((c + 0.055) / 1.055, 2.4);
}

double LinearToSRGB(double c) {
  return c > 0.0031308 ? 1.055 * RaiseDoubleToPower(c, 0.41666666667) - 0.055 : 12.92 * c;
}

double LabForward(double t) {
  return t > 0.008856 ? RaiseDoubleToPower(t, 1.0 / 3.0) : 7.787 * t + 0.13793103448275862;
}

double LabInverse(double t) {
  const double cube = t * t * t;
  return cube > 0.008856 ? cube : (t - 0.13793103448) / 7.787;
}

uint8_t ChannelByte(double c) { return ClampByte(static_cast<int32_t>(std::nearbyint(c * 255.0))); }

}  // namespace

void ConvertRGBToCIELab(TPVCIELab& Lab, TPVRGB RGB) {
  const double r = SRGBToLinear(RGB.r / 255.0);
  const double g = SRGBToLinear(RGB.g / 255.0);
  const double b = SRGBToLinear(RGB.b / 255.0);

  const double x = (0.412453 * r + 0.35758 * g + 0.180423 * b) / 0.95047;
  const double y = (0.212671 * r + 0.71516 * g + 0.072169 * b) / 1.0;
  const double z = (0.019334 * r + 0.119193 * g + 0.950227 * b) / 1.088883;

  const double fx = LabForward(x);
  const double fy = LabForward(y);
  const double fz = LabForward(z);
  const double l = y > 0.008856 ? 116.0 * fy - 16.0 : 903.3 * y;

  Lab.l = LowByteOfTrunc(2.5 * l);
  Lab.a = static_cast<int8_t>(LowByteOfTrunc(500.0 * (fx - fy)));
  Lab.b = static_cast<int8_t>(LowByteOfTrunc(200.0 * (fy - fz)));
}

void ConvertCIELabToRGB(TPVRGB& RGB, TPVCIELab Lab) {
  const double fy = (Lab.l * 0.39215686275 + 16.0) / 116.0;
  const double fx = fy + Lab.a / 500.0;
  const double fz = fy - Lab.b / 200.0;

  const double y = LabInverse(fy);
  const double x = 0.95047 * LabInverse(fx);
  const double z = 1.08883 * LabInverse(fz);

  const double r = 3.2406 * x - 1.5372 * y - 0.4986 * z;
  const double g = -0.9689 * x + 1.8758 * y + 0.0415 * z;
  const double b = 0.0557 * x - 0.204 * y + 1.057 * z;

  RGB.r = ChannelByte(LinearToSRGB(r));
  RGB.g = ChannelByte(LinearToSRGB(g));
  RGB.b = ChannelByte(LinearToSRGB(b));
}

void ConvertYCbCrToRGB(TPVRGB& RGB, int Y, int Cb, int Cr) {
  // The conversion to an integer truncates toward zero; the values stay far inside int32.
  const auto trunc_int = [](double v) { return static_cast<int32_t>(v); };
  RGB.r = ClampByte(trunc_int(Y + 1.402 * (Cr - 128)));
  RGB.g = ClampByte(trunc_int(Y - 0.34414 * (Cb - 128) - 0.71414 * (Cr - 128)));
  RGB.b = ClampByte(trunc_int(Y + 1.772 * (Cb - 128)));
}

}  // namespace calmora
