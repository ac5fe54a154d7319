// DrawDib in its least form: tokens, no palette to realise, and packed bitmaps of each layout
// drawn onto a canvas the right way up, at their size and stretched.
#include "platform/draw_dib.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/canvas.h"
#include "platform/device_bitmap.h"

namespace calmora::platform {
namespace {

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

// A 40-byte header with the given table.
std::vector<uint8_t> Header(int32_t width, int32_t height, uint16_t bits,
                            const std::vector<uint32_t>& table = {}) {
  std::vector<uint8_t> out;
  PutU32(out, 40);
  PutU32(out, static_cast<uint32_t>(width));
  PutU32(out, static_cast<uint32_t>(height));
  out.push_back(1);
  out.push_back(0);
  out.push_back(static_cast<uint8_t>(bits));
  out.push_back(0);
  for (int i = 0; i < 4; ++i) PutU32(out, 0);  // compression, size, resolutions
  PutU32(out, static_cast<uint32_t>(table.size()));
  PutU32(out, 0);
  for (uint32_t bgrx : table) PutU32(out, bgrx);
  return out;
}

struct Target {
  Target() {
    bitmap.SetPixelFormat(pf24bit);
    bitmap.SetSize(4, 4);
  }
  uint32_t At(int32_t x, int32_t y) { return bitmap.GetCanvas()->GetPixel(x, y); }
  TBitmap bitmap;
};

TEST(DrawDib, TokensAndRealisation) {
  const TDrawDibHandle a = OpenDrawDib();
  const TDrawDibHandle b = OpenDrawDib();
  EXPECT_NE(a, 0u);
  EXPECT_NE(a, b);
  Target target;
  EXPECT_EQ(RealizeDrawDib(a, *target.bitmap.GetCanvas(), false), 0u);
  EXPECT_TRUE(CloseDrawDib(a));
  EXPECT_TRUE(CloseDrawDib(b));
  EXPECT_FALSE(CloseDrawDib(0));
}

struct LayoutCase {
  const char* Name;
  std::vector<uint8_t> Header;
  std::vector<uint8_t> Bits;
};

// Each draws the colours red (bottom-left), green (bottom-right), blue (top-left), white.
std::vector<LayoutCase> Layouts() {
  // As a table stores them: 0x00RRGGBB read little-endian gives blue, green, red.
  const std::vector<uint32_t> table = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
  return {
      {"24 bits", Header(2, 2, 24),
       {0, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 255, 255, 255, 0, 0}},
      {"32 bits", Header(2, 2, 32), {0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0, 255, 255, 255, 0}},
      {"8 bits", Header(2, 2, 8, table), {0, 1, 0, 0, 2, 3, 0, 0}},
      {"4 bits", Header(2, 2, 4, table), {0x01, 0, 0, 0, 0x23, 0, 0, 0}},
      {"top-down 24 bits", Header(2, -2, 24),
       {255, 0, 0, 255, 255, 255, 0, 0, 0, 0, 255, 0, 255, 0, 0, 0}},
  };
}

TEST(DrawDib, LayoutsDrawTheRightWayUp) {
  const TDrawDibHandle handle = OpenDrawDib();
  for (const LayoutCase& c : Layouts()) {
    Target target;
    ASSERT_TRUE(DrawWithDrawDib(handle, *target.bitmap.GetCanvas(), 0, 0, 4, 4, c.Header.data(),
                                c.Bits.data(), 0, 0, 2, 2, 0))
        << c.Name;
    // Colours as 0x00BBGGRR, each source pixel stretched over 2 x 2.
    EXPECT_EQ(target.At(0, 0), 0xFF0000u) << c.Name;
    EXPECT_EQ(target.At(3, 1), 0xFFFFFFu) << c.Name;
    EXPECT_EQ(target.At(1, 2), 0x0000FFu) << c.Name;
    EXPECT_EQ(target.At(3, 3), 0x00FF00u) << c.Name;
  }
  // A source rectangle: the top-right pixel alone, unstretched at (1, 1).
  Target part;
  const std::vector<LayoutCase> layouts = Layouts();
  const LayoutCase& rgb = layouts[0];
  ASSERT_TRUE(DrawWithDrawDib(handle, *part.bitmap.GetCanvas(), 1, 1, 1, 1, rgb.Header.data(),
                              rgb.Bits.data(), 1, 0, 1, 1, 0));
  EXPECT_EQ(part.At(1, 1), 0xFFFFFFu);
  EXPECT_EQ(part.At(0, 0), 0u);
  CloseDrawDib(handle);
}

TEST(DrawDib, RefusesWhatItCannotDraw) {
  const TDrawDibHandle handle = OpenDrawDib();
  Target target;
  TCanvas& canvas = *target.bitmap.GetCanvas();
  const std::vector<uint8_t> bits(64, 0xFF);
  std::vector<uint8_t> rle = Header(2, 2, 8);
  rle[16] = 1;  // run-length compression
  const std::vector<uint8_t> sixteen = Header(2, 2, 16);
  const std::vector<uint8_t> noWidth = Header(0, 2, 24);
  for (const std::vector<uint8_t>* header :
       std::vector<const std::vector<uint8_t>*>{&rle, &sixteen, &noWidth})
    EXPECT_FALSE(DrawWithDrawDib(handle, canvas, 0, 0, 2, 2, header->data(), bits.data(), 0, 0,
                                 2, 2, 0));
  const std::vector<uint8_t> good = Header(2, 2, 24);
  EXPECT_FALSE(DrawWithDrawDib(0, canvas, 0, 0, 2, 2, good.data(), bits.data(), 0, 0, 2, 2, 0));
  EXPECT_FALSE(DrawWithDrawDib(handle, canvas, 0, 0, 2, 2, good.data(), nullptr, 0, 0, 2, 2, 0));
  EXPECT_EQ(target.At(0, 0), 0u) << "nothing drawn";
  CloseDrawDib(handle);
}

}  // namespace
}  // namespace calmora::platform
