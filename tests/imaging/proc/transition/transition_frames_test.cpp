// Every deterministic transition kind at several steps, on a landscape and a portrait frame,
// against frames worked out per pixel from the effects' definitions (transition_oracle.h):
// with textured pictures (every pixel distinct) for the exact copies, with pictures split in
// quadrants for the orientation of stretches, and with one-colour pictures for their coverage.
#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>

#include "imaging/proc/transition/transition_effects.h"
#include "imaging/proc/transition/transition_table.h"
#include "platform/device_bitmap.h"
#include "tests/imaging/proc/transition/transition_oracle.h"

namespace calmora::test {
namespace {

using platform::TBitmap;

// ---- The pictures ----

enum class Pictures { kTextured, kQuadrants, kSolid };

OracleFrame Picture(Pictures kind, int w, int h, uint32_t salt) {
  switch (kind) {
    case Pictures::kTextured:
      // An odd multiplier keeps every pixel's colour distinct.
      return MakeFrame(w, h, [=](int x, int y) { return ((y * w + x) * 2654435761u + salt) & 0xFFFFFF; });
    case Pictures::kQuadrants:
      return MakeFrame(w, h, [=](int x, int y) {
        return (0x203040u * (1 + (x >= w / 2) + 2 * (y >= h / 2)) + salt) & 0xFFFFFF;
      });
    case Pictures::kSolid: return MakeFrame(w, h, [=](int, int) { return 0x80C040u ^ salt; });
  }
  return {};
}

void Store(const OracleFrame& frame, TBitmap& bitmap) {
  ASSERT_TRUE(bitmap.SetPixelFormat(platform::pf24bit));
  ASSERT_TRUE(bitmap.SetSize(frame.W, frame.H));
  for (int y = 0; y < frame.H; ++y)
    for (int x = 0; x < frame.W; ++x) {
      uint8_t* p = bitmap.GetScanLine(y) + 3 * x;
      const uint32_t c = frame.At(x, y);
      p[0] = uint8_t(c), p[1] = uint8_t(c >> 8), p[2] = uint8_t(c >> 16);
    }
}

uint32_t ColorAt(TBitmap& bitmap, int x, int y) {
  const uint8_t* p = bitmap.GetScanLine(y) + 3 * x;
  return p[0] | (p[1] << 8) | (p[2] << 16);
}

// ---- The progress, as the metrics define it ----

int MulDivModel(int a, int b, int c) {
  const double exact = double(a) * b / c;
  return int(exact < 0 ? -std::floor(-exact + 0.5) : std::floor(exact + 0.5));
}

struct Progress {
  int W, H, DX, DY, Band;
};

Progress ProgressOf(int w, int h, int percent) {
  Progress p{w, h, 0, 0, MulDivModel(std::max(w, h), 1, 90)};
  if (w >= h) {
    p.DX = MulDivModel(w, percent, 100);
    p.DY = MulDivModel(p.DX, h, w);
  } else {
    p.DY = MulDivModel(h, percent, 100);
    p.DX = MulDivModel(p.DY, w, h);
  }
  return p;
}

// ---- The expected frames ----

struct Scene {
  const OracleFrame& S;
  const OracleFrame& T;
  int Step;
};

OracleCopy From(const OracleFrame& picture, OracleRect dest, OracleRect src) {
  return OracleCopy{dest, src, &picture};
}
OracleCopy InPlace(const OracleFrame& picture, OracleRect rect) {
  return OracleCopy{rect, rect, &picture};
}
OracleCopy Red(OracleRect rect) {
  OracleCopy copy{rect, rect};
  copy.Fill = true;
  copy.FillColor = 0xFF0000;
  return copy;
}

int Shift10(long long a, int s) { return int((a * s) >> 10); }
int RoundHalfEven(double v) { return int(std::nearbyint(v)); }

// The engine's kinds 1-24 and 27-30 at step s, painted after the frame of step 0.
std::vector<OracleCopy> EngineCopies(int kind, const Scene& scene, int W, int H) {
  const int s = scene.Step;
  const OracleFrame &S = scene.S, &T = scene.T;
  const OracleRect whole{0, 0, W, H};
  const auto centred = [&](int k) {
    const int x = W / 2 - Shift10(W / 2, k), y = H / 2 - Shift10(H / 2, k);
    return OracleRect{x, y, x + Shift10(W, k), y + Shift10(H, k)};
  };
  switch (kind) {
    case 5:
    case 6: {
      const int x = Shift10(W, s);
      if (kind == 5) return {InPlace(T, {0, 0, x, H})};
      return {InPlace(T, {0, 0, x, H}), Red({x, 0, x + 1, H})};
    }
    case 7:
    case 8: {
      const int x = RoundHalfEven(W * (1024.0 - s) / 1024);
      const OracleCopy copy = InPlace(T, {x, 0, x + RoundHalfEven(s * double(W) / 1024), H});
      if (kind == 7) return {copy};
      return {copy, Red({x, 0, x + 1, H})};
    }
    case 9:
    case 10: {
      const int y = RoundHalfEven(s * double(H) / 1024);
      if (kind == 9) return {InPlace(T, {0, 0, W, y})};
      return {InPlace(T, {0, 0, W, y}), Red({0, y, W, y + 1})};
    }
    case 11:
    case 12: {
      const int y = RoundHalfEven(H * (1024.0 - s) / 1024);
      const OracleCopy copy = InPlace(T, {0, y, W, y + RoundHalfEven(s * double(H) / 1024)});
      if (kind == 11) return {copy};
      return {copy, Red({0, y, W, y + 1})};
    }
    case 13:
    case 14:
    case 15:
    case 16: {
      const int dx = Shift10(1024 - s, W) , dy = Shift10(1024 - s, H);
      const int x = (kind == 13 || kind == 15) ? -dx : dx;
      const int y = (kind == 13 || kind == 14) ? -dy : dy;
      return {From(T, {x, y, x + W, y + H}, whole)};
    }
    case 27: return {InPlace(T, centred(s))};
    case 28: return {InPlace(T, whole), InPlace(S, centred(1024 - s))};
    case 29: return {From(T, centred(s), whole)};
    case 30: return {InPlace(T, whole), From(S, centred(1024 - s), whole)};
    default: return {};
  }
}

// Kinds 1-4 and 17-24: each pixel from a formula.
std::optional<uint32_t> EnginePixel(int kind, const Scene& scene, int W, int H, int x, int y) {
  const int s = scene.Step;
  const auto blend = [](uint32_t a, uint32_t b, int k) {
    uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8)
      out |= uint32_t((((a >> shift) & 255) * (1024 - k) + ((b >> shift) & 255) * k) >> 10) << shift;
    return out;
  };
  const uint32_t background = 0;  // no view: black
  const int across = Shift10(W, s), acrossLeft = Shift10(W, 1024 - s);
  const int down = Shift10(H, s), downLeft = Shift10(H, 1024 - s);
  const OracleFrame &S = scene.S, &T = scene.T;
  switch (kind) {
    case 1: return blend(S.At(x, y), T.At(x, y), s);
    case 2: return blend(S.At(x, y), background, s);
    case 3: return blend(background, T.At(x, y), s);
    case 4: return s < 512 ? blend(S.At(x, y), background, 2 * s) : blend(background, T.At(x, y), 2 * s - 1024);
    case 17: return x < across ? T.At(W - across + x, y) : S.At(x - across, y);
    case 18: return x < across ? T.At(x, y) : S.At(x - across, y);
    case 19: return x < acrossLeft ? S.At(W - acrossLeft + x, y) : T.At(x - acrossLeft, y);
    case 20: return x < acrossLeft ? S.At(x, y) : T.At(x - acrossLeft, y);
    case 21: return y < down ? T.At(x, H - down + y) : S.At(x, y - down);
    case 22: return y < down ? T.At(x, y) : S.At(x, y - down);
    case 23: return y < downLeft ? S.At(x, H - downLeft + y) : T.At(x, y - downLeft);
    case 24: return y < downLeft ? S.At(x, H - downLeft + y) : T.At(x, y);
    default: return std::nullopt;
  }
}

int RollOf(int progress, int side) {
  if (progress < side / 5) return progress / 2;
  if (side - progress < side / 5) return (side - progress) / 2;
  return side / 10;
}

// The rectangle kinds of the table (31-76, 146-153) at Percent.
std::vector<OracleCopy> TableCopies(int kind, const OracleFrame& T, const Progress& p) {
  const int W = p.W, H = p.H, DX = p.DX, DY = p.DY, band = std::max(p.Band, 1);
  const OracleRect R{0, 0, W, H};
  const auto t = [&](OracleRect d, OracleRect s) { return From(T, d, s); };
  const auto in = [&](OracleRect r) { return InPlace(T, r); };
  const auto c = [&](OracleRect d, OracleRect s) { return OracleCopy{d, s, nullptr}; };
  const auto mirrored = [&](OracleRect d, OracleRect s, bool across) {
    OracleCopy copy = From(T, d, OracleRect{std::max(s.L, 0), std::max(s.T, 0), std::min(s.R, W), std::min(s.B, H)});
    (across ? copy.MirrorH : copy.MirrorV) = true;
    return copy;
  };
  switch (kind) {
    case 31: return {t({0, 0, DX, H}, R)};
    case 32: return {t({W - DX, 0, W, H}, R)};
    case 33: return {t({0, 0, W, DY}, R)};
    case 34: return {t({0, H - DY, W, H}, R)};
    case 35: return {t({0, 0, DX, DY}, R)};
    case 36: return {t({W - DX, 0, W, DY}, R)};
    case 37: return {t({0, H - DY, DX, H}, R)};
    case 38: return {t({W - DX, H - DY, W, H}, R)};
    case 39: return {t({DX - W, 0, W, H}, {W - DX, 0, W, H})};
    case 40: return {t({0, 0, 2 * W - DX, H}, {0, 0, DX, H})};
    case 41: return {t({0, DY - H, W, H}, {0, H - DY, W, H})};
    case 42: return {t({0, 0, W, 2 * H - DY}, {0, 0, W, DY})};
    case 43: return {t({DX - W, 0, 2 * W - DX, H}, {(W - DX) / 2, 0, (W + DX) / 2, H})};
    case 44: return {t({0, DY - H, W, 2 * H - DY}, {0, (H - DY) / 2, W, (H + DY) / 2})};
    case 45: return {t({0, 0, DX / 2 + 1, H}, {0, 0, W / 2 + 1, H}), t({W - DX / 2 - 1, 0, W, H}, {W / 2, 0, W, H})};
    case 46: return {t({0, 0, W, DY / 2 + 1}, {0, 0, W, H / 2 + 1}), t({0, H - DY / 2 - 1, W, H}, {0, H / 2, W, H})};
    case 47: return {t({0, (H - DY) / 2, W, (H + DY) / 2}, R)};
    case 48: return {t({(W - DX) / 2, 0, (W + DX) / 2, H}, R)};
    case 49: return {in({0, 0, DX, DY})};
    case 50: return {in({W - DX, 0, W, DY})};
    case 51: return {in({0, H - DY, DX, H})};
    case 52: return {in({W - DX, H - DY, W, H})};
    case 53: return {in({0, (H - DY) / 2, W, (H + DY) / 2})};
    case 54: return {in({0, 0, DX / 2 + 1, H}), in({W - DX / 2 - 1, 0, W, H})};
    case 55: return {in({(W - DX) / 2, 0, (W + DX) / 2, H})};
    case 56: return {in({W - DX, 0, W, H}), t({0, 0, W - DX, H}, {std::max(W - DX - W / band, 0), 0, W - DX, H})};
    case 57: return {in({0, 0, DX, H}), t({DX, 0, W, H}, {DX, 0, std::min(DX + W / band, W), H})};
    case 58: return {in({0, H - DY, W, H}), t({0, 0, W, H - DY}, {0, std::max(H - DY - H / band, 0), W, H - DY})};
    case 59: return {in({0, 0, W, DY}), t({0, DY, W, H}, {0, DY, W, std::min(DY + H / band, H)})};
    case 60: {
      const int r = RollOf(DX, W);
      return {mirrored({DX, 0, DX + r, H}, {DX + r, 0, DX + 2 * r, H}, true), in({0, 0, DX, H})};
    }
    case 61: {
      const int r = RollOf(DX, W), e = W - DX;
      return {mirrored({e - r, 0, e, H}, {e - 2 * r, 0, e - r, H}, true), in({e, 0, W, H})};
    }
    case 62: {
      const int r = RollOf(DY, H);
      return {mirrored({0, DY, W, DY + r}, {0, DY + r, W, DY + 2 * r}, false), in({0, 0, W, DY})};
    }
    case 63: {
      const int r = RollOf(DY, H), e = H - DY;
      return {mirrored({0, e - r, W, e}, {0, e - 2 * r, W, e - r}, false), in({0, e, W, H})};
    }
    case 64: return {t({DX - W, 0, DX, H}, R)};
    case 65: return {t({W - DX, 0, 2 * W - DX, H}, R)};
    case 66: return {t({0, DY - H, W, DY}, R)};
    case 67: return {t({0, H - DY, W, 2 * H - DY}, R)};
    case 68: return {in({0, 0, W, DY / 2 + 1}), in({0, H - DY / 2 - 1, W, H})};
    case 69: return {t({0, 0, 2 * W - DX, 2 * H - DY}, {0, 0, DX, DY})};
    case 70: return {t({DX - W, 0, W, 2 * H - DY}, {W - DX, 0, W, DY})};
    case 71: return {t({0, DY - H, 2 * W - DX, H}, {0, H - DY, DX, H})};
    case 72: return {t({DX - W, DY - H, W, H}, {W - DX, H - DY, W, H})};
    case 73: return {t({DX - W, DY - H, 2 * W - DX, 2 * H - DY}, {(W - DX) / 2, (H - DY) / 2, (W + DX) / 2, (H + DY) / 2})};
    case 74:
      return {in({0, 0, DX / 2 + 1, DY / 2 + 1}), in({0, H - DY / 2 - 1, DX / 2 + 1, H}),
              in({W - DX / 2 - 1, H - DY / 2 - 1, W, H}), in({W - DX / 2 - 1, 0, W, DY / 2 + 1})};
    case 75:
      return {t({0, 0, DX / 2 + 1, DY / 2 + 1}, {0, 0, W / 2 + 1, H / 2 + 1}),
              t({0, H - DY / 2, DX / 2 + 1, H}, {0, H / 2 + 1, W / 2 + 1, H}),
              t({W - DX / 2, H - DY / 2, W, H}, {W / 2 + 1, H / 2 + 1, W, H}),
              t({W - DX / 2, 0, W, DY / 2 + 1}, {W / 2 + 1, 0, W, H / 2 + 1})};
    case 76:
      return {t({(DX - W) / 2, 0, DX / 2 + 1, H / 2 + 1}, {0, 0, W / 2 + 1, H / 2 + 1}),
              t({W / 2 - 1, (DY - H) / 2, W, DY / 2 + 1}, {W / 2 - 1, 0, W, H / 2 + 1}),
              t({W - DX / 2, H / 2 - 1, W + (W - DX) / 2, H}, {W / 2 + 1, H / 2 - 1, W, H}),
              t({0, H - DY / 2, W / 2 + 1, H + (H - DY) / 2}, {0, H / 2 + 1, W / 2 + 1, H})};
    case 146: return {c({0, 0, W - DX, H}, {DX, 0, W, H}), t({W - DX, 0, W, H}, {0, 0, DX, H})};
    case 147: return {c({DX, 0, W, H}, {0, 0, W - DX, H}), t({0, 0, DX, H}, {W - DX, 0, W, H})};
    case 148: return {c({0, 0, W, H - DY}, {0, DY, W, H}), t({0, H - DY, W, H}, {0, 0, W, DY})};
    case 149: return {c({0, DY, W, H}, {0, 0, W, H - DY}), t({0, 0, W, DY}, {0, H - DY, W, H})};
    case 150: return {c({0, 0, W - DX, H}, R), t({W - DX, 0, W, H}, {0, 0, DX, H})};
    case 151: return {c({DX, 0, W, H}, R), t({0, 0, DX, H}, {W - DX, 0, W, H})};
    case 152: return {c({0, 0, W, H - DY}, R), t({0, H - DY, W, H}, {0, 0, W, DY})};
    case 153: return {c({0, DY, W, H}, R), t({0, 0, W, DY}, {0, H - DY, W, H})};
    default: return {};
  }
}

// Bars by rows (or columns with the axes swapped): a pixel at position along the bar and
// row index across.
bool InBars(int along, int across, int progress, int side, int band, int kind) {
  const bool evenRow = across % 10 < 5;
  if (progress > side) {
    if (evenRow) return true;
    if (kind == 1 || kind == 4) return along >= 2 * side - progress;
    if (kind == 2 || kind == 5) return along < progress - side;
    return false;
  }
  if (side < band + progress) progress = side;
  switch (kind) {
    case 1:
    case 5: return evenRow && along >= side - progress;
    case 2:
    case 4: return evenRow && along < progress;
    case 3: return evenRow ? along >= side - progress : along < progress;
    default: return false;
  }
}

bool Bars(const Progress& p, int x, int y, int xProg, int yProg, int kindX, int kindY, int band) {
  if (x < 0 || y < 0 || x >= p.W || y >= p.H) return false;
  return (kindX != 0 && InBars(x, y, xProg, p.W, band, kindX)) ||
         (kindY != 0 && InBars(y, x, yProg, p.H, band, kindY));
}

// Stripes every pitch, length long from the near edge (or from the far edge).
bool InBlind(int at, int side, int pitch, int length, bool fromFar) {
  if (at < 0 || at >= side) return false;
  return fromFar ? (side - 1 - at) % pitch < length : at % pitch < length;
}

bool InCentredStripe(int at, int side, int pitch, int percent) {
  const int half = percent * pitch / 200;
  for (int centre = pitch / 2; centre - half < side; centre += pitch)
    if (at >= centre - half && at < centre + half) return true;
  return false;
}

std::vector<OraclePoint> Triangle(double x1, double y1, double x2, double y2, double x3, double y3) {
  return {{x1, y1}, {x2, y2}, {x3, y3}};
}

// A region's pixels, and those left open: next to a curved edge (their neighbours disagree)
// or within reach of a slanted one.
struct RegionModel {
  std::function<bool(int, int)> Inside;
  bool SoftEdge = false;
  std::function<bool(int, int)> NearEdge = nullptr;
};

double DistanceToSegment(OraclePoint p, OraclePoint a, OraclePoint b) {
  const double dx = b.X - a.X, dy = b.Y - a.Y;
  const double length = dx * dx + dy * dy;
  const double t = length == 0 ? 0 : std::clamp(((p.X - a.X) * dx + (p.Y - a.Y) * dy) / length, 0.0, 1.0);
  return std::hypot(p.X - a.X - t * dx, p.Y - a.Y - t * dy);
}

// The region kinds that draw no random edges, or nothing for the random ones.
std::optional<RegionModel> RegionOf(int kind, const Progress& p, int percent) {
  const int W = p.W, H = p.H, DX = p.DX, DY = p.DY, B = p.Band;
  const auto round = [](double l, double t, double r, double b, double ew, double eh) {
    return RegionModel{[=](int x, int y) { return InRoundRect(l, t, r, b, ew, eh, x, y); }, true};
  };
  const auto bars = [&](int xProg, int yProg, int kindX, int kindY, int band) {
    return RegionModel{[=](int x, int y) { return Bars(p, x, y, xProg, yProg, kindX, kindY, band); }, false};
  };
  const auto polygons = [](std::vector<std::vector<OraclePoint>> shapes) {
    return RegionModel{[=](int x, int y) {
                         for (const auto& shape : shapes)
                           if (InPolygon(shape, x, y)) return true;
                         return false;
                       },
                       false,
                       [=](int x, int y) {
                         const OraclePoint centre{x + 0.5, y + 0.5};
                         for (const auto& shape : shapes)
                           for (size_t i = 0; i < shape.size(); ++i)
                             if (DistanceToSegment(centre, shape[i], shape[(i + 1) % shape.size()]) < 1.5)
                               return true;
                         return false;
                       }};
  };
  const int cx = W / 2, cy = H / 2;
  const int band = std::max(B, 1);
  switch (kind) {
    case 77: return round(-2 * W, -5, 2 * DX, H + 5, 2 * W, 2 * W);
    case 78: return round(W - 2 * DX, -5, 3 * W, H + 5, 2 * W, 2 * W);
    case 79: return round(-5, -2 * H, W + 5, 2 * DY, 2 * H, 2 * H);
    case 80: return round(-5, H - 2 * DY, W + 5, 3 * H, 2 * H, 2 * H);
    case 81: return bars(2 * DX, 0, 2, 0, B);
    case 82: return bars(2 * DX, 0, 1, 0, B);
    case 83: return bars(0, 2 * DY, 0, 2, B);
    case 84: return bars(0, 2 * DY, 0, 1, B);
    case 85: return bars(2 * DX, 0, 4, 0, B);
    case 86: return bars(2 * DX, 0, 5, 0, B);
    case 87: return bars(0, 2 * DY, 0, 4, B);
    case 88: return bars(0, 2 * DY, 0, 5, B);
    case 89: return bars(DX, 0, 3, 0, 0);
    case 90: return bars(0, DY, 0, 3, 0);
    case 109: {
      const int grid = band > 1 ? band / 2 : band, cw = W / grid, ch = H / grid;
      const int dx = DX / band, dy = DY / band;
      return RegionModel{[=](int x, int y) {
                           for (int c = 0; c <= grid; ++c)
                             for (int d = 0; d <= grid; ++d)
                               if (x >= d * cw - dx && x < d * cw + dx && y >= c * ch - dy && y < c * ch + dy)
                                 return true;
                           return false;
                         },
                         false};
    }
    case 110: {
      const int grid = band > 1 ? band / 2 : band, cw = W / grid, ch = H / grid;
      const int dx = DX / grid, dy = DY / grid;
      std::vector<std::vector<OraclePoint>> shapes;
      for (int c = 0; c <= grid; ++c)
        for (int d = 0; d <= grid; ++d)
          shapes.push_back(Triangle(d * cw - dx, c * ch - dy, d * cw + dx, c * ch - dy, d * cw - dx, c * ch + dy));
      return polygons(shapes);
    }
    case 111: return round(-2 * W, -2 * H, 2 * DX, 2 * DY, 2 * W, 2 * H);
    case 112: return round(W - 2 * DX, -2 * H, 3 * W, 2 * DY, 2 * W, 2 * H);
    case 113: return round(-2 * W, H - 2 * DY, 2 * DX, 3 * H, 2 * W, 2 * H);
    case 114: return round(W - 2 * DX, H - 2 * DY, 3 * W, 3 * H, 2 * H, 2 * H);
    case 115: return round(cx - DX, cy - DY, cx + DX, cy + DY, 9 * DX / 5, 9 * DY / 5);
    case 116: {
      const RegionModel inner = round(DX - cx, DY - cy, 3 * W / 2 - DX, 3 * H / 2 - DY, 9 * (W - DX) / 5, 9 * (H - DY) / 5);
      return RegionModel{[=](int x, int y) {
                           const bool inFrame = x >= 0 && y >= 0 && x < W && y < H;
                           return inFrame != inner.Inside(x, y);
                         },
                         true};
    }
    case 117: return bars(2 * DX, 2 * DY, 2, 2, B);
    case 118: return bars(2 * DX, 2 * DY, 1, 2, B);
    case 119: return bars(2 * DX, 2 * DY, 2, 1, B);
    case 120: return bars(2 * DX, 2 * DY, 1, 1, B);
    case 121: return bars(2 * DX, 2 * DY, 4, 4, B);
    case 122: return bars(2 * DX, 2 * DY, 5, 4, B);
    case 123: return bars(2 * DX, 2 * DY, 4, 5, B);
    case 124: return bars(2 * DX, 2 * DY, 5, 5, B);
    case 125: return bars(DX, DY, 3, 2, B);
    case 126: return bars(DX, DY, 3, 1, B);
    case 127: return bars(DX, DY, 2, 3, B);
    case 128: return bars(DX, DY, 3, 3, 0);
    case 129: return bars(DX, DY, 1, 3, B);
    case 130:
      return RegionModel{[=](int x, int y) {
                           return Bars(p, x, y, 2 * DX, 2 * DY, 1, 1, B) && Bars(p, x, y, 2 * DX, 2 * DY, 2, 2, B);
                         },
                         false};
    case 131: return polygons({Triangle(0, 0, 2 * DX, 0, 0, 2 * DY)});
    case 132: return polygons({Triangle(W, 0, W - 2 * DX, 0, W, 2 * DY)});
    case 133: return polygons({Triangle(0, H, 2 * DX, H, 0, H - 2 * DY)});
    case 134: return polygons({Triangle(W, H, W - 2 * DX, H, W, H - 2 * DY)});
    case 135: return polygons({Triangle(W, 0, 0, 0, W, DY), Triangle(W, H, 0, H, 0, H - DY)});
    case 136: return polygons({Triangle(0, H, 0, 0, DX, H), Triangle(W, H, W, 0, W - DX, 0)});
    case 137:
    case 138: {
      if (percent == 0) return RegionModel{[](int, int) { return false; }, false};
      const int r = int(std::ceil(std::sqrt(double(cx) * cx + double(cy) * cy)));
      const double start = -std::numbers::pi / 2;
      const double end = start + (kind == 137 ? 1 : -1) * percent * std::numbers::pi / 50;
      std::vector<OraclePoint> pie{{double(cx), double(cy)}};
      for (int k = 0; k <= percent; ++k) {
        const double a = start + k * (end - start) / percent;
        pie.push_back({cx + std::nearbyint(r * std::cos(a)), cy + std::nearbyint(r * std::sin(a))});
      }
      return polygons({pie});
    }
    case 139:
      return polygons({Triangle(cx, cy, 0, H, 0, H - DY), Triangle(0, 0, DX, 0, cx, cy),
                       Triangle(W - DX, H, cx, cy, W, H), Triangle(cx, cy, W, 0, W, DY)});
    case 140:
    case 141: {
      const int hx = DX / 2, hy = DY / 2;
      std::vector<OraclePoint> shape;
      if (kind == 140)
        shape = {{double(cx - hx), double(cy - hy)}, {double(cx + hx), double(cy - hy)},
                 {double(cx + hx), double(cy + hy)}, {double(cx - hx), double(cy + hy)}};
      else
        shape = {{double(cx - 2 * DX), double(cy)}, {double(cx - hx), double(cy - hy)},
                 {double(cx), double(cy - 2 * DY)}, {double(cx + hx), double(cy - hy)},
                 {double(cx + 2 * DX), double(cy)}, {double(cx + hx), double(cy + hy)},
                 {double(cx), double(cy + 2 * DY)}, {double(cx - hx), double(cy + hy)}};
      const double a = percent * std::numbers::pi / 50;
      for (OraclePoint& point : shape) {
        const double dx = point.X - cx, dy = point.Y - cy;
        point = {cx + std::nearbyint(dx * std::cos(a) - dy * std::sin(a)),
                 cy + std::nearbyint(dx * std::sin(a) + dy * std::cos(a))};
      }
      return polygons({shape});
    }
    case 154:
      return RegionModel{[=](int x, int y) {
                           const int pitch = std::max(H / band, 1);
                           return x >= 0 && x < W && InBlind(y, H, pitch, percent * pitch / 100, false);
                         },
                         false};
    case 155:
      return RegionModel{[=](int x, int y) {
                           const int pitch = std::max(W / band, 1);
                           return y >= 0 && y < H && InBlind(x, W, pitch, percent * pitch / 100, false);
                         },
                         false};
    case 156:
    case 157:
    case 160:
    case 161:
      return RegionModel{[=](int x, int y) {
                           if (x < 0 || y < 0 || x >= W || y >= H) return false;
                           const int pitch = std::max(DX, 1);
                           const bool blind = InBlind(x, W, pitch, percent * pitch / 100, kind == 157 || kind == 161);
                           return blind || (kind >= 160 && InCentredStripe(y, H, std::max(H / band, 1), percent));
                         },
                         false};
    case 158:
    case 159:
    case 162:
    case 163:
      return RegionModel{[=](int x, int y) {
                           if (x < 0 || y < 0 || x >= W || y >= H) return false;
                           const int pitch = std::max(DY, 1);
                           const bool blind = InBlind(y, H, pitch, percent * pitch / 100, kind == 159 || kind == 163);
                           return blind || (kind >= 160 && InCentredStripe(x, W, std::max(W / band, 1), percent));
                         },
                         false};
    default: return std::nullopt;
  }
}

// The frame expected after step 0 and then step s, or nothing for the random kinds.
std::optional<OracleFrame> Expected(int kind, const Scene& scene) {
  const OracleFrame &S = scene.S, &T = scene.T;
  const int W = S.W, H = S.H;
  OracleFrame frame = S;
  if (kind <= 30) {
    if (kind == 25 || kind == 26) return std::nullopt;
    if (EnginePixel(kind, scene, W, H, 0, 0)) {
      for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) frame.Set(x, y, *EnginePixel(kind, scene, W, H, x, y), true);
      return frame;
    }
    for (const OracleCopy& copy : EngineCopies(kind, scene, W, H)) ApplyCopy(frame, copy);
    return frame;
  }
  if (scene.Step == 0) return frame;
  const int percent = RoundHalfEven(scene.Step / 1024.0 * 100);
  const Progress p = ProgressOf(W, H, percent);
  if ((kind >= 31 && kind <= 76) || (kind >= 146 && kind <= 153)) {
    for (const OracleCopy& copy : TableCopies(kind, T, p)) ApplyCopy(frame, copy);
    return frame;
  }
  const std::optional<RegionModel> region = RegionOf(kind, p, percent);
  if (!region) return std::nullopt;
  ApplyRegion(frame, T, region->Inside, region->SoftEdge);
  if (region->NearEdge)
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x)
        if (region->NearEdge(x, y)) frame.Known[size_t(y) * W + x] = 0;
  return frame;
}

// ---- Painting through the engine ----

void PaintFrame(TPVTransitionEffects& engine, int step) {
  if (engine.Kind <= 30)
    engine.PaintEngineTransition(step);
  else
    engine.PaintTableTransition(step);
}

struct FrameCase {
  int Kind;
  int Width;
  int Height;
};

std::string CaseName(const testing::TestParamInfo<FrameCase>& info) {
  return "Kind" + std::to_string(info.param.Kind) + "_" + std::to_string(info.param.Width) + "x" +
         std::to_string(info.param.Height);
}

class TransitionFramesTest : public testing::TestWithParam<FrameCase> {};

TEST_P(TransitionFramesTest, EveryFixedPixelIsAsTheDefinitionSays) {
  const FrameCase c = GetParam();
  for (Pictures pictures : {Pictures::kTextured, Pictures::kQuadrants, Pictures::kSolid})
    for (int step : {0, 1, 300, 512, 700, 1024}) {
      const OracleFrame S = Picture(pictures, c.Width, c.Height, 0x123456);
      const OracleFrame T = Picture(pictures, c.Width, c.Height, 0x654321);
      const std::optional<OracleFrame> expected = Expected(c.Kind, Scene{S, T, step});
      if (!expected) GTEST_SKIP() << "random edges: see the random-kinds test";
      TBitmap source, target;
      Store(S, source);
      Store(T, target);
      TPVTransitionEffects engine(nullptr);
      ASSERT_TRUE(engine.Start(static_cast<TPVTransitionKind>(c.Kind), source, target, 1000,
                               pvtLinear, false));
      PaintFrame(engine, 0);
      if (step != 0) PaintFrame(engine, step);
      int wrong = 0, known = 0;
      for (int y = 0; y < c.Height; ++y)
        for (int x = 0; x < c.Width; ++x) {
          if (!expected->IsKnown(x, y)) continue;
          ++known;
          if (ColorAt(*engine.Work, x, y) != expected->At(x, y) && wrong++ < 3)
            ADD_FAILURE() << "pictures " << int(pictures) << " step " << step << " at " << x << ","
                          << y << ": " << std::hex << ColorAt(*engine.Work, x, y) << " expected "
                          << expected->At(x, y);
        }
      ASSERT_EQ(wrong, 0) << "pictures " << int(pictures) << " step " << step;
      // The one-colour pictures leave no pixel open except next to a soft region edge.
      if (pictures == Pictures::kSolid) {
        EXPECT_GT(known, c.Width * c.Height / 2);
      }
    }
}

std::vector<FrameCase> AllCases() {
  std::vector<FrameCase> cases;
  for (int kind = 1; kind <= 163; ++kind) {
    cases.push_back({kind, 96, 60});
    cases.push_back({kind, 50, 90});
  }
  for (int kind = 154; kind <= 163; ++kind) cases.push_back({kind, 900, 600});
  return cases;
}

INSTANTIATE_TEST_SUITE_P(AllKinds, TransitionFramesTest, testing::ValuesIn(AllCases()), CaseName);

}  // namespace
}  // namespace calmora::test
