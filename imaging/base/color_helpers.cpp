// Pixel-record and colour-value conversions, the library's grey level and RGB <-> HSL.
#include "imaging/base/color_helpers.h"

#include <cmath>
#include <iterator>

#include "imaging/base/defs.h"
#include "imaging/base/numeric_helpers.h"

namespace calmora {

namespace {

constexpr TColor FromRGB(uint32_t rrggbb) {
  return ((rrggbb >> 16) & 0xFFu) | (rrggbb & 0xFF00u) | ((rrggbb & 0xFFu) << 16);
}

// The colours of the system colour indexes 0..30 in the standard desktop scheme. There is no
// system colour service behind the toolkit's colour values here, so the library's controls get
// the familiar defaults (button face light grey, window white, highlight blue ...).
constexpr TColor SystemColors[] = {
    FromRGB(0xC8C8C8),  // 0 scroll bar
    FromRGB(0x000000),  // 1 desktop
    FromRGB(0x99B4D1),  // 2 active caption
    FromRGB(0xBFCDDB),  // 3 inactive caption
    FromRGB(0xF0F0F0),  // 4 menu
    FromRGB(0xFFFFFF),  // 5 window
    FromRGB(0x646464),  // 6 window frame
    FromRGB(0x000000),  // 7 menu text
    FromRGB(0x000000),  // 8 window text
    FromRGB(0x000000),  // 9 caption text
    FromRGB(0xB4B4B4),  // 10 active border
    FromRGB(0xF4F7FC),  // 11 inactive border
    FromRGB(0xABABAB),  // 12 application workspace
    FromRGB(0x3399FF),  // 13 highlight
    FromRGB(0xFFFFFF),  // 14 highlight text
    FromRGB(0xF0F0F0),  // 15 button face
    FromRGB(0xA0A0A0),  // 16 button shadow
    FromRGB(0x6D6D6D),  // 17 grey text
    FromRGB(0x000000),  // 18 button text
    FromRGB(0x434E54),  // 19 inactive caption text
    FromRGB(0xFFFFFF),  // 20 button highlight
    FromRGB(0x696969),  // 21 3-D dark shadow
    FromRGB(0xE3E3E3),  // 22 3-D light
    FromRGB(0x000000),  // 23 tooltip text
    FromRGB(0xFFFFE1),  // 24 tooltip background
    FromRGB(0x000000),  // 25 (unused index)
    FromRGB(0x0066CC),  // 26 hot-tracked item
    FromRGB(0xB9D1EA),  // 27 active caption gradient
    FromRGB(0xD7E4F2),  // 28 inactive caption gradient
    FromRGB(0x3399FF),  // 29 menu highlight
    FromRGB(0xF0F0F0),  // 30 menu bar
};

}  // namespace

int32_t GrayLevelOf(TPVRGB Pixel) {
  return (Pixel.r * GrayWeightRed + Pixel.g * GrayWeightGreen + Pixel.b * GrayWeightBlue) / 100;
}

TColor ColorToRGB(TColor Color) {
  if ((Color & 0x80000000u) == 0) return Color;
  const uint32_t index = Color & 0xFFu;
  // An index the system does not know gives black, as the system's own query does.
  return index < std::size(SystemColors) ? SystemColors[index] : 0;
}

TPVRGB ColorToRGBRecord(TColor Color) {
  const TColor rgb = ColorToRGB(Color);
  return MakeRGB(static_cast<uint8_t>(rgb), static_cast<uint8_t>(rgb >> 8),
                 static_cast<uint8_t>(rgb >> 16));
}

uint32_t ColorToARGB(TColor Color, uint8_t Alpha) {
  const TColor rgb = ColorToRGB(Color);
  return (static_cast<uint32_t>(Alpha) << 24) | ((rgb & 0xFFu) << 16) | (rgb & 0xFF00u) |
         ((rgb >> 16) & 0xFFu);
}

void RGBToHSL(TPVRGB Pixel, double& H, double& S, double& L) {
  const double r = Pixel.r / 255.0;
  const double g = Pixel.g / 255.0;
  const double b = Pixel.b / 255.0;
  const double max = MaxFloat(r, MaxFloat(g, b));
  const double min = MinFloat(r, MinFloat(g, b));
  L = (max + min) / 2;
  if (max == min) {
    S = 0;
    H = 0;
    return;
  }
  const double d = max - min;
  S = L < 0.5 ? d / (max + min) : d / (2 - max - min);
  if (r == max)
    H = (g - b) / d;
  else if (g == max)
    H = (b - r) / d + 2;
  else
    H = (r - g) / d + 4;
  H /= 6;
  if (H < 0) H += 1;
}

namespace {

double HueChannel(double p, double q, double t) {
  if (t < 0)
    t += 1;
  else if (t > 1)
    t -= 1;
  if (6 * t < 1) return p + (q - p) * 6 * t;
  if (2 * t < 1) return q;
  if (3 * t < 2) return p + (q - p) * (2.0 / 3.0 - t) * 6;
  return p;
}

uint8_t ChannelByte(double value) {
  const double scaled = value * 255;
  // Clamp before converting so no out-of-range value reaches the integer conversion.
  if (!(scaled > -1)) return 0;
  if (scaled > 256) return 255;
  return ClampByte(static_cast<int32_t>(std::nearbyint(scaled)));
}

}  // namespace

TPVRGB HSLToRGB(double H, double S, double L) {
  if (H < 0)
    H += 1;
  else if (H > 1)
    H -= 1;
  S = S < 0 ? 0 : (S > 1 ? 1 : S);
  L = L < 0 ? 0 : (L > 1 ? 1 : L);
  if (S == 0) {
    const uint8_t v = ChannelByte(L);
    return MakeRGB(v, v, v);
  }
  const double q = L <= 0.5 ? L * (1 + S) : L + S - L * S;
  const double p = 2 * L - q;
  return MakeRGB(ChannelByte(HueChannel(p, q, H + 1.0 / 3.0)), ChannelByte(HueChannel(p, q, H)),
                 ChannelByte(HueChannel(p, q, H - 1.0 / 3.0)));
}

}  // namespace calmora
