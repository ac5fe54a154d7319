// TPVMask, the selection of the imaging library: a 1-bit (hard) or 8-bit (soft) plane over a
// bitmap, with a bounding box of the selected pixels and a flag for "everything selected".
// The view keeps the user's selection in one, codecs hand alpha masks over in one.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "imaging/base/defs.h"
#include "imaging/core/bitmap/bitmap_storage.h"
#include "imaging/core/bitmap/dib_bitmap.h"
#include "imaging/base/geometry/geometry.h"

namespace calmora {

namespace platform {
class TBitmap;
class TCanvas;
}

// ---- Mask drawing and masked copy (mask_zoom.cpp, mask_drawing.cpp, mask_copy_through.cpp) ----
class TPVMask;

// A rectangle by corner and size: how the view hands over the part of the image it shows
// (source, in mask pixels) and where that part lands on the canvas (destination).
struct TPVDrawRect {
  int32_t X = 0;
  int32_t Y = 0;
  int32_t Width = 0;
  int32_t Height = 0;
};

// Fills buffer (height rows of the width at the mask's bits per pixel, each 32-bit aligned,
// stored bottom-up) with the mask's source rectangle scaled to width x height by 14-bit fixed
// point steps: destination index k shows source origin + (k x step) >> 14, step =
// Trunc(source extent / destination extent x 16384). Only the box's part is copied, the rest
// is 0; source rows past the mask show its last row, other pixels outside it are unselected.
// Nothing for a size below 1; only zeros for an empty source rectangle or selection.
void StretchMaskRect(const TPVMask& mask, uint8_t* buffer, int32_t width, int32_t height,
                     int32_t sourceX, int32_t sourceY, int32_t sourceWidth, int32_t sourceHeight);
// ---- end of mask drawing and masked copy ----

class TPVMask : public TObject {
 public:
  // Separates the polygons of a point list given to FillPolygons (the x of the separator).
  static constexpr int32_t PolygonSeparator = 0xFFFFF;
  // BoxLeft of the empty box.
  static constexpr int32_t EmptyBoxLeft = 2147483647;

  TPVMask();
  ~TPVMask() override;
  TPVMask(const TPVMask&) = delete;
  TPVMask& operator=(const TPVMask&) = delete;

  // A zero-filled plane of 1 or 8 bits per pixel, rows 32-bit aligned and bottom-up; the box
  // empty, AllSet false. The plane's pages are had from the system on first write, so a large
  // mask costs memory only where it is used. False, with no data, for another bit count, a
  // negative size or a plane whose memory cannot be had.
  bool Allocate(int32_t width, int32_t height, int32_t bitsPerPixel);
  void FreeData();
  // Keeps the top-left content (pixels beyond the old size start unselected) and clamps the
  // box. False, with the mask unchanged, when the memory cannot be had.
  bool Resize(int32_t width, int32_t height);

  // Row y counted from the top; null outside the mask.
  uint8_t* GetRow(int32_t y);
  const uint8_t* GetRow(int32_t y) const;
  // 0 outside the mask; 1-bit: 0 or 1; 8-bit: the byte.
  int32_t GetPixel(int32_t x, int32_t y) const;
  bool IsPointInside(int32_t x, int32_t y) const { return GetPixel(x, y) != 0; }
  // Points outside are ignored. A non-zero value grows the box; AllSet survives only a write
  // that selects the pixel fully.
  void SetPixel(int32_t x, int32_t y, int32_t value);
  // Pixels x1..x2 of row y (clipped to the mask); 1-bit: value 1 sets, any other clears;
  // 8-bit: the bytes become value. The box is not touched. Returns the pixels written.
  int32_t FillSpan(int32_t value, int32_t x1, int32_t x2, int32_t y);
  // Every data byte becomes value (a byte pattern in the 1-bit form); AllSet = (value == 255).
  void Fill(int32_t value);
  // Fill(0) and the empty box.
  void Clear();
  bool IsEmpty() const { return BoxLeft == EmptyBoxLeft; }
  void RecomputeBox();
  void CheckAllSet();

  // Even-odd scan-line fill of one polygon; a polygon that writes no pixel leaves the box as
  // it was.
  void FillPolygon(int32_t value, const TPoint* points, int32_t count);
  // Fills every polygon of the list (separated by points whose x is PolygonSeparator), then
  // CheckAllSet.
  void FillPolygons(int32_t value, const TPoint* points, int32_t count);
  // Moves the selected pixels of the box by (dx, dy). clip: the box is cut so the moved box
  // stays inside (pixels cut off are lost); else the offsets shrink, and the caller gets the
  // offsets actually used.
  void Translate(int32_t& dx, int32_t& dy, bool clip);

  // ---- Mask drawing and masked copy ----
  // The three drawings work at the view's zoom on the zoom buffer, which keeps its memory from
  // call to call while the destination size stays and is refilled by every call.

  // Inverts the canvas under the selected pixels of a 1-bit mask, the source rectangle
  // stretched onto the destination rectangle; drawing it twice restores the canvas. Nothing for
  // an 8-bit or empty mask.
  void DrawInverted(platform::TCanvas& canvas, int32_t destinationX, int32_t destinationY,
                    int32_t destinationWidth, int32_t destinationHeight, int32_t sourceX,
                    int32_t sourceY, int32_t sourceWidth, int32_t sourceHeight);
  // The dashed border of the selection, dot by dot in the two colours along diagonals: a dot at
  // canvas (x, y) takes color1 when (x + y + phase) and 7 is below 4. Edges of the view that cut
  // through the selection get no dots.
  void DrawOutline(platform::TCanvas& canvas, TColor color1, TColor color2, int32_t phase,
                   const TPVDrawRect& destination, const TPVDrawRect& source);
  // Greys (97, 97, 97) every second pixel, as a checkerboard, of the unselected part in the
  // rows of a 24-bit device bitmap; other formats are left alone.
  void ShadeOutside(platform::TBitmap& bitmap, int32_t destinationX, int32_t destinationY,
                    int32_t destinationWidth, int32_t destinationHeight, int32_t sourceX,
                    int32_t sourceY, int32_t sourceWidth, int32_t sourceHeight);
  // Copies the source's pixels into the destination where the mask selects them; an 8-bit mask
  // blends by its byte m (d + (m x (s - d)) >> 8, so 255 stops one level short of s). A bitmap
  // at box holds only the box: its (0, 0) is the mask's (BoxLeft, BoxTop); otherwise its pixel
  // (x, y) is the mask's. Only pixels inside the box and both bitmaps are touched. Formats:
  // 1-bit mask, any equal pair but pv32RGB; 8-bit mask, both pv24RGB, pv8g, pv8p or pv1g (a
  // set bit copied where m is not 0); other pairs copy nothing. withAlpha adds
  // CopyAlphaThrough.
  void CopyThrough(TPVBitmap& destination, const TPVBitmap& source, bool destinationAtBox,
                   bool sourceAtBox, bool withAlpha);
  // Over the same range the destination's alpha (its plane created when missing) becomes the
  // source's alpha (255 without a plane) where the mask selects, limited to the byte of an
  // 8-bit mask, and 0 where it does not; the plane's Opaque is cleared.
  void CopyAlphaThrough(TPVBitmap& destination, const TPVBitmap& source, bool destinationAtBox,
                        bool sourceAtBox);
  // ---- end of mask drawing and masked copy ----

  int32_t Width = 0;
  int32_t Height = 0;
  int32_t BitsPerPixel = 0;  // 1 or 8; 0 without data
  int32_t RowBytes = 0;
  uint8_t* Data = nullptr;  // Height x RowBytes bytes in dataBlock_; row y at Data + RowBytes x (Height - y - 1)
  int32_t BoxLeft = EmptyBoxLeft;  // inclusive
  int32_t BoxTop = EmptyBoxLeft;
  int32_t BoxRight = 0;
  int32_t BoxBottom = 0;
  TPVBitmapInfo DrawHeader;  // 1-bit header (black, white) for drawing the 1-bit form
  uint8_t* ZoomBuffer = nullptr;  // the drawing code's zoomed copy, owned (new[])
  int32_t ZoomWidth = 0;
  int32_t ZoomHeight = 0;
  std::vector<uint8_t*> ZoomRows;  // ZoomRows[i]: zoom row i from the top (stored bottom-up)
  bool AllSet = false;
  std::unique_ptr<platform::TBitmap> DotBitmap;  // 1 x 1, 24 bits: the outline's brush
  uint8_t* DotRow = nullptr;

 private:
  void EmptyBox();
  void ClampBox();
  void GrowBox(int32_t x, int32_t y);
  void KeepAllSet(bool selectsFully);
  // Mask drawing: the zoom buffer sized for the destination (kept when the size is the same)
  // and filled from the source rectangle; false when it cannot be had.
  bool FillZoomBuffer(int32_t width, int32_t height, int32_t sourceX, int32_t sourceY,
                      int32_t sourceWidth, int32_t sourceHeight);

  TPVPixelBlock dataBlock_;  // owns Data
};

}  // namespace calmora
