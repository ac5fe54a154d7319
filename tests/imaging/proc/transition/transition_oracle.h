// The expected frames of the transitions, worked out pixel by pixel from the effects'
// definitions without the rectangle and region code under test: a frame of colours with a
// flag per pixel telling whether the definition fixes it (stretched pixels next to a colour
// edge and pixels next to a curved or slanted region edge are left open).
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <numbers>
#include <vector>

namespace calmora::test {

struct OracleRect {
  int L, T, R, B;
};

struct OracleFrame {
  int W = 0, H = 0;
  std::vector<uint32_t> Color;  // 0xRRGGBB
  std::vector<uint8_t> Known;
  uint32_t At(int x, int y) const { return Color[size_t(y) * W + x]; }
  bool IsKnown(int x, int y) const { return Known[size_t(y) * W + x] != 0; }
  void Set(int x, int y, uint32_t color, bool known) {
    Color[size_t(y) * W + x] = color;
    Known[size_t(y) * W + x] = known;
  }
};

inline OracleFrame MakeFrame(int w, int h, const std::function<uint32_t(int, int)>& color) {
  OracleFrame frame{w, h, std::vector<uint32_t>(size_t(w) * h), std::vector<uint8_t>(size_t(w) * h, 1)};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) frame.Color[size_t(y) * w + x] = color(x, y);
  return frame;
}

// One copy of a rectangle onto the frame: from a picture (or the frame as it was before),
// stretched when the sizes differ, mirrored on request, or a solid fill.
struct OracleCopy {
  OracleRect Dest;
  OracleRect Src;
  const OracleFrame* From = nullptr;  // null: the frame itself before the copy
  bool MirrorH = false, MirrorV = false;
  bool Fill = false;
  uint32_t FillColor = 0;
};

inline void ApplyCopy(OracleFrame& frame, const OracleCopy& copy) {
  const OracleFrame before = frame;
  const OracleFrame& from = copy.From ? *copy.From : before;
  const OracleRect d = copy.Dest, s = copy.Src;
  const int dw = d.R - d.L, dh = d.B - d.T, sw = s.R - s.L, sh = s.B - s.T;
  if (dw <= 0 || dh <= 0) return;
  if (!copy.Fill && (sw <= 0 || sh <= 0)) return;
  const bool plain = !copy.Fill && dw == sw && dh == sh && !copy.MirrorH && !copy.MirrorV;
  // Where a stretched destination pixel's centre lands in the source (clamped into it).
  const auto mapped = [&](int x, int y, int& u, int& v) {
    double fx = (x + 0.5 - d.L) / dw, fy = (y + 0.5 - d.T) / dh;
    if (copy.MirrorH) fx = 1 - fx;
    if (copy.MirrorV) fy = 1 - fy;
    u = std::clamp(s.L + int(std::floor(fx * sw)), s.L, s.R - 1);
    v = std::clamp(s.T + int(std::floor(fy * sh)), s.T, s.B - 1);
  };
  const auto sample = [&](int u, int v, bool& known) -> uint32_t {
    if (u < 0 || v < 0 || u >= from.W || v >= from.H) {
      known = true;
      return 0;  // outside the picture: black
    }
    known = from.IsKnown(u, v);
    return from.At(u, v);
  };
  for (int y = std::max(d.T, 0); y < std::min(d.B, frame.H); ++y)
    for (int x = std::max(d.L, 0); x < std::min(d.R, frame.W); ++x) {
      if (copy.Fill) {
        frame.Set(x, y, copy.FillColor, true);
        continue;
      }
      bool known = false;
      if (plain) {
        const uint32_t color = sample(s.L + x - d.L, s.T + y - d.T, known);
        frame.Set(x, y, color, known);
        continue;
      }
      // A stretched pixel is fixed only where its neighbours' centres, and the source pixels
      // next to where it lands, have the same known colour: near a colour edge the smoothing
      // mixes (over a whole source pixel when enlarging).
      int u, v;
      mapped(x, y, u, v);
      const uint32_t color = sample(u, v, known);
      const auto same = [&](int su, int sv) {
        bool sampleKnown = false;
        su = std::clamp(su, s.L, s.R - 1);
        sv = std::clamp(sv, s.T, s.B - 1);
        return sample(su, sv, sampleKnown) == color && sampleKnown;
      };
      for (int n = -1; n <= 1 && known; ++n)
        for (int m = -1; m <= 1 && known; ++m) {
          int nu, nv;
          mapped(x + m, y + n, nu, nv);
          known = same(nu, nv) && same(u + m, v + n);
        }
      frame.Set(x, y, color, known);
    }
  // A mirrored destination may reach one pixel past each end.
  const auto open = [&](int x, int y) {
    if (x >= 0 && y >= 0 && x < frame.W && y < frame.H) frame.Known[size_t(y) * frame.W + x] = 0;
  };
  if (copy.MirrorH)
    for (int y = d.T; y < d.B; ++y)
      for (int x : {d.L - 1, d.L, d.R - 1, d.R}) open(x, y);
  if (copy.MirrorV)
    for (int x = d.L; x < d.R; ++x)
      for (int y : {d.T - 1, d.T, d.B - 1, d.B}) open(x, y);
}

// Target where inside says so; with a soft edge, pixels whose 3 x 3 neighbourhood is split
// are left open.
inline void ApplyRegion(OracleFrame& frame, const OracleFrame& target,
                        const std::function<bool(int, int)>& inside, bool softEdge) {
  const OracleFrame before = frame;
  for (int y = 0; y < frame.H; ++y)
    for (int x = 0; x < frame.W; ++x) {
      const bool in = inside(x, y);
      bool known = true;
      if (softEdge)
        for (int ny = y - 1; ny <= y + 1; ++ny)
          for (int nx = x - 1; nx <= x + 1; ++nx) known = known && inside(nx, ny) == in;
      if (in)
        frame.Set(x, y, target.At(x, y), known && target.IsKnown(x, y));
      else
        frame.Set(x, y, before.At(x, y), known && before.IsKnown(x, y));
    }
}

// ---- Shapes by pixel centre ----

inline bool InRoundRect(double l, double t, double r, double b, double ew, double eh, int x, int y) {
  ew = std::min(ew, r - l);
  eh = std::min(eh, b - t);
  const double px = x + 0.5, py = y + 0.5;
  if (px < l || px > r || py < t || py > b) return false;
  if (ew < 2 || eh < 2) return true;
  const double a = ew / 2, c = eh / 2;
  const double cx = std::clamp(px, l + a, r - a), cy = std::clamp(py, t + c, b - c);
  const double u = (px - cx) / a, v = (py - cy) / c;
  return u * u + v * v <= 1;
}

struct OraclePoint {
  double X, Y;
};

// The winding number of the polygon about the pixel's centre is not 0.
inline bool InPolygon(const std::vector<OraclePoint>& polygon, int x, int y) {
  const double px = x + 0.5, py = y + 0.5;
  int winding = 0;
  for (size_t i = 0; i < polygon.size(); ++i) {
    const OraclePoint a = polygon[i], b = polygon[(i + 1) % polygon.size()];
    const double cross = (b.X - a.X) * (py - a.Y) - (px - a.X) * (b.Y - a.Y);
    if (a.Y <= py && b.Y > py && cross > 0) ++winding;
    if (a.Y > py && b.Y <= py && cross < 0) --winding;
  }
  return winding != 0;
}

}  // namespace calmora::test
