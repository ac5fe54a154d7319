// Rotation by three shears: RotateByShears (pv24RGB, and the dispatch of every other format)
// and RotateByShears8 (pv8g, pv8p), one engine over the bytes per pixel. The angle is cut to
// thousandths of a degree and brought to -45 .. 45 by exact quarter turns first.
#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <new>
#include <numbers>

#include "imaging/core/bitmap/bitmap_internal.h"
#include "imaging/base/color_helpers.h"
#include "imaging/base/numeric_helpers.h"
#include "imaging/proc/resample/resample_common.h"
#include "imaging/proc/rotate/rotation.h"
#include "imaging/proc/rotate/rotation_support.h"

namespace calmora {

using resample::ProgressReporter;
using rotation::Turn;

namespace {

// Round(x), halves to the even neighbour.
int32_t RoundToInt(double x) { return static_cast<int32_t>(std::nearbyint(x)); }

// Blending weights are on a scale of 4096; fw weighs the previous pixel, 4096 - fw the
// current one.
constexpr int32_t kWeightScale = 4096;

// ClampByte(Round((prev x fw + cur x (4096 - fw) + 2048) / 4096)), the real division rounded
// to nearest with halves to even. The whole shift is rounded to nearest, so fw lies in
// -2048 .. 2048: a negative fw leans away from the previous pixel and may leave the range.
// In integers: with q = floor(v / 4096), floor((v + 2047 + (q and 1)) / 4096) rounds v / 4096
// that way (the shifts of negative values floor).
inline uint8_t Blend(int32_t prev, int32_t cur, int32_t fw) {
  const int32_t v = (cur << 12) + (prev - cur) * fw + 2048;
  return ClampByte((v + 2047 + ((v >> 12) & 1)) >> 12);
}

template <int Bytes>
using Pixel = std::array<uint8_t, Bytes>;

template <int Bytes>
void FillPixels(uint8_t* out, int64_t from, int64_t to, const Pixel<Bytes>& background) {
  for (int64_t x = from; x < to; ++x) std::memcpy(out + x * Bytes, background.data(), Bytes);
}

// One line of a shear: the length pixels of in go to out[shift ...] (outLength pixels, the
// rest background); pixels that fall outside are dropped. With blending each pixel written is
// Blend(previous pixel written, pixel), the previous starting as the background (a dropped
// pixel does not count), and when fw > 0 and the line ends inside, one more pixel
// Blend(last, background) follows it. The first shear never drops a pixel, the other two crop.
template <int Bytes>
void ShearLine(const uint8_t* in, int32_t length, uint8_t* out, int32_t outLength, int32_t shift,
               int32_t fw, bool blend, const Pixel<Bytes>& background) {
  const int32_t first = std::max(0, -shift);
  const int32_t last = static_cast<int32_t>(std::min<int64_t>(length, int64_t{outLength} - shift));
  int64_t writtenFrom = 0, writtenTo = 0;
  if (first < last) {
    writtenFrom = int64_t{first} + shift;
    writtenTo = int64_t{last} + shift;
    uint8_t* target = out + writtenFrom * Bytes;
    const uint8_t* source = in + static_cast<int64_t>(first) * Bytes;
    if (!blend) {
      std::memcpy(target, source, static_cast<size_t>(last - first) * Bytes);
    } else {
      for (int c = 0; c < Bytes; ++c) target[c] = Blend(background[c], source[c], fw);
      const int64_t end = static_cast<int64_t>(last - first) * Bytes;
      for (int64_t k = Bytes; k < end; ++k) target[k] = Blend(source[k - Bytes], source[k], fw);
    }
  }
  FillPixels<Bytes>(out, 0, writtenFrom, background);
  FillPixels<Bytes>(out, writtenTo, outLength, background);
  const int64_t end = int64_t{shift} + length;
  if (blend && fw > 0 && end >= 0 && end < outLength) {
    const uint8_t* prev =
        first < last ? in + static_cast<int64_t>(last - 1) * Bytes : background.data();
    for (int c = 0; c < Bytes; ++c) out[end * Bytes + c] = Blend(prev[c], background[c], fw);
  }
}

// The sizes of the three shears for a W x H image and an angle a in -45 .. 45, not 0.
struct ShearPlan {
  bool positive = false;  // theta > 0
  double t = 0;           // |tan(theta / 2)|, the slope of the horizontal shears
  double s = 0;           // |sin(theta)|, the slope of the vertical one
  int32_t width = 0, height = 0;
  int32_t w1 = 0;     // width after the first shear, of both working buffers
  int32_t off1 = 0;   // rows cut from the top by the vertical shear
  int32_t h2 = 0;     // final height
  int32_t off2 = 0;   // columns cut from the left by the last shear
  int32_t w3 = 0;     // final width
  double factor = 0;  // percent per row or column of all three shears
};

// Sizes beyond int32 (or not numbers) cannot be allocated; they end the rotation.
bool TryRound(double x, int32_t& result) {
  if (!(x > -2147483648.0 && x < 2147483647.0)) return false;
  result = RoundToInt(x);
  return true;
}

bool PlanShears(int32_t width, int32_t height, double a, ShearPlan& plan) {
  const double theta = a * std::numbers::pi / 180;
  plan.positive = theta > 0;
  plan.t = std::fabs(std::sin(theta / 2) / std::cos(theta / 2));
  plan.s = std::fabs(std::sin(theta));
  plan.width = width;
  plan.height = height;
  int32_t h2 = 0;
  if (!TryRound(height * plan.t + width + 1, plan.w1) ||
      !TryRound((plan.w1 - width) * plan.s, plan.off1) ||
      !TryRound(plan.s * plan.w1 + height + 1, h2) ||
      !TryRound(plan.t * (h2 - height - plan.off1), plan.off2))
    return false;
  plan.h2 = h2 - 2 * plan.off1;
  if (!TryRound(plan.t * plan.h2 + plan.w1 + 1 - 2 * plan.off2, plan.w3)) return false;
  plan.factor = 100.0 / (int64_t{height} + plan.w1 + plan.h2);
  return plan.w1 > 0 && plan.h2 > 0 && plan.w3 > 0;
}

// A working buffer of packed pixels, failing softly.
std::unique_ptr<uint8_t[]> NewBuffer(int64_t pixels, int bytes) {
  if (pixels <= 0 || pixels > INT64_MAX / bytes) return nullptr;
  return std::unique_ptr<uint8_t[]>(new (std::nothrow)
                                        uint8_t[static_cast<size_t>(pixels * bytes)]);
}

// Columns of the vertical shear are gathered this many at a time into contiguous lines, so the
// buffers are read and written along their rows.
constexpr int32_t kColumnStrip = 16;

template <int Bytes>
class ShearEngine {
 public:
  ShearEngine(const ShearPlan& plan, const Pixel<Bytes>& background, bool blend,
              const ProgressReporter& reporter)
      : plan_(plan), background_(background), blend_(blend), reporter_(reporter) {}

  // Shears the source into the result, which it allocates at w3 x h2.
  bool Run(const TPVBitmap& source, rotation::InPlaceResult& place) {
    const int64_t w1 = plan_.w1;
    std::unique_ptr<uint8_t[]> first = NewBuffer(w1 * plan_.height, Bytes);
    std::unique_ptr<uint8_t[]> second = NewBuffer(w1 * plan_.h2, Bytes);
    if (!first || !second || !HorizontalFirst(source, first.get())) return false;
    if (!Vertical(first.get(), second.get())) return false;
    first.reset();
    if (!place.Allocate(plan_.w3, plan_.h2)) return false;
    return HorizontalLast(second.get(), place.Result());
  }

 private:
  // Shear 1, rows of the source into the first buffer. fw is truncated here, rounded in the
  // other two shears.
  bool HorizontalFirst(const TPVBitmap& source, uint8_t* buffer) const {
    for (int32_t i = 0; i < plan_.height; ++i) {
      const uint8_t* row = source.GetScanline(i);
      if (!row) return false;
      const double skew = (plan_.positive ? i : plan_.height - i) * plan_.t;
      const int32_t n = RoundToInt(skew);
      const auto fw = static_cast<int32_t>((skew - n) * kWeightScale);
      ShearLine<Bytes>(row, plan_.width, buffer + int64_t{i} * plan_.w1 * Bytes, plan_.w1, n, fw,
                       blend_, background_);
      reporter_.Report(static_cast<int32_t>(i * plan_.factor));
    }
    return true;
  }

  // Shear 2, columns of the first buffer into the second, shifted up by off1.
  bool Vertical(const uint8_t* from, uint8_t* to) const {
    const int32_t h = plan_.height, h2 = plan_.h2, w1 = plan_.w1;
    std::unique_ptr<uint8_t[]> lines = NewBuffer(int64_t{kColumnStrip} * h, Bytes);
    std::unique_ptr<uint8_t[]> sheared = NewBuffer(int64_t{kColumnStrip} * h2, Bytes);
    if (!lines || !sheared) return false;
    for (int32_t x0 = 0; x0 < w1; x0 += kColumnStrip) {
      const int32_t count = std::min(kColumnStrip, w1 - x0);
      for (int32_t y = 0; y < h; ++y) {
        const uint8_t* pixel = from + (int64_t{y} * w1 + x0) * Bytes;
        for (int32_t k = 0; k < count; ++k, pixel += Bytes)
          std::memcpy(lines.get() + (int64_t{k} * h + y) * Bytes, pixel, Bytes);
      }
      for (int32_t k = 0; k < count; ++k) {
        const double skew = (plan_.positive ? w1 - (x0 + k) : x0 + k) * plan_.s;
        const int32_t n = RoundToInt(skew);
        const int32_t fw = RoundToInt((skew - n) * kWeightScale);
        ShearLine<Bytes>(lines.get() + int64_t{k} * h * Bytes, h,
                         sheared.get() + int64_t{k} * h2 * Bytes, h2, n - plan_.off1, fw, blend_,
                         background_);
      }
      for (int32_t y = 0; y < h2; ++y) {
        uint8_t* pixel = to + (int64_t{y} * w1 + x0) * Bytes;
        for (int32_t k = 0; k < count; ++k, pixel += Bytes)
          std::memcpy(pixel, sheared.get() + (int64_t{k} * h2 + y) * Bytes, Bytes);
      }
      for (int32_t k = 0; k < count; ++k)
        reporter_.Report(static_cast<int32_t>((int64_t{h} + x0 + k) * plan_.factor));
    }
    return true;
  }

  // Shear 3, rows of the second buffer into the result, shifted left by off2.
  bool HorizontalLast(const uint8_t* buffer, TPVBitmap& result) const {
    TPVDataAccessScope writeOnly(result, pvdWrite);
    const int32_t pixelBytes = plan_.w3 * Bytes;
    for (int32_t y = 0; y < plan_.h2; ++y) {
      uint8_t* row = rotation::RowToWrite(result, y, pixelBytes, false);
      if (!row) return false;
      const double skew = (plan_.positive ? y : plan_.h2 - y) * plan_.t;
      const int32_t n = RoundToInt(skew);
      const int32_t fw = RoundToInt((skew - n) * kWeightScale);
      ShearLine<Bytes>(buffer + int64_t{y} * plan_.w1 * Bytes, plan_.w1, row, plan_.w3,
                       n - plan_.off2, fw, blend_, background_);
      reporter_.Report(static_cast<int32_t>((int64_t{plan_.height} + plan_.w1 + y) * plan_.factor));
    }
    return true;
  }

  const ShearPlan& plan_;
  const Pixel<Bytes>& background_;
  bool blend_;
  const ProgressReporter& reporter_;
};

// The whole rotation for a format of Bytes bytes per pixel.
template <int Bytes>
bool RotateSheared(TPVBitmap& Bitmap, bool blend, const Pixel<Bytes>& background,
                   const ProgressReporter& reporter, double Angle) {
  if (Angle == 0) return true;
  if (Bitmap.IsEmpty() || Bitmap.GetBitCount() != 8 * Bytes) return false;
  // Thousandths of a degree, the remainder taking the sign of the angle: -360 < a < 360.
  const double thousandths = std::trunc(Angle * 1000);
  if (!std::isfinite(thousandths)) return false;
  double a = std::fmod(thousandths, 360000.0) / 1000;
  int32_t quarterTurns = 0;  // counter-clockwise
  while (a > 45) {
    a -= 90;
    ++quarterTurns;
  }
  while (a < -45) {
    a += 90;
    --quarterTurns;
  }
  static constexpr Turn kTurns[4] = {Turn::None, Turn::Left, Turn::Half, Turn::Right};
  const Turn turn = kTurns[(quarterTurns + 4) % 4];
  if (a == 0 && turn == Turn::None) return true;

  rotation::InPlaceResult place(Bitmap);
  if (a == 0) {
    return rotation::TurnInto(place.Source(), place.Result(), turn) &&
           place.Commit(rotation::AlphaPlane::Fit);
  }
  TPVBitmap turned;
  turned.Location = place.Source().Location == pvTBitmap ? pvMemory : place.Source().Location;
  turned.FileThreshold = place.Source().FileThreshold;
  if (turn != Turn::None && !rotation::TurnInto(place.Source(), turned, turn)) return false;
  const TPVBitmap& source = turn == Turn::None ? place.Source() : turned;
  ShearPlan plan;
  if (!PlanShears(source.GetWidth(), source.GetHeight(), a, plan)) return false;
  ShearEngine<Bytes> engine(plan, background, blend, reporter);
  return engine.Run(source, place) && place.Commit(rotation::AlphaPlane::Fit);
}

// The fill value that RotateIntoCanvas gives a format for a colour: grey formats take the
// colour's grey level on their own scale (pv32f the nearer of black and white, as its fill is
// whole), colour formats the colour itself.
int32_t CanvasFillOf(TPVPixelFormat format, TPVRGB background) {
  const int32_t grey = GrayLevelOf(background);
  switch (format) {
    case pv16g: return grey * 257;
    case pv32f: return grey >= 128 ? 1 : 0;
    default: return SwapRedBlue(background);
  }
}

}  // namespace

bool RotateByShears(TPVBitmap& Bitmap, bool Antialias, TObject* Sender,
                    const TPVProgressEvent& OnProgress, TPVRGB Background, double Angle) {
  if (Angle == 0) return true;
  const ProgressReporter reporter(Sender, OnProgress);
  switch (const TPVPixelFormat format = Bitmap.GetPixelFormat()) {
    case pv24RGB:
      return RotateSheared<3>(Bitmap, Antialias, {Background.b, Background.g, Background.r},
                              reporter, Angle);
    case pv1g: {
      TPVProgressRecord progress;
      progress.OnProgress = OnProgress;
      progress.Sender = Sender;
      const bool white = Background.r != 0 && Background.g != 0 && Background.b != 0;
      return Rotate1Bit(Bitmap, white, progress, Angle);
    }
    case pv8g:
    case pv8p:
      return RotateByShears8(Bitmap, Antialias, static_cast<uint8_t>(GrayLevelOf(Background)),
                             Sender, OnProgress, Angle);
    default:
      return RotateToBoundingBox(Bitmap, static_cast<TColor>(CanvasFillOf(format, Background)),
                                 Sender, OnProgress, Angle);
  }
}

bool RotateByShears8(TPVBitmap& Bitmap, bool Antialias, uint8_t Fill, TObject* Sender,
                     const TPVProgressEvent& OnProgress, double Angle) {
  const TPVPixelFormat format = Bitmap.GetPixelFormat();
  if (format != pv8g && format != pv8p) return false;
  return RotateSheared<1>(Bitmap, Antialias, {Fill}, ProgressReporter(Sender, OnProgress), Angle);
}

}  // namespace calmora
