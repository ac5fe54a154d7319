// RenderSoftShadow: blurs and moves the alpha channel around an object, then merges the
// shadow it has become with the object's own alpha (saved first) into the pixels and alpha.
#include "imaging/proc/filters/alpha_soft_shadow.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "imaging/base/bit_helpers.h"
#include "imaging/proc/filters/filter3x3.h"
#include "imaging/proc/filters/gaussian_blur.h"

namespace calmora {

namespace {

// An inclusive rectangle in 64 bits, so growing an int32 one cannot wrap.
struct Span2D {
  int64_t Left, Top, Right, Bottom;
  Span2D Grown(int64_t by) const { return {Left - by, Top - by, Right + by, Bottom + by}; }
  // Each coordinate limited to the image's columns and rows.
  Span2D Clamped(int32_t width, int32_t height) const {
    return {std::clamp<int64_t>(Left, 0, width - 1), std::clamp<int64_t>(Top, 0, height - 1),
            std::clamp<int64_t>(Right, 0, width - 1), std::clamp<int64_t>(Bottom, 0, height - 1)};
  }
  // An object rectangle given the wrong way round can leave nothing.
  bool IsEmpty() const { return Left > Right || Top > Bottom; }
  int32_t X1() const { return static_cast<int32_t>(Left); }
  int32_t Y1() const { return static_cast<int32_t>(Top); }
  int32_t X2() const { return static_cast<int32_t>(Right); }
  int32_t Y2() const { return static_cast<int32_t>(Bottom); }
};

int64_t ShadowMargin(int32_t offsetX, int32_t offsetY, double radius) {
  const int64_t offset = std::max(std::llabs(offsetX), std::llabs(offsetY));
  const double spread = std::trunc(5 * radius);
  // A radius beyond any image gives a margin beyond any image; NaN spreads nothing.
  const int64_t spreadPixels =
      std::isnan(spread) ? 0 : static_cast<int64_t>(std::clamp(spread, -4e9, 4e9));
  return std::clamp<int64_t>(2 * offset + spreadPixels, 1, INT32_MAX);
}

// The alpha bytes of a rectangle, kept while the plane is blurred and moved.
class SavedAlpha {
 public:
  bool Save(const TPVBitmap& plane, const Span2D& area) {
    area_ = area;
    width_ = area.Right - area.Left + 1;
    const int64_t size = width_ * (area.Bottom - area.Top + 1);
    bytes_.reset(new (std::nothrow) uint8_t[static_cast<size_t>(size)]);
    if (!bytes_) return false;
    for (int64_t y = area.Top; y <= area.Bottom; ++y) {
      const uint8_t* row = plane.GetScanline(static_cast<int32_t>(y));
      if (row == nullptr) return false;
      std::memcpy(bytes_.get() + (y - area.Top) * width_, row + area.Left,
                  static_cast<size_t>(width_));
    }
    return true;
  }
  void Restore(TPVBitmap& plane) const {
    for (int64_t y = area_.Top; y <= area_.Bottom; ++y)
      if (uint8_t* row = plane.GetScanline(static_cast<int32_t>(y)))
        std::memcpy(row + area_.Left, Row(y), static_cast<size_t>(width_));
  }
  // The saved bytes of row y, starting at the rectangle's left column.
  const uint8_t* Row(int64_t y) const { return bytes_.get() + (y - area_.Top) * width_; }

 private:
  Span2D area_{};
  int64_t width_ = 0;
  std::unique_ptr<uint8_t[]> bytes_;
};

// A soft edge of the object (0 < a0 < 255) over the shadow (a1) in one channel.
uint8_t OverShadow(uint8_t pixel, uint8_t color, double s, double o) {
  const double under = std::trunc(color * o + pixel * (1 - o));
  return static_cast<uint8_t>(std::trunc(pixel * s + under * (1 - s)));
}

void MergeRgb(TPVBitmap& bitmap, TPVBitmap& alpha, const SavedAlpha& saved, const Span2D& area,
              TPVRGB color, double q) {
  for (int64_t y = area.Top; y <= area.Bottom; ++y) {
    uint8_t* row = bitmap.GetScanline(static_cast<int32_t>(y));
    uint8_t* shadow = alpha.GetScanline(static_cast<int32_t>(y));
    if (row == nullptr || shadow == nullptr) return;
    const uint8_t* own = saved.Row(y);
    for (int64_t x = area.Left; x <= area.Right; ++x) {
      const uint8_t a0 = own[x - area.Left];
      uint8_t& a1 = shadow[x];
      uint8_t* pixel = row + 3 * x;  // blue, green, red
      if (a0 == 0 && a1 > 0) {
        pixel[0] = color.b;
        pixel[1] = color.g;
        pixel[2] = color.r;
        if (q != 1) a1 = static_cast<uint8_t>(std::trunc(a1 / q));
      } else if (a0 == 0 || a0 == 255) {
        a1 = a0;
      } else {
        const double s = a0 / 255.0, o = a1 / 255.0;
        pixel[0] = OverShadow(pixel[0], color.b, s, o);
        pixel[1] = OverShadow(pixel[1], color.g, s, o);
        pixel[2] = OverShadow(pixel[2], color.r, s, o);
        a1 = static_cast<uint8_t>(std::trunc((s + (1 - s) * o) * 255));
      }
    }
  }
}

void MergeBits(TPVBitmap& bitmap, TPVBitmap& alpha, const SavedAlpha& saved, const Span2D& area) {
  for (int64_t y = area.Top; y <= area.Bottom; ++y) {
    uint8_t* row = bitmap.GetScanline(static_cast<int32_t>(y));
    uint8_t* shadow = alpha.GetScanline(static_cast<int32_t>(y));
    if (row == nullptr || shadow == nullptr) return;
    const uint8_t* own = saved.Row(y);
    for (int64_t x = area.Left; x <= area.Right; ++x) {
      const uint8_t a0 = own[x - area.Left];
      if (a0 == 0 && shadow[x] > 0)
        SetBit(row, static_cast<int32_t>(x), 0);
      else
        shadow[x] = a0;
    }
  }
}

}  // namespace

int32_t RenderSoftShadow(TPVBitmap& Bitmap, int32_t OffsetX, int32_t OffsetY, double Radius,
                         int32_t Intensity, TPVRGB Color, int32_t Left, int32_t Top, int32_t Right,
                         int32_t Bottom) {
  // Radius 0 stands for the small 3 x 3 blur, whose reach is that of radius 2.
  const bool small = Radius == 0;
  const double radius = small ? 2 : Radius;
  const int64_t margin = ShadowMargin(OffsetX, OffsetY, radius);
  const TPVPixelFormat format = Bitmap.GetPixelFormat();
  // Only these two formats take the shadow into their pixels; any other would end up with a
  // blurred alpha and no shadow, losing the object's own transparency.
  if (format != pv24RGB && format != pv1g) return static_cast<int32_t>(margin);
  const int32_t width = Bitmap.GetWidth(), height = Bitmap.GetHeight();
  TPVBitmap* alpha = width > 0 && height > 0 ? Bitmap.GetAlphaChannel() : nullptr;
  if (alpha == nullptr) return static_cast<int32_t>(margin);

  const Span2D object{Left, Top, Right, Bottom};
  const Span2D paint = object.Grown(margin).Clamped(width, height);
  SavedAlpha own;
  if (paint.IsEmpty() || !own.Save(*alpha, paint)) return static_cast<int32_t>(margin);

  const Span2D blur = object.Grown(margin / 2).Clamped(width, height);
  if (small)
    ApplyFilter3x3(*alpha, BuiltInFilters[NamedFilterBlur], blur.X1(), blur.Y1(), blur.X2(),
                   blur.Y2());
  else
    GaussianBlurGray8(*alpha, blur.X1(), blur.Y1(), blur.X2(), blur.Y2(), radius);
  if (OffsetX != 0 || OffsetY != 0) {
    const auto target = [](int64_t at) {
      return static_cast<int32_t>(std::clamp<int64_t>(at, INT32_MIN, INT32_MAX));
    };
    if (!alpha->MoveRect(blur.X1(), blur.Y1(), blur.X2(), blur.Y2(), target(blur.Left + OffsetX),
                         target(blur.Top + OffsetY), 0)) {
      own.Restore(*alpha);  // the blur lay within the saved rectangle: nothing is lost
      return static_cast<int32_t>(margin);
    }
  }
  alpha->Opaque = false;

  if (format == pv24RGB) {
    const double q = 3 - std::clamp(Intensity, 0, 100) / 100.0 * 2;
    MergeRgb(Bitmap, *alpha, own, paint, Color, q);
  } else {
    MergeBits(Bitmap, *alpha, own, paint);
  }
  return static_cast<int32_t>(margin);
}

}  // namespace calmora
