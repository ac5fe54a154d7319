// The canvas of our device bitmap, in place of the toolkit's TCanvas: painting with a QPainter
// over the bitmap's own pixels, whatever their format. Drawing operations are built on Paint.
#pragma once

#include <functional>

class QPainter;

namespace calmora::platform {

class TBitmap;

// Owned by its device bitmap (TBitmap::GetCanvas) and valid as long as the bitmap. It keeps no
// image of its own: every Paint lays a fresh image over the bitmap as it is then, so the
// canvas follows every size and format change.
class TCanvas {
 public:
  explicit TCanvas(TBitmap& bitmap) : Bitmap_(bitmap) {}
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;

  TBitmap& GetBitmap() const { return Bitmap_; }

  // Runs paint with a painter over the bitmap; the painting has reached the bitmap's rows when
  // Paint returns. The 15-, 16-, 24- and 32-bit formats are painted in place. QPainter cannot
  // paint indexed images (and dots antialiased lines on 1-bit ones), so 1, 4 and 8 bits are
  // painted on a 32-bit copy whose changed pixels take the nearest colour-table entry; pixels
  // the painting left alone keep their index. False, with paint not called, for an empty
  // bitmap or a format without pixels (pfCustom).
  bool Paint(const std::function<void(QPainter&)>& paint);

 private:
  bool PaintIndexed(const std::function<void(QPainter&)>& paint);

  TBitmap& Bitmap_;
};

}  // namespace calmora::platform
