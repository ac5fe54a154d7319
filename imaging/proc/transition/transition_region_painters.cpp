// The clip-region painters of the transition table: each kind builds one region for its
// progress, and the whole Target is drawn through it; the canvas itself is never clipped.
#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "imaging/base/numeric_helpers.h"
#include "imaging/proc/transition/transition_painters.h"
#include "imaging/proc/transition/transition_regions.h"
#include "imaging/proc/transition/transition_table.h"
#include "platform/canvas_blit.h"
#include "platform/device_bitmap.h"

namespace calmora {

namespace {

using transitions::BarsRegion;
using transitions::ShredRegion;
using transitions::SpeckleRegion;
using transitions::TriangleRegion;
using transitions::TRegion;
using transitions::TRegionPoint;
using transitions::TRegionRect;

TRegion RoundRegion(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t ew,
                    int32_t eh) {
  return TRegion::FromRoundRect(left, top, right, bottom, ew, eh);
}

TRegion United(std::initializer_list<TRegion> pieces) {
  TRegion region;
  for (const TRegion& piece : pieces) region.Combine(piece, platform::RGN_OR);
  return region;
}

// A pitch made from the band; never 0, so that the stripes advance.
int32_t Pitch(int32_t side, int32_t band) { return std::max(side / std::max(band, 1), 1); }

// Stripes at every pitch from the start edge, each Percent % of the pitch long. A stripe runs
// across the whole frame; fromFar starts it from the far edge and steps backwards.
void AddBlinds(std::vector<TRegionRect>& rects, bool columns, int32_t side, int32_t extent,
               int32_t pitch, int32_t percent, bool fromFar) {
  const int32_t length = static_cast<int32_t>(int64_t{percent} * pitch / 100);
  // From the far edge the stripe is [at - length, at), moving back while its far edge is at
  // least 0; from the near edge it is [at, at + length), moving on while at is inside.
  for (int64_t at = fromFar ? side : 0; fromFar ? at >= 0 : at < side;
       at += fromFar ? -pitch : pitch) {
    const auto a = static_cast<int32_t>(fromFar ? at - length : at);
    const auto b = static_cast<int32_t>(fromFar ? at : at + length);
    rects.push_back(columns ? TRegionRect{0, a, extent, b} : TRegionRect{a, 0, b, extent});
  }
}

// Full-length stripes centred at every pitch, each Percent % of the pitch thick; as for the
// blinds, columns stacks them down the frame (each one a band of rows).
void AddCentredStripes(std::vector<TRegionRect>& rects, bool columns, int32_t side,
                       int32_t extent, int32_t pitch, int32_t percent) {
  const int32_t half = static_cast<int32_t>(int64_t{percent} * pitch / 200);
  for (int64_t centre = pitch / 2; centre - half < side; centre += pitch) {
    const auto a = static_cast<int32_t>(centre - half);
    const auto b = static_cast<int32_t>(centre + half);
    rects.push_back(columns ? TRegionRect{0, a, extent, b} : TRegionRect{a, 0, b, extent});
  }
}

TRegion Shreds(const TTransitionMetrics& m, bool triangles) {
  const int32_t band = std::max(m.Band, 1);
  const int32_t grid = band > 1 ? band / 2 : band;
  const int32_t cellW = m.W / grid;
  const int32_t cellH = m.H / grid;
  if (!triangles) {
    std::vector<TRegionRect> rects;
    const int32_t dx = m.DX / band, dy = m.DY / band;
    for (int32_t c = grid; c >= 0; --c)
      for (int32_t d = grid; d >= 0; --d)
        rects.push_back(TRegionRect{d * cellW - dx, c * cellH - dy, d * cellW + dx, c * cellH + dy});
    return TRegion::FromRects(rects);
  }
  // Each triangle's own pixels, united in one sweep: uniting them one by one would rebuild
  // the growing region for every piece.
  std::vector<TRegionRect> rects;
  const int32_t dx = m.DX / grid, dy = m.DY / grid;
  for (int32_t c = grid; c >= 0; --c)
    for (int32_t d = grid; d >= 0; --d) {
      const std::vector<TRegionRect> pieces =
          TriangleRegion(d * cellW - dx, c * cellH - dy, d * cellW + dx, c * cellH - dy,
                         d * cellW - dx, c * cellH + dy)
              .Rects();
      rects.insert(rects.end(), pieces.begin(), pieces.end());
    }
  return TRegion::FromRects(rects);
}

TRegion Sweep(const TTransitionMetrics& m, int32_t percent, bool clockwise) {
  if (percent == 0) return TRegion();
  const int32_t cx = m.W / 2, cy = m.H / 2;
  const int32_t r = CeilToInt(std::sqrt(static_cast<long double>(cx) * cx +
                                        static_cast<long double>(cy) * cy));
  const double start = -std::numbers::pi / 2;
  const double turn = percent * std::numbers::pi / 50;
  return transitions::PieRegion(cx, cy, r, start, (clockwise ? turn : -turn) + start, percent);
}

TRegion Rotation(const TTransitionMetrics& m, int32_t percent, bool star) {
  const int32_t cx = m.W / 2, cy = m.H / 2;
  const int32_t hx = m.DX / 2, hy = m.DY / 2;
  std::vector<TRegionPoint> points;
  if (star)
    points = {{cx - 2 * m.DX, cy}, {cx - hx, cy - hy}, {cx, cy - 2 * m.DY}, {cx + hx, cy - hy},
              {cx + 2 * m.DX, cy}, {cx + hx, cy + hy}, {cx, cy + 2 * m.DY}, {cx - hx, cy + hy}};
  else
    points = {{cx - hx, cy - hy}, {cx + hx, cy - hy}, {cx + hx, cy + hy}, {cx - hx, cy + hy}};
  transitions::RotatePoints(points, cx, cy, percent * std::numbers::pi_v<long double> / 50);
  return TRegion::FromPolygon(points.data(), static_cast<int32_t>(points.size()));
}

// Kinds 154-163: blinds, uneven blinds and the rectangles that add centred stripes to them.
TRegion Blinds(int32_t kind, const TTransitionMetrics& m, int32_t percent) {
  const int32_t W = m.W, H = m.H;
  std::vector<TRegionRect> rects;
  switch (kind) {
    case 154: AddBlinds(rects, true, H, W, Pitch(H, m.Band), percent, false); break;
    case 155: AddBlinds(rects, false, W, H, Pitch(W, m.Band), percent, false); break;
    case 160: AddCentredStripes(rects, true, H, W, Pitch(H, m.Band), percent); [[fallthrough]];
    case 156: AddBlinds(rects, false, W, H, std::max(m.DX, 1), percent, false); break;
    case 161: AddCentredStripes(rects, true, H, W, Pitch(H, m.Band), percent); [[fallthrough]];
    case 157: AddBlinds(rects, false, W, H, std::max(m.DX, 1), percent, true); break;
    case 162: AddCentredStripes(rects, false, W, H, Pitch(W, m.Band), percent); [[fallthrough]];
    case 158: AddBlinds(rects, true, H, W, std::max(m.DY, 1), percent, false); break;
    case 163: AddCentredStripes(rects, false, W, H, Pitch(W, m.Band), percent); [[fallthrough]];
    case 159: AddBlinds(rects, true, H, W, std::max(m.DY, 1), percent, true); break;
    default: break;
  }
  return TRegion::FromRects(rects);
}

TRegion RegionOf(int32_t kind, const TTransitionMetrics& m, int32_t percent) {
  const int32_t W = m.W, H = m.H, DX = m.DX, DY = m.DY, B = m.Band;
  const auto bars = [&](int32_t xProg, int32_t yProg, int32_t kindX, int32_t kindY) {
    return BarsRegion(xProg, yProg, W, H, B, kindX, kindY);
  };
  // Rows 89, 90 and 128 run with a band of 0: the bars never snap to full length early.
  const auto barsNoSnap = [&](int32_t xProg, int32_t yProg, int32_t kindX, int32_t kindY) {
    return BarsRegion(xProg, yProg, W, H, 0, kindX, kindY);
  };
  const auto shred = [&](int32_t xProg, int32_t yProg, int32_t kindX, int32_t kindY) {
    return ShredRegion(xProg, yProg, W, H, kindX, kindY);
  };
  const auto speckle = [&](int32_t kindX, int32_t kindY) {
    return SpeckleRegion(DX, DY, W, H, kindX, kindY);
  };
  const int32_t cx = W / 2, cy = H / 2;
  switch (kind) {
    case 77: return RoundRegion(-2 * W, -5, 2 * DX, H + 5, 2 * W, 2 * W);
    case 78: return RoundRegion(W - 2 * DX, -5, 3 * W, H + 5, 2 * W, 2 * W);
    case 79: return RoundRegion(-5, -2 * H, W + 5, 2 * DY, 2 * H, 2 * H);
    case 80: return RoundRegion(-5, H - 2 * DY, W + 5, 3 * H, 2 * H, 2 * H);
    case 81: return bars(2 * DX, 0, 2, 0);
    case 82: return bars(2 * DX, 0, 1, 0);
    case 83: return bars(0, 2 * DY, 0, 2);
    case 84: return bars(0, 2 * DY, 0, 1);
    case 85: return bars(2 * DX, 0, 4, 0);
    case 86: return bars(2 * DX, 0, 5, 0);
    case 87: return bars(0, 2 * DY, 0, 4);
    case 88: return bars(0, 2 * DY, 0, 5);
    case 89: return barsNoSnap(DX, 0, 3, 0);
    case 90: return barsNoSnap(0, DY, 0, 3);
    case 91: return shred(DX, 0, 2, 0);
    case 92: return shred(DX, 0, 1, 0);
    case 93: return shred(0, DY, 0, 2);
    case 94: return shred(0, DY, 0, 1);
    case 95: return shred(DX, DY, 2, 2);
    case 96: return shred(DX, DY, 1, 2);
    case 97: return shred(DX, DY, 2, 1);
    case 98: return shred(DX, DY, 1, 1);
    case 99: return shred(DX, DY, 2, 3);
    case 100: return shred(DX, DY, 1, 3);
    case 101: return shred(DX, DY, 3, 2);
    case 102: return shred(DX, DY, 3, 1);
    case 103: return shred(DX, DY, 4, 4);
    case 104: return shred(DX, DY, 3, 3);
    case 105: return shred(0, DY, 0, 4);
    case 106: return shred(DX, 0, 4, 0);
    case 107: return shred(0, DY, 0, 3);
    case 108: return shred(DX, 0, 3, 0);
    case 109: return Shreds(m, false);
    case 110: return Shreds(m, true);
    case 111: return RoundRegion(-2 * W, -2 * H, 2 * DX, 2 * DY, 2 * W, 2 * H);
    case 112: return RoundRegion(W - 2 * DX, -2 * H, 3 * W, 2 * DY, 2 * W, 2 * H);
    case 113: return RoundRegion(-2 * W, H - 2 * DY, 2 * DX, 3 * H, 2 * W, 2 * H);
    // Its corner ellipse is 2H wide where the other three corners use 2W.
    case 114: return RoundRegion(W - 2 * DX, H - 2 * DY, 3 * W, 3 * H, 2 * H, 2 * H);
    case 115: return RoundRegion(cx - DX, cy - DY, cx + DX, cy + DY, 9 * DX / 5, 9 * DY / 5);
    case 116: {
      TRegion region = TRegion::FromRect(0, 0, W, H);
      region.Combine(RoundRegion(DX - cx, DY - cy, 3 * W / 2 - DX, 3 * H / 2 - DY,
                                 9 * (W - DX) / 5, 9 * (H - DY) / 5),
                     platform::RGN_XOR);
      return region;
    }
    case 117: return bars(2 * DX, 2 * DY, 2, 2);
    case 118: return bars(2 * DX, 2 * DY, 1, 2);
    case 119: return bars(2 * DX, 2 * DY, 2, 1);
    case 120: return bars(2 * DX, 2 * DY, 1, 1);
    case 121: return bars(2 * DX, 2 * DY, 4, 4);
    case 122: return bars(2 * DX, 2 * DY, 5, 4);
    case 123: return bars(2 * DX, 2 * DY, 4, 5);
    case 124: return bars(2 * DX, 2 * DY, 5, 5);
    case 125: return bars(DX, DY, 3, 2);
    case 126: return bars(DX, DY, 3, 1);
    case 127: return bars(DX, DY, 2, 3);
    case 128: return barsNoSnap(DX, DY, 3, 3);
    case 129: return bars(DX, DY, 1, 3);
    case 130: {
      TRegion region = bars(2 * DX, 2 * DY, 1, 1);
      region.Combine(bars(2 * DX, 2 * DY, 2, 2), platform::RGN_AND);
      return region;
    }
    case 131: return TriangleRegion(0, 0, 2 * DX, 0, 0, 2 * DY);
    case 132: return TriangleRegion(W, 0, W - 2 * DX, 0, W, 2 * DY);
    case 133: return TriangleRegion(0, H, 2 * DX, H, 0, H - 2 * DY);
    case 134: return TriangleRegion(W, H, W - 2 * DX, H, W, H - 2 * DY);
    case 135: return United({TriangleRegion(W, 0, 0, 0, W, DY), TriangleRegion(W, H, 0, H, 0, H - DY)});
    case 136: return United({TriangleRegion(0, H, 0, 0, DX, H), TriangleRegion(W, H, W, 0, W - DX, 0)});
    case 137: return Sweep(m, percent, true);
    case 138: return Sweep(m, percent, false);
    case 139:
      return United({TriangleRegion(cx, cy, 0, H, 0, H - DY), TriangleRegion(0, 0, DX, 0, cx, cy),
                     TriangleRegion(W - DX, H, cx, cy, W, H), TriangleRegion(cx, cy, W, 0, W, DY)});
    case 140: return Rotation(m, percent, false);
    case 141: return Rotation(m, percent, true);
    case 142: return speckle(2, 0);
    case 143: return speckle(1, 0);
    case 144: return speckle(0, 2);
    case 145: return speckle(0, 1);
    default: return Blinds(kind, m, percent);
  }
}

}  // namespace

bool IsRegionTransition(int32_t Kind) {
  return (Kind >= 77 && Kind <= 145) || (Kind >= 154 && Kind <= 163);
}

void PaintRegionTransition(int32_t Kind, platform::TCanvas& Canvas, platform::TBitmap& Target,
                           const TRect& R, int32_t Scale, int32_t Percent) {
  const TTransitionMetrics metrics = TransitionMetrics(R, Scale, Percent);
  platform::DrawThroughRegion(Canvas, 0, 0, Target, RegionOf(Kind, metrics, Percent));
}

}  // namespace calmora
