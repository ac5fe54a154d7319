// The two strips of a drop shadow, written once: the bottom strip is the right strip with rows
// and columns exchanged ("across" is the strip's width, "along" its length). Loops visit only
// coordinates where the canvas or the bitmap has pixels, so a huge strip costs no more.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

#include "imaging/core/drawing/drawing_helpers.h"

namespace calmora {

namespace {

struct TStrip {
  platform::TCanvas& Canvas;
  platform::TBitmap* Bitmap;  // 24-bit, or null
  bool Vertical;              // the right strip: across is x
  int64_t AcrossStart;
  int64_t AcrossEnd;  // inclusive
  int64_t AlongStart;
  int64_t AlongEnd;  // inclusive

  int64_t Width() const { return AcrossEnd - AcrossStart + 1; }
  int64_t Length() const { return AlongEnd - AlongStart + 1; }
  int32_t X(int64_t across, int64_t along) const {
    return static_cast<int32_t>(Vertical ? across : along);
  }
  int32_t Y(int64_t across, int64_t along) const {
    return static_cast<int32_t>(Vertical ? along : across);
  }
  // One past the last coordinate where the canvas or the bitmap has pixels.
  int64_t AlongLimit() const { return Limit(!Vertical); }
  int64_t AcrossLimit() const { return Limit(Vertical); }
  int64_t Limit(bool horizontal) const {
    const platform::TBitmap& surface = Canvas.GetBitmap();
    int32_t limit = horizontal ? surface.GetWidth() : surface.GetHeight();
    if (Bitmap) limit = std::max(limit, horizontal ? Bitmap->GetWidth() : Bitmap->GetHeight());
    return limit;
  }
};

bool InBitmap(const platform::TBitmap* bitmap, int32_t x, int32_t y) {
  return bitmap && bitmap->GetPixelFormat() == platform::pf24bit && x >= 0 && y >= 0 &&
         x < bitmap->GetWidth() && y < bitmap->GetHeight();
}

// Every channel multiplied by factor and truncated.
void Darken(const TStrip& strip, int32_t x, int32_t y, double factor) {
  if (InBitmap(strip.Bitmap, x, y)) {
    uint8_t* pixel = strip.Bitmap->GetScanLine(y) + 3 * x;
    for (int c = 0; c < 3; ++c) pixel[c] = static_cast<uint8_t>(pixel[c] * factor);
    return;
  }
  const uint32_t color = strip.Canvas.GetPixel(x, y);
  if (color == platform::CLR_INVALID) return;
  uint32_t darker = 0;
  for (int shift = 0; shift < 24; shift += 8)
    darker |= static_cast<uint32_t>(((color >> shift) & 0xFF) * factor) << shift;
  strip.Canvas.SetPixel(x, y, darker);
}

int32_t Clip(int64_t value) {
  return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

// Starts the width's length below the strip's start and runs one further.
void FillStrip(const TStrip& strip) {
  const int32_t acrossFrom = Clip(strip.AcrossStart);
  const int32_t acrossTo = Clip(strip.AcrossEnd);
  const int32_t alongFrom = Clip(strip.AlongStart + strip.Width());
  const int32_t alongTo = Clip(strip.AlongEnd + 1);
  if (strip.Vertical)
    strip.Canvas.FillRect(acrossFrom, alongFrom, acrossTo, alongTo);
  else
    strip.Canvas.FillRect(alongFrom, acrossFrom, alongTo, acrossTo);
}

// Dark at the object's side (about 0.2), light at the outer side (about 0.9).
void DarkenStrip(const TStrip& strip) {
  const int64_t width = strip.Width();
  const int64_t lastH = std::min(width - 1, strip.AcrossLimit() - 1 - strip.AcrossStart);
  for (int64_t h = std::max<int64_t>(0, -strip.AcrossStart); h <= lastH; ++h) {
    const double q = static_cast<double>(width - h) / (static_cast<double>(width) / 3);
    const double factor = std::exp(-0.1 - q * q / 6);
    // The far end is slanted: each step outward reaches one pixel further.
    const int64_t last = std::min(strip.AlongEnd + h - width + 3, strip.AlongLimit() - 1);
    for (int64_t along = std::max<int64_t>(strip.AlongStart + width, 0); along <= last; ++along)
      Darken(strip, strip.X(strip.AcrossStart + h, along), strip.Y(strip.AcrossStart + h, along),
             factor);
  }
}

int32_t RampLevel(double exponent) {
  return std::clamp(static_cast<int32_t>(std::exp(exponent) / std::numbers::e * 255), 0, 255);
}

// Light at the outer side; near the strip's start a ceiling that falls along it lightens it.
void RampStrip(const TStrip& strip) {
  const int64_t width = strip.Width();
  const int64_t length = strip.Length();
  if (width < 1 || length < 1) return;
  const int64_t lastJ = std::min(width, strip.AcrossLimit() - 1 - strip.AcrossStart);
  const int64_t lastI = std::min(length, strip.AlongLimit() - 1 - strip.AlongStart);
  for (int64_t i = std::max<int64_t>(0, -strip.AlongStart); i <= lastI; ++i) {
    // The near end is slanted: past length - width + 1, each step starts one further out.
    const int64_t firstJ = std::max<int64_t>(0, i - (length - width + 1));
    const int32_t ceiling = RampLevel(static_cast<double>(length - 3 * i) / length);
    for (int64_t j = std::max(firstJ, -strip.AcrossStart); j <= lastJ; ++j) {
      const int32_t grey = std::max(RampLevel(static_cast<double>(j) / width), ceiling);
      const int64_t across = strip.AcrossStart + j;
      const int64_t along = strip.AlongStart + i;
      strip.Canvas.SetPixel(strip.X(across, along), strip.Y(across, along),
                            static_cast<uint32_t>(grey) * 0x010101u);
    }
  }
}

void DrawStrip(const TStrip& strip, int32_t style) {
  switch (style) {
    case 1: FillStrip(strip); break;
    case 2: DarkenStrip(strip); break;
    case 3: RampStrip(strip); break;
    default: break;
  }
}

}  // namespace

void DrawRightShadow(platform::TCanvas& Canvas, platform::TBitmap* Bitmap, int32_t Left,
                     int32_t Top, int32_t Right, int32_t Bottom, int32_t Style, int32_t) {
  DrawStrip(TStrip{Canvas, Bitmap, true, Left, Right, Top, Bottom}, Style);
}

void DrawBottomShadow(platform::TCanvas& Canvas, platform::TBitmap* Bitmap, int32_t Left,
                      int32_t Top, int32_t Right, int32_t Bottom, int32_t Style, int32_t) {
  DrawStrip(TStrip{Canvas, Bitmap, false, Top, Bottom, Left, Right}, Style);
}

}  // namespace calmora
