// Geometry helpers on integer screen coordinates (x to the right, y downwards): rectangle and
// point tests, distances for hit testing, angles, point rotation, polygon tests, box fitting.
#pragma once

#include <cstdint>

namespace calmora {

struct TPoint {
  int32_t x = 0;
  int32_t y = 0;
  friend bool operator==(const TPoint&, const TPoint&) = default;
};

// Edges inclusive where the operations below say so.
struct TRect {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Right = 0;
  int32_t Bottom = 0;
  friend bool operator==(const TRect&, const TRect&) = default;
};

// A 16-byte unique id (layers carry one).
struct TGUID {
  uint32_t D1 = 0;
  uint16_t D2 = 0;
  uint16_t D3 = 0;
  uint8_t D4[8] = {};
};
static_assert(sizeof(TGUID) == 16);

// The 60-byte font record that vector objects store and files carry.
struct LOGFONTA {
  int32_t lfHeight = 0;
  int32_t lfWidth = 0;
  int32_t lfEscapement = 0;
  int32_t lfOrientation = 0;
  int32_t lfWeight = 0;
  uint8_t lfItalic = 0;
  uint8_t lfUnderline = 0;
  uint8_t lfStrikeOut = 0;
  uint8_t lfCharSet = 0;
  uint8_t lfOutPrecision = 0;
  uint8_t lfClipPrecision = 0;
  uint8_t lfQuality = 0;
  uint8_t lfPitchAndFamily = 0;
  char lfFaceName[32] = {};
};
static_assert(sizeof(LOGFONTA) == 60);

enum TFontStyle : uint8_t { fsBold, fsItalic, fsUnderline, fsStrikeOut };

// A set of font styles: bit n stands for the style of ordinal n.
struct TFontStyles {
  uint8_t Bits = 0;
  bool Contains(TFontStyle Style) const { return (Bits >> Style) & 1u; }
  void Include(TFontStyle Style) { Bits = static_cast<uint8_t>(Bits | (1u << Style)); }
  bool IsEmpty() const { return Bits == 0; }
  friend bool operator==(const TFontStyles&, const TFontStyles&) = default;
};

// What the hit tests read as "far away", and the result of an empty pen-width loop.
inline constexpr double FarDistance = 1000000.0;
inline constexpr double NoDistance = 2147483647.0;

// ---- Rectangles and points ----

// The box of the corners (x1, y1), (x2, y2), given in any order, overlaps the rectangle;
// touching edges count.
bool RectsIntersect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t left, int32_t top,
                    int32_t right, int32_t bottom);
bool IsPointInRect(int32_t x, int32_t y, int32_t left, int32_t top, int32_t right,
                   int32_t bottom);
bool IsPointInCornerRect(int32_t x, int32_t y, int32_t x1, int32_t y1, int32_t x2, int32_t y2);
void ExtendRectToPoint(TRect& Rect, int32_t x, int32_t y);
// Scales width x height into the box keeping the aspect; each side truncated and at least 1.
// Leaves the outputs alone when width or height is 0.
void FitSizeInBox(int32_t width, int32_t height, int32_t boxWidth, int32_t boxHeight,
                  int32_t& newWidth, int32_t& newHeight);
// Moves the free end (x, y) onto the vertical, the horizontal or a 45-degree diagonal through
// the fixed point (x0, y0).
void ConstrainLineEnd(int32_t x0, int32_t y0, int32_t& x, int32_t& y);

// ---- Distances ----

double CalcDistance(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
// Distance to the infinite line through the two points; two equal points throw
// std::domain_error (a division by zero).
double CalcDistanceToLine(int32_t x, int32_t y, int32_t x1, int32_t y1, int32_t x2, int32_t y2);
// Distance to the segment; FarDistance when the nearer end is more than 45000 away on an axis.
double CalcDistanceToSegment(int32_t x, int32_t y, int32_t x1, int32_t y1, int32_t x2,
                             int32_t y2);
// The three distances with a pen width are the smallest segment distance over every offset of
// the pen (and every ellipse sample), found in a time that does not grow with the pen or the
// radius. Exact, except where over ~65,000 candidates come within a hair of the nearest (a
// point near the centre of an outline tens of thousands of pixels across): then never below
// the exact value, and above it only by a fraction of a pixel, or, where every candidate is
// over 45000 away, by another of the far values.
//
// Points are mapped to Round((p - origin) * scale + offset) first; FarDistance for count <= 0.
double CalcDistanceToPolyline(int32_t x, int32_t y, const TPoint* points, int32_t count,
                              int32_t originX, int32_t originY, int32_t offsetX,
                              int32_t offsetY, double scaleX, double scaleY, int32_t penWidth,
                              bool closed);
double CalcDistanceToRectangle(int32_t x, int32_t y, int32_t left, int32_t top, int32_t right,
                               int32_t bottom, bool filled, int32_t penWidth);
double CalcDistanceToEllipse(int32_t x, int32_t y, int32_t left, int32_t top, int32_t right,
                             int32_t bottom, bool filled, int32_t penWidth);

// ---- Angles, in radians ----

long double CalcArcTan2(long double y, long double x);
long double CalcArcCos(long double c);
long double CalcAngleBetweenSegments(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3,
                                     int32_t y3);
// Direction of P1 -> P2 in 0..2 pi, counter-clockwise as seen on the screen (up is pi/2).
long double CalcLineAngle(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
int CalcTurnDirection(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t x2, int32_t y2);
// Angle at P1 between P1 -> P0 and P1 -> P2, 0..2 pi.
long double CalcVertexAngle(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t x2,
                            int32_t y2);

// ---- Point lists ----

// Rotates points 0..lastIndex in place about (cx, cy); positive degrees turn
// counter-clockwise as seen on the screen.
void RotatePoints(TPoint* points, int32_t lastIndex, int32_t cx, int32_t cy, double angle);
// Even-odd test against the polygon of points 0..lastIndex.
bool IsPointInPolygon(int32_t x, int32_t y, const TPoint* points, int32_t lastIndex);
// The same test on the points mapped to (p - origin) * scale + offset, unrounded.
bool IsPointInScaledPolygon(int32_t x, int32_t y, const TPoint* points, int32_t count,
                            int32_t originX, int32_t originY, int32_t offsetX, int32_t offsetY,
                            double scaleX, double scaleY);

// ---- Conversions ----

TFontStyles LogFontToFontStyles(const LOGFONTA* LogFont);
bool SameGUID(const TGUID& a, const TGUID& b);

}  // namespace calmora
