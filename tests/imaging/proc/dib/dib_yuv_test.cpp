// Video frames through LoadBitmapFromDIB: the BT.601 conversion, frames that ffmpeg makes
// against ffmpeg's own RGB of them, and one picture written by the test into every layout
// (both row orders, odd widths and heights) giving one image.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "imaging/proc/dib/dib_interchange.h"
#include "imaging/proc/dib/yuv_rows.h"
#include "tests/imaging/proc/dib/dib_blocks.h"
#include "tests/support/outside_tool.h"
#include "tests/support/scratch_folder.h"

namespace calmora {
namespace {

using test::DibBlock;
using test::RgbAt;

// Loads a frame of a layout through a DIB header that names it.
int32_t LoadFrame(uint32_t fourCC, int32_t width, int32_t height, uint16_t bitCount,
                  const std::vector<uint8_t>& frame, TPVBitmap& bitmap) {
  const std::vector<uint8_t> header = DibBlock(width, height, bitCount, fourCC).Bytes();
  return LoadBitmapFromDIB(header.data(), static_cast<int64_t>(header.size()), bitmap, frame.data(),
                           static_cast<int64_t>(frame.size()));
}

uint32_t FourCCOf(const char* text) {
  return static_cast<uint8_t>(text[0]) | static_cast<uint8_t>(text[1]) << 8 |
         static_cast<uint8_t>(text[2]) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(text[3])) << 24;
}

uint8_t ModelByte(double value) {
  const double rounded = std::nearbyint(value);
  return static_cast<uint8_t>(rounded < 0 ? 0 : rounded > 255 ? 255 : rounded);
}

TPVRGB ModelRGB(int y, int u, int v) {
  const double c = 1.164 * (y - 16);
  return TPVRGB{ModelByte(c + 2.018 * (u - 128)),
                ModelByte(c - 0.813 * (v - 128) - 0.391 * (u - 128)),
                ModelByte(c + 1.596 * (v - 128))};
}

TEST(YUVToRGB, StudioRangeEnds) {
  TPVRGB pixel;
  YUVToRGB(16, 128, 128, pixel);
  EXPECT_EQ(pixel, (TPVRGB{0, 0, 0}));
  YUVToRGB(235, 128, 128, pixel);
  EXPECT_EQ(pixel, (TPVRGB{255, 255, 255})) << "Round(1.164 x 219) = 255";
  YUVToRGB(81, 90, 240, pixel);  // studio red: 75.66 + 178.75 for red, below 0 for the others
  EXPECT_EQ(pixel, (TPVRGB{0, 0, 254}));
}

TEST(YUVToRGB, FollowsTheFormulaForEverySample) {
  for (int y = 0; y < 256; y += 3)
    for (int u = 0; u < 256; u += 5)
      for (int v = 0; v < 256; v += 7) {
        TPVRGB pixel;
        YUVToRGB(y, u, v, pixel);
        ASSERT_EQ(pixel, ModelRGB(y, u, v)) << y << " " << u << " " << v;
      }
}

// ---- Against ffmpeg ----

struct FfmpegCase {
  const char* PixelFormat;  // ffmpeg's name of the layout
  const char* FourCC;
  uint16_t BitCount;
  bool SwapChromaPlanes;  // YV12 is ffmpeg's yuv420p with the two chroma planes exchanged
};

TEST(LoadBitmapFromDIB, ConvertsFfmpegFramesLikeFfmpegWithinThree) {
  CALMORA_REQUIRE_TOOL("ffmpeg");
  const FfmpegCase cases[] = {
      {"yuyv422", "YUY2", 16, false}, {"yvyu422", "YVYU", 16, false},
      {"uyvy422", "UYVY", 16, false}, {"yuv420p", "I420", 12, false},
      {"yuv420p", "YV12", 12, true},
  };
  constexpr int32_t kWidth = 64;
  constexpr int32_t kHeight = 48;
  test::ScratchFolder folder("calmora-yuv");
  for (const FfmpegCase& c : cases) {
    SCOPED_TRACE(c.FourCC);
    const std::string yuv = folder.File("frame.yuv");
    const std::string rgb = folder.File("frame.rgb");
    ASSERT_EQ(test::RunTool("ffmpeg -v error -y -f lavfi -i testsrc=size=64x48 -frames:v 1 "
                            "-pix_fmt " +
                            std::string(c.PixelFormat) + " -f rawvideo " + test::ShellQuoted(yuv))
                  .Status,
              0);
    ASSERT_EQ(test::RunTool("ffmpeg -v error -y -f rawvideo -pix_fmt " +
                            std::string(c.PixelFormat) + " -s 64x48 -i " + test::ShellQuoted(yuv) +
                            " -pix_fmt rgb24 -f rawvideo " + test::ShellQuoted(rgb))
                  .Status,
              0);
    const std::string frameBytes = test::ReadFileBytes(yuv);
    std::vector<uint8_t> frame(frameBytes.begin(), frameBytes.end());
    if (c.SwapChromaPlanes) {
      const size_t plane = kWidth * kHeight / 4;
      std::swap_ranges(frame.begin() + kWidth * kHeight, frame.begin() + kWidth * kHeight + plane,
                       frame.begin() + kWidth * kHeight + plane);
    }
    const std::string reference = test::ReadFileBytes(rgb);
    ASSERT_EQ(reference.size(), size_t{kWidth} * kHeight * 3);
    TPVBitmap bitmap;
    ASSERT_EQ(LoadFrame(FourCCOf(c.FourCC), kWidth, kHeight, c.BitCount, frame, bitmap),
              c.BitCount);
    ASSERT_EQ(bitmap.GetPixelFormat(), pv24RGB);
    for (int32_t y = 0; y < kHeight; ++y)
      for (int32_t x = 0; x < kWidth; ++x) {
        const TPVRGB got = RgbAt(bitmap, x, y);
        const auto* expected =
            reinterpret_cast<const uint8_t*>(reference.data()) + (y * kWidth + x) * 3;
        ASSERT_NEAR(got.r, expected[0], 3) << x << "," << y;
        ASSERT_NEAR(got.g, expected[1], 3) << x << "," << y;
        ASSERT_NEAR(got.b, expected[2], 3) << x << "," << y;
      }
  }
}

// ---- One picture in every layout ----

// A picture every layout can hold exactly: luma equal in pixel pairs (Y211 repeats Y0 and Y2)
// and chroma equal over blocks of 8 x 4 pixels (Y41P's group, YVU9's square), luma from 5-bit
// and chroma from 6-bit codes (what CLJR stores), widened by repeating their top bits.
struct Picture {
  static uint8_t Widen5(int code) { return static_cast<uint8_t>(code << 3 | code >> 2); }
  static uint8_t Widen6(int code) { return static_cast<uint8_t>(code << 2 | code >> 4); }
  static int YCode(int x, int y) { return ((x / 2) * 7 + y * 3 + 1) % 32; }
  static int UCode(int x, int y) { return ((x / 8) * 11 + (y / 4) * 5 + 3) % 64; }
  static int VCode(int x, int y) { return ((x / 8) * 13 + (y / 4) * 23 + 40) % 64; }
  static uint8_t Y(int x, int y) { return Widen5(YCode(x, y)); }
  static uint8_t U(int x, int y) { return Widen6(UCode(x, y)); }
  static uint8_t V(int x, int y) { return Widen6(VCode(x, y)); }
};

using Bytes = std::vector<uint8_t>;

Bytes Planar(int width, int height, int subsampling, bool vFirst) {
  Bytes out;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) out.push_back(Picture::Y(x, y));
  const int chromaWidth = (width + subsampling - 1) / subsampling;
  const int chromaHeight = (height + subsampling - 1) / subsampling;
  for (const bool v : {vFirst, !vFirst})
    for (int cy = 0; cy < chromaHeight; ++cy)
      for (int cx = 0; cx < chromaWidth; ++cx)
        out.push_back(v ? Picture::V(cx * subsampling, cy * subsampling)
                        : Picture::U(cx * subsampling, cy * subsampling));
  return out;
}

// Rows of whole groups; put appends the group that starts at pixel (x, y).
Bytes Packed(int width, int height, int groupPixels, bool bottomUp,
             const std::function<void(Bytes&, int, int)>& put) {
  Bytes out;
  for (int r = 0; r < height; ++r) {
    const int y = bottomUp ? height - 1 - r : r;
    for (int x = 0; x < width; x += groupPixels) put(out, x, y);
  }
  return out;
}

struct Layout {
  const char* FourCC;
  uint16_t BitCount;
  std::function<Bytes(int, int)> Write;
};

std::vector<Layout> Layouts() {
  using P = Picture;
  auto yuy2 = [](Bytes& o, int x, int y) {
    o.insert(o.end(), {P::Y(x, y), P::U(x, y), P::Y(x + 1, y), P::V(x, y)});
  };
  auto uyvy = [](Bytes& o, int x, int y) {
    o.insert(o.end(), {P::U(x, y), P::Y(x, y), P::V(x, y), P::Y(x + 1, y)});
  };
  return {
      {"I420", 12, [](int w, int h) { return Planar(w, h, 2, false); }},
      {"IYUV", 12, [](int w, int h) { return Planar(w, h, 2, false); }},
      {"YV12", 12, [](int w, int h) { return Planar(w, h, 2, true); }},
      {"YVU9", 9, [](int w, int h) { return Planar(w, h, 4, true); }},
      {"YUY2", 16, [yuy2](int w, int h) { return Packed(w, h, 2, false, yuy2); }},
      {"YUNV", 16, [yuy2](int w, int h) { return Packed(w, h, 2, false, yuy2); }},
      {"YVYU", 16,
       [](int w, int h) {
         return Packed(w, h, 2, false, [](Bytes& o, int x, int y) {
           o.insert(o.end(), {P::Y(x, y), P::V(x, y), P::Y(x + 1, y), P::U(x, y)});
         });
       }},
      {"UYVY", 16, [uyvy](int w, int h) { return Packed(w, h, 2, false, uyvy); }},
      {"UYNV", 16, [uyvy](int w, int h) { return Packed(w, h, 2, false, uyvy); }},
      {"cyuv", 16, [uyvy](int w, int h) { return Packed(w, h, 2, true, uyvy); }},
      {"IYU1", 12,
       [](int w, int h) {
         return Packed(w, h, 4, false, [](Bytes& o, int x, int y) {
           o.insert(o.end(), {P::U(x, y), P::Y(x, y), P::Y(x + 1, y), P::V(x, y), P::Y(x + 2, y),
                              P::Y(x + 3, y)});
         });
       }},
      {"IYU2", 24,
       [](int w, int h) {
         return Packed(w, h, 1, false, [](Bytes& o, int x, int y) {
           o.insert(o.end(), {P::U(x, y), P::Y(x, y), P::V(x, y)});
         });
       }},
      {"Y41P", 12,
       [](int w, int h) {
         return Packed(w, h, 8, true, [](Bytes& o, int x, int y) {
           o.insert(o.end(), {P::U(x, y), P::Y(x, y), P::V(x, y), P::Y(x + 1, y), P::U(x + 4, y),
                              P::Y(x + 2, y), P::V(x + 4, y), P::Y(x + 3, y), P::Y(x + 4, y),
                              P::Y(x + 5, y), P::Y(x + 6, y), P::Y(x + 7, y)});
         });
       }},
      {"Y211", 8,
       [](int w, int h) {
         return Packed(w, h, 4, false, [](Bytes& o, int x, int y) {
           o.insert(o.end(), {P::Y(x, y), P::U(x, y), P::Y(x + 2, y), P::V(x, y)});
         });
       }},
      {"CLJR", 8,
       [](int w, int h) {
         return Packed(w, h, 4, false, [](Bytes& o, int x, int y) {
           uint32_t word =
               static_cast<uint32_t>(P::VCode(x, y)) | static_cast<uint32_t>(P::UCode(x, y)) << 6;
           for (int p = 0; p < 4; ++p)
             word |= static_cast<uint32_t>(P::YCode(x + p, y)) << (12 + 5 * p);
           for (int b = 0; b < 4; ++b) o.push_back(static_cast<uint8_t>(word >> (8 * b)));
         });
       }},
  };
}

TEST(LoadBitmapFromDIB, EveryLayoutOfOnePictureGivesOneImage) {
  const std::pair<int, int> sizes[] = {{16, 8}, {13, 7}, {3, 2}, {5, 3}, {1, 1}};
  for (const Layout& layout : Layouts()) {
    for (const auto& [width, height] : sizes) {
      SCOPED_TRACE(testing::Message() << layout.FourCC << " " << width << " x " << height);
      const Bytes frame = layout.Write(width, height);
      TPVBitmap bitmap;
      const uint32_t fourCC = FourCCOf(layout.FourCC);
      ASSERT_EQ(LoadFrame(fourCC, width, height, layout.BitCount, frame, bitmap), layout.BitCount);
      ASSERT_EQ(bitmap.GetWidth(), width);
      for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
          ASSERT_EQ(RgbAt(bitmap, x, y),
                    ModelRGB(Picture::Y(x, y), Picture::U(x, y), Picture::V(x, y)))
              << x << "," << y;
      ASSERT_NE(frame.size(), 0u);
      const Bytes shorter(frame.begin(), frame.end() - 1);
      EXPECT_EQ(LoadFrame(fourCC, width, height, layout.BitCount, shorter, bitmap), 0)
          << "one byte short";
    }
  }
}

TEST(YUVRows, AThreePixelIYU2RowTakesNineBytes) {
  TPVBitmap bitmap(3, 2, pv24RGB);
  const Bytes frame = {128, 16,  128, 128, 235, 128, 128, 16,  128,
                       128, 235, 128, 128, 16,  128, 128, 235, 128};
  ASSERT_TRUE(ConvertIYU2Rows(frame.data(), 18, bitmap, true));
  EXPECT_EQ(RgbAt(bitmap, 1, 0), (TPVRGB{255, 255, 255}));
  EXPECT_EQ(RgbAt(bitmap, 2, 0), (TPVRGB{0, 0, 0}));
  EXPECT_EQ(RgbAt(bitmap, 0, 1), (TPVRGB{255, 255, 255}));
  EXPECT_FALSE(ConvertIYU2Rows(frame.data(), 17, bitmap, true));
  TPVBitmap grey(3, 2, pv8g);
  EXPECT_FALSE(ConvertIYU2Rows(frame.data(), 18, grey, true)) << "only 24-bit rows";
}

}  // namespace
}  // namespace calmora
