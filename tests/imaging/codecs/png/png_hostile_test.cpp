// The PNG reader on hostile input: files cut at every chunk boundary and inside each chunk,
// chunk lengths that lie, and sizes far beyond what the bytes can carry, all of which must end
// in the abort flag without a crash, a hang or a huge allocation.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "imaging/base/color_helpers.h"
#include "imaging/core/bitmap/bitmap_pixels.h"
#include "imaging/params/io_params.h"
#include "tests/imaging/codecs/png/png_test_support.h"

namespace calmora {
namespace {

uint32_t Crc(const std::string& bytes, size_t from, size_t count) {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t n = 0; n < 256; ++n) {
      uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  uint32_t c = 0xFFFFFFFFu;
  for (size_t i = from; i < from + count; ++i) {
    c = table[(c ^ static_cast<uint8_t>(bytes[i])) & 0xFF] ^ (c >> 8);
  }
  return c ^ 0xFFFFFFFFu;
}

void PutBE(std::string& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(value >> (24 - 8 * i));
}

uint32_t GetBE(const std::string& bytes, size_t at) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v = v << 8 | static_cast<uint8_t>(bytes[at + i]);
  return v;
}

// A small valid file with text, background, resolution and several IDAT chunks' worth of rows.
std::string ValidPng(bool interlaced) {
  TPVBitmap bitmap(40, 30, pv24RGB);
  for (int32_t y = 0; y < 30; ++y) {
    for (int32_t x = 0; x < 40; ++x) {
      bitmap.SetPixel24(x, y, MakeRGB(static_cast<uint8_t>(x * 6), static_cast<uint8_t>(y * 8),
                                      static_cast<uint8_t>(x * y)));
    }
  }
  TIOParamsVals params(nullptr);
  params.SamplesPerPixel = 3;
  params.PNG_Interlaced = interlaced;
  params.PNG_TextKeys = {"Key"};
  params.PNG_TextValues = {"Value"};
  return test::WritePng(bitmap, params);
}

// Offsets where chunks start (after the signature), and the end.
std::vector<size_t> ChunkStarts(const std::string& png) {
  std::vector<size_t> starts;
  size_t at = 8;
  while (at + 12 <= png.size()) {
    starts.push_back(at);
    at += 12 + GetBE(png, at);
  }
  starts.push_back(png.size());
  return starts;
}

TEST(PngHostile, EveryCutEndsInTheAbortFlag) {
  for (bool interlaced : {false, true}) {
    const std::string png = ValidPng(interlaced);
    ASSERT_FALSE(png.empty());
    {
      TPVBitmap bitmap;
      TIOParamsVals params(nullptr);
      ASSERT_FALSE(test::ReadPng(png, bitmap, params));
    }
    std::vector<size_t> cuts = ChunkStarts(png);
    for (size_t at : std::vector<size_t>(cuts)) {
      for (size_t d : {1, 4, 8, 9, 13}) {
        if (at + d < png.size()) cuts.push_back(at + d);
      }
    }
    for (size_t cut = 0; cut < 8; ++cut) cuts.push_back(cut);
    for (size_t cut : cuts) {
      if (cut >= png.size()) continue;
      SCOPED_TRACE("cut at " + std::to_string(cut));
      TPVBitmap bitmap;
      TIOParamsVals params(nullptr);
      EXPECT_TRUE(test::ReadPng(png.substr(0, cut), bitmap, params));
    }
  }
}

TEST(PngHostile, LyingChunkLengthsEndInTheAbortFlag) {
  const std::string png = ValidPng(false);
  for (size_t at : ChunkStarts(png)) {
    if (at + 12 > png.size()) continue;
    for (uint32_t length : {0x7FFFFFFFu, 0xFFFFFFFFu, GetBE(png, at) + 1, 0u}) {
      if (length == GetBE(png, at)) continue;
      SCOPED_TRACE("chunk at " + std::to_string(at) + " length " + std::to_string(length));
      std::string bad = png;
      PutBE(bad, at, length);
      TPVBitmap bitmap;
      TIOParamsVals params(nullptr);
      EXPECT_TRUE(test::ReadPng(bad, bitmap, params));
    }
  }
}

TEST(PngHostile, HugeSizesAreRefusedBeforeAllocating) {
  const std::string png = ValidPng(false);
  struct Size {
    uint32_t Width;
    uint32_t Height;
    bool ParamsRead;  // libpng takes the header itself
  };
  for (const Size& size : {Size{1000000, 1000000, true}, Size{100000, 100000, true},
                           Size{0x7FFFFFFF, 1, false}, Size{0, 10, false}}) {
    SCOPED_TRACE(std::to_string(size.Width) + " x " + std::to_string(size.Height));
    std::string bad = png;
    PutBE(bad, 16, size.Width);
    PutBE(bad, 20, size.Height);
    PutBE(bad, 29, Crc(bad, 12, 17));
    TPVBitmap bitmap;
    TIOParamsVals params(nullptr);
    EXPECT_TRUE(test::ReadPng(bad, bitmap, params));
    EXPECT_TRUE(bitmap.IsEmpty());
    if (size.ParamsRead) {
      TIOParamsVals header(nullptr);
      TPVBitmap none;
      EXPECT_FALSE(test::ReadPng(bad, none, header, true));
      EXPECT_EQ(header.Width, static_cast<int32_t>(size.Width));
      EXPECT_TRUE(none.IsEmpty());
    }
  }
}

TEST(PngHostile, NotAPngAndAnAbortAlreadySet) {
  TPVBitmap bitmap;
  TIOParamsVals params(nullptr);
  EXPECT_TRUE(test::ReadPng("GIF89a and more bytes than a header", bitmap, params));
  EXPECT_TRUE(test::ReadPng("", bitmap, params));
  const std::string png = ValidPng(false);
  TPVMemStream stream(png.data(), static_cast<int64_t>(png.size()));
  bool aborting = true;
  TPVProgressRecord progress;
  progress.Aborting = &aborting;
  ReadPNGStream(&stream, bitmap, params, progress, false);
  EXPECT_TRUE(bitmap.IsEmpty());
}

TEST(PngHostile, ShortWriteSetsTheFlagAndStops) {
  TPVBitmap bitmap(50, 50, pv24RGB);
  bitmap.Fill(0x102030);
  TIOParamsVals params(nullptr);
  params.SamplesPerPixel = 3;
  std::array<char, 100> room{};
  TPVMemStream stream(room.data(), static_cast<int64_t>(room.size()));
  bool aborting = false;
  TPVProgressRecord progress;
  progress.Aborting = &aborting;
  WritePNGStream(&stream, bitmap, params, progress, nullptr);
  EXPECT_TRUE(aborting);
}

}  // namespace
}  // namespace calmora
