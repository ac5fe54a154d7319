// Regions of pixels, in place of the platform's region objects: rectangles (right and bottom
// exclusive), winding polygons and rounded rectangles, combined by OR, XOR and AND, and read
// back as row bands of rectangles. Kept in a QRegion.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

class QRegion;

namespace calmora::platform {

struct TRegionRect {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Right = 0;  // exclusive
  int32_t Bottom = 0;  // exclusive
  friend bool operator==(const TRegionRect&, const TRegionRect&) = default;
};

struct TRegionPoint {
  int32_t X = 0;
  int32_t Y = 0;
};

// The combination modes, numbered as the platform numbers them.
enum TRegionCombineMode : uint8_t { RGN_AND = 1, RGN_OR = 2, RGN_XOR = 3 };

class TRegion {
 public:
  TRegion();  // empty
  ~TRegion();
  TRegion(const TRegion& other);
  TRegion& operator=(const TRegion& other);

  // [left, right) x [top, bottom); empty when either extent is not positive.
  static TRegion FromRect(int32_t left, int32_t top, int32_t right, int32_t bottom);
  // The union of many rectangles, built in one sweep over their rows rather than by pairwise
  // unions, so thousands of pieces cost little. Empty rectangles are skipped.
  static TRegion FromRects(const std::vector<TRegionRect>& rects);
  // The polygon's pixels under the winding rule; fewer than 3 points give an empty region.
  static TRegion FromPolygon(const TRegionPoint* points, int32_t count);
  // The rectangle with corners cut by an ellipse of ellipseWidth x ellipseHeight (each limited
  // to the rectangle's extent), built row by row: a pixel belongs when its centre lies inside
  // the corner ellipse. An ellipse extent below 2 gives square corners.
  static TRegion FromRoundRect(int32_t left, int32_t top, int32_t right, int32_t bottom,
                               int32_t ellipseWidth, int32_t ellipseHeight);

  // This region becomes this region combined with other.
  void Combine(const TRegion& other, TRegionCombineMode mode);

  bool IsEmpty() const;
  bool Contains(int32_t x, int32_t y) const;
  // The region as non-overlapping rectangles, top row band first and left to right in a band.
  std::vector<TRegionRect> Rects() const;

 private:
  std::unique_ptr<QRegion> Region_;
};

}  // namespace calmora::platform
