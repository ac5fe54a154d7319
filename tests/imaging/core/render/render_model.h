// A plain per-pixel model of a scaled render with rfNone, written from the rules rather than
// from the renderers: where each target pixel looks in the source, the colour each format
// shows there with its settings, and how that colour replaces or blends into the target.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

#include "imaging/core/bitmap/bitmap.h"
#include "imaging/core/bitmap/bitmap_pixels.h"
#include "imaging/core/render/blend_operations.h"

namespace calmora::test {

// The arguments of a render after the target (tables left to the render, rfNone).
struct RenderCall {
  int32_t TargetX = 0, TargetY = 0, TargetWidth = 0, TargetHeight = 0;
  int32_t SourceX = 0, SourceY = 0, SourceWidth = 0, SourceHeight = 0;
  bool UseAlpha = false;
  bool RowReuse = false;
  int32_t Transparency = 255;
  TPVBlendOperation Operation = pvboNormal;
  std::optional<TRect> Clip;
};

inline void Render(TPVBitmap& source, TPVBitmap& target, const RenderCall& c,
                   TResampleFilter filter = rfNone) {
  TPVRenderRowTable rows;
  TPVRenderMap xMap, yMap;
  source.RenderToBitmap(target, rows, xMap, yMap, c.Clip ? &*c.Clip : nullptr, c.TargetX,
                        c.TargetY, c.TargetWidth, c.TargetHeight, c.SourceX, c.SourceY,
                        c.SourceWidth, c.SourceHeight, c.UseAlpha, c.RowReuse, c.Transparency,
                        filter, true, c.Operation);
}

// A pv24RGB image as rows of (b, g, r) bytes.
using RGBImage = std::vector<std::vector<TPVRGB>>;

inline RGBImage ImageOf(const TPVBitmap& bitmap) {
  RGBImage image(static_cast<size_t>(bitmap.GetHeight()));
  for (int32_t y = 0; y < bitmap.GetHeight(); ++y) {
    const uint8_t* row = bitmap.GetScanline(y);
    image[y].resize(static_cast<size_t>(bitmap.GetWidth()));
    std::memcpy(image[y].data(), row, image[y].size() * 3);
  }
  return image;
}

namespace render_model {

inline uint8_t Clamp255(double v) { return static_cast<uint8_t>(std::clamp(v, 0.0, 255.0)); }

// Trunc kept to its low byte, as a byte field keeps an integer (NaN gives 0).
inline uint8_t LowByte(double v) {
  if (std::isnan(v)) return 0;
  return static_cast<uint8_t>(static_cast<int64_t>(std::trunc(v)) & 255);
}

inline double Contrast(int32_t c) { return c >= 0 ? c / 10.0 + 1 : 1 - std::sqrt(-c) / 10.0; }

inline TPVRGB Grey(uint8_t v) { return TPVRGB{v, v, v}; }

// The colour the source shows at (x, y) before any blending.
inline TPVRGB ShownColor(const TPVBitmap& s, int32_t x, int32_t y, TPVBlendOperation operation) {
  const double black = s.BlackLevel, white = s.WhiteLevel;
  const bool window = white - black != 0;
  // Integer samples are limited to the truncated levels.
  const auto integerWindow = [&](int64_t v) {
    const auto b = static_cast<int64_t>(std::trunc(black));
    const auto w = static_cast<int64_t>(std::trunc(white));
    const int64_t inside = std::min(std::max(v, b), w);
    return LowByte(static_cast<double>(inside - b) / (white - black) * 255);
  };
  const bool curves = s.ChannelShiftEnabled || s.DisplayContrast != 0 || operation != pvboNormal;
  switch (s.GetPixelFormat()) {
    case pv8g:
      return window ? Grey(integerWindow(s.GetPixel8(x, y))) : s.GetPixelAsRGB(x, y);
    case pv16g:
      return window ? Grey(integerWindow(s.GetPixel16(x, y))) : s.GetPixelAsRGB(x, y);
    case pv32f: {
      if (!window) return s.GetPixelAsRGB(x, y);
      double v = s.GetPixelFloat(x, y);
      if (std::isnan(v) || v < black) v = black;
      if (v > white) v = white;
      return Grey(LowByte((v - black) / (white - black) * 255));
    }
    case pv24RGB:
    case pv32RGB: {
      const TPVRGB c = s.GetPixelAsRGB(x, y);
      if (!curves) return c;
      const auto u = static_cast<int64_t>(std::trunc(Contrast(s.DisplayContrast) * 65536));
      const auto channel = [&](uint8_t v, int32_t shift) {
        const int64_t stretched = u * (int64_t{v} + shift - 128);
        // Division truncating toward zero, written out.
        const int64_t quotient = stretched >= 0 ? stretched / 65536 : -((-stretched) / 65536);
        return Clamp255(static_cast<double>(quotient + 128));
      };
      return TPVRGB{channel(c.b, s.ChannelShift[2]), channel(c.g, s.ChannelShift[1]),
                    channel(c.r, s.ChannelShift[0])};
    }
    case pvRGB48: {
      if (!curves) return s.GetPixelAsRGB(x, y);
      const TPVRGB48 p = s.GetPixel48(x, y);
      const double f = Contrast(s.DisplayContrast);
      const auto channel = [&](uint16_t w, int32_t shift) {
        const double level = std::trunc((static_cast<double>(w) + shift - 32768) * f + 32768);
        return Clamp255(std::floor(level / 256));
      };
      return TPVRGB{channel(p.b, s.ChannelShift[2]), channel(p.g, s.ChannelShift[1]),
                    channel(p.r, s.ChannelShift[0])};
    }
    default: return s.GetPixelAsRGB(x, y);
  }
}

inline uint8_t Toward(uint8_t d, uint8_t v, int32_t a) {
  return static_cast<uint8_t>(d + static_cast<int32_t>(std::floor((v - d) * a / 256.0)));
}

}  // namespace render_model

// The target as a render with rfNone must leave it. The source in any format.
inline RGBImage ExpectedRender(const TPVBitmap& source, const RGBImage& before,
                               const RenderCall& call) {
  using namespace render_model;
  RGBImage image = before;
  const int64_t targetHeight = static_cast<int64_t>(image.size());
  const int64_t targetWidth = targetHeight ? static_cast<int64_t>(image[0].size()) : 0;
  const int64_t sourceWidth = source.GetWidth(), sourceHeight = source.GetHeight();
  int64_t tx = call.TargetX, ty = call.TargetY, tw = call.TargetWidth, th = call.TargetHeight;
  int64_t sx = call.SourceX, sy = call.SourceY, sw = call.SourceWidth, sh = call.SourceHeight;
  if (tw == 0 || th == 0 || sw == 0 || sh == 0 || ty > targetHeight - 1 || tx > targetWidth - 1)
    return image;
  if (source.GetPixelFormat() == pv8p && !source.Palette) return image;
  const double ry = static_cast<double>(sh) / th, rx = static_cast<double>(sw) / tw;
  if (ty < 0) {
    const auto v = static_cast<int64_t>(std::nearbyint(-ty * ry));
    th += ty, sh -= v, sy += v, ty = 0;
  }
  if (tx < 0) {
    const auto v = static_cast<int64_t>(std::nearbyint(-tx * rx));
    tw += tx, sw -= v, sx += v, tx = 0;
  }
  if (ty + th > targetHeight) {
    sh -= static_cast<int64_t>(std::trunc((ty + th - targetHeight) * ry));
    th = targetHeight - ty;
  }
  if (tx + tw > targetWidth) {
    sw -= static_cast<int64_t>(std::trunc((tx + tw - targetWidth) * rx));
    tw = targetWidth - tx;
  }
  tx = std::clamp<int64_t>(tx, 0, targetWidth - 1);
  ty = std::clamp<int64_t>(ty, 0, targetHeight - 1);
  tw = std::clamp<int64_t>(tw, 0, targetWidth);
  th = std::clamp<int64_t>(th, 0, targetHeight);
  sx = std::clamp<int64_t>(sx, 0, sourceWidth - 1);
  sy = std::clamp<int64_t>(sy, 0, sourceHeight - 1);
  sw = std::clamp<int64_t>(sw, 0, sourceWidth);
  sh = std::clamp<int64_t>(sh, 0, sourceHeight);
  if (tw == 0 || th == 0 || sw == 0 || sh == 0) return image;

  const TRect clip = call.Clip.value_or(TRect{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX});
  const int64_t firstRow = std::max<int64_t>({clip.Top, ty, 0});
  const int64_t lastRow = std::min<int64_t>({clip.Bottom, ty + th - 1, targetHeight - 1});
  const int64_t firstColumn = std::max<int64_t>({clip.Left, tx, 0});
  const int64_t lastColumn = std::min<int64_t>({clip.Right, tx + tw - 1, targetWidth - 1});
  if (firstColumn > lastColumn) return image;  // not even a reused row is copied
  const auto sourceRow = [&](int64_t r) {
    return std::clamp<int64_t>(static_cast<int64_t>(std::trunc((r - ty) * ry + sy)), 0,
                               sourceHeight - 1);
  };
  const auto sourceColumn = [&](int64_t c) {
    return std::clamp<int64_t>(static_cast<int64_t>(std::trunc((c - tx) * rx + sx)), 0,
                               sourceWidth - 1);
  };

  const TPVPixelFormat format = source.GetPixelFormat();
  const TPVBitmap* plane = source.AlphaBitmap.get();
  const bool alphaPlane = call.UseAlpha && plane && !plane->Opaque;
  const bool blended = call.Transparency < 255 || alphaPlane;
  const bool withOperation =
      format == pv24RGB || format == pv32RGB || format == pvRGB48 ? call.Operation != pvboNormal
                                                                  : false;
  const bool reuse = call.RowReuse && !blended &&
                     (format == pv24RGB || format == pv32RGB || format == pv1g);
  for (int64_t r = firstRow; r <= lastRow; ++r) {
    const int64_t s = sourceRow(r);
    if (reuse && r > firstRow && s == sourceRow(r - 1)) {
      // Only the painted columns repeat the row above; the rest of the row is not the render's.
      std::copy(image[r - 1].begin() + firstColumn, image[r - 1].begin() + lastColumn + 1,
                image[r].begin() + firstColumn);
      continue;
    }
    for (int64_t c = firstColumn; c <= lastColumn; ++c) {
      const auto x = static_cast<int32_t>(sourceColumn(c));
      const auto y = static_cast<int32_t>(s);
      TPVRGB v = ShownColor(source, x, y, withOperation ? call.Operation : pvboNormal);
      TPVRGB& d = image[r][c];
      if (withOperation) {
        TPVRGB combined = d;
        BlendPixel(v, combined, call.Operation);
        v = combined;
      }
      if (blended) {
        const int32_t alpha = alphaPlane ? plane->GetPixel8(x, y) : 255;
        const int32_t a = std::min(call.Transparency, alpha);
        v = TPVRGB{Toward(d.b, v.b, a), Toward(d.g, v.g, a), Toward(d.r, v.r, a)};
      }
      d = v;
    }
  }
  return image;
}

// The first differing pixel, for a readable failure.
inline ::testing::AssertionResult SameImage(const RGBImage& expected, const RGBImage& actual) {
  if (expected.size() != actual.size())
    return ::testing::AssertionFailure() << "heights differ";
  for (size_t y = 0; y < expected.size(); ++y)
    for (size_t x = 0; x < expected[y].size(); ++x)
      if (!(expected[y][x] == actual[y][x]))
        return ::testing::AssertionFailure()
               << "pixel (" << x << ", " << y << "): (b, g, r) " << int{actual[y][x].b} << ", "
               << int{actual[y][x].g} << ", " << int{actual[y][x].r} << ", expected "
               << int{expected[y][x].b} << ", " << int{expected[y][x].g} << ", "
               << int{expected[y][x].r};
  return ::testing::AssertionSuccess();
}

}  // namespace calmora::test
