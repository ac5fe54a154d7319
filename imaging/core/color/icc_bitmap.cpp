// TPVICC.TransformBitmap: a whole bitmap converted row by row through the profile's
// transform into a new image that then replaces the bitmap's pixels.
#include <optional>

#include "imaging/core/bitmap/bitmap.h"
#include "imaging/core/color/icc.h"

namespace calmora {

namespace {

// The row layout of each pixel format that whole-bitmap conversion accepts.
std::optional<TPVColorLayout> BitmapLayout(uint8_t format) {
  switch (format) {
    case pv8g:
      return clGray8;
    case pv24RGB:
      return clBGR24;
    case pvCMYK:
      return clInvertedCMYK;
    case pvRGB48:
      return clRGB48;
    case pvCIELab:
      return clCIELab;
    default:
      return std::nullopt;
  }
}

}  // namespace

bool TPVICC::TransformBitmap(TPVBitmap* Bitmap, uint8_t TargetFormat, TPVICC* Destination) {
  if (Bitmap == nullptr) return false;
  const auto sourceLayout = BitmapLayout(Bitmap->GetPixelFormat());
  const auto targetLayout = BitmapLayout(TargetFormat);
  // Only layouts the transform writes can be targets: any other would leave the new image
  // unwritten and still replace the pixels.
  if (!sourceLayout || !targetLayout || !IsColorLayoutWritable(*targetLayout)) return false;
  // Likewise nothing is replaced when no transform can be made.
  if (!TransformPixels(Destination, *sourceLayout, *targetLayout, 0, 0, nullptr, nullptr, 0))
    return false;

  const int32_t width = Bitmap->GetWidth();
  const int32_t height = Bitmap->GetHeight();
  TPVBitmap converted(width, height, static_cast<TPVPixelFormat>(TargetFormat));
  if (converted.IsEmpty() && !Bitmap->IsEmpty()) return false;

  for (int32_t row = 0; row < height; ++row) {
    const uint8_t* source = Bitmap->GetScanline(row);
    uint8_t* target = converted.GetScanline(row);
    if (source == nullptr || target == nullptr) return false;
    TransformPixels(Destination, *sourceLayout, *targetLayout, 0, 0, source, target, width);
  }
  FreeTransform();
  return Bitmap->AssignImage(&converted);
}

}  // namespace calmora
