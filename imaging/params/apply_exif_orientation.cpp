// ApplyExifOrientation: the mirrors and quarter turns that bring a picture stored with an EXIF
// orientation upright.
#include "imaging/params/exif_blocks.h"
#include "imaging/proc/rotate/rotation.h"

namespace calmora {

namespace {

constexpr int32_t kMirrorLeftRight = 0;
constexpr int32_t kFlipTopBottom = 1;

void Turn(TPVBitmap& bitmap, double degreesCounterClockwise) {
  RotateByShears(bitmap, false, nullptr, {}, TPVRGB{0, 0, 0}, degreesCounterClockwise);
}

}  // namespace

void ApplyExifOrientation(TPVBitmap& Bitmap, int32_t Orientation) {
  switch (Orientation) {
    case 2:  // mirrored
      FlipBitmap(Bitmap, kMirrorLeftRight);
      break;
    case 3:  // upside down
      FlipBitmap(Bitmap, kFlipTopBottom);
      FlipBitmap(Bitmap, kMirrorLeftRight);
      break;
    case 4:  // mirrored upside down
      FlipBitmap(Bitmap, kFlipTopBottom);
      break;
    case 5:  // transposed: rows stored as columns
      FlipBitmap(Bitmap, kMirrorLeftRight);
      Turn(Bitmap, 90);
      break;
    case 6:  // stored a quarter turn counter-clockwise
      Turn(Bitmap, -90);
      break;
    case 7:  // transversed
      FlipBitmap(Bitmap, kMirrorLeftRight);
      Turn(Bitmap, -90);
      break;
    case 8:  // stored a quarter turn clockwise
      Turn(Bitmap, 90);
      break;
    default:  // 1 is upright; anything else is no orientation we know
      break;
  }
}

}  // namespace calmora
