// The twenty renderers against the plain per-pixel model of render_model.h, over random
// images of every format, random display settings, opacities, blend operations, clips and
// rectangles (negative, overflowing, enlarging and reducing), in memory and file storage.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "imaging/base/powers.h"
#include "imaging/core/bitmap/bitmap.h"
#include "imaging/core/render/bitmap_renderers.h"
#include "tests/imaging/core/bitmap/bitmap_pixel_model.h"
#include "tests/imaging/core/render/render_model.h"
#include "tests/support/scoped_override.h"

namespace calmora {
namespace {

using test::RenderCall;

std::string ClipText(const TRect& clip) {
  return std::to_string(clip.Left) + ", " + std::to_string(clip.Top) + " .. " +
         std::to_string(clip.Right) + ", " + std::to_string(clip.Bottom);
}

class RenderersAgainstModel : public ::testing::Test {
 protected:
  void SetUp() override { BuildCosineTable(); }  // the interpolation blend reads it

  test::TempFolderScope temp_;
  std::mt19937 random_{20240611};

  int32_t Between(int32_t low, int32_t high) {
    return std::uniform_int_distribution<int32_t>(low, high)(random_);
  }
  template <typename T, size_t N>
  T OneOf(const T (&values)[N]) {
    return values[Between(0, static_cast<int32_t>(N) - 1)];
  }

  // Random pixels; pv32f samples stay near 0..1 with a NaN now and then, pv8p gets a palette
  // of random length (indexes past it show black) or, rarely, none.
  void FillSource(TPVBitmap& source) {
    test::FillRandom(source, static_cast<uint32_t>(random_()));
    if (source.Format == pv32f) {
      for (int32_t y = 0; y < source.Height; ++y)
        for (int32_t x = 0; x < source.Width; ++x) {
          const float v = Between(0, 30) == 0 ? std::numeric_limits<float>::quiet_NaN()
                                              : static_cast<float>(Between(-500, 1500) / 1000.0);
          source.SetPixelFloat(x, y, v);
        }
    }
    if (source.Format == pv8p && Between(0, 9) == 0) {
      source.Palette.reset();
      source.PaletteLength = 0;
    } else if (source.Format == pv8p) {
      const int32_t length = Between(1, 256);
      source.PaletteLength = length;  // of the 256 entries Allocate made
      for (int32_t i = 0; i < length; ++i)
        source.SetPaletteColor(i, TPVRGB{static_cast<uint8_t>(random_()),
                                         static_cast<uint8_t>(random_()),
                                         static_cast<uint8_t>(random_())});
    }
  }

  void RandomSettings(TPVBitmap& source) {
    struct Levels {
      double Black, White;
    };
    // {100.9, 200}: the truncated levels span more than the real ones, past 255.
    static const Levels kLevels[] = {{0, 0},     {100, 200},  {50.5, 180.7}, {200, 100},
                                     {1000, 60000}, {0.2, 0.8}, {-0.5, 1.5}, {7, 7},
                                     {100.9, 200}};
    const Levels levels = OneOf(kLevels);
    source.BlackLevel = levels.Black;
    source.WhiteLevel = levels.White;
    static const int32_t kContrasts[] = {0, 0, 0, 10, -25, 57, -100, -150, 3};
    source.DisplayContrast = OneOf(kContrasts);
    source.ChannelShiftEnabled = Between(0, 1) == 1;
    for (int32_t& shift : source.ChannelShift) shift = Between(0, 2) == 0 ? 0 : Between(-300, 300);
  }

  void RandomAlpha(TPVBitmap& source) {
    if (Between(0, 2) == 0) return;
    TPVBitmap* plane = source.GetAlphaChannel();
    ASSERT_NE(plane, nullptr);
    test::FillRandom(*plane, static_cast<uint32_t>(random_()));
    plane->Opaque = Between(0, 4) == 0;  // an Opaque plane is not read
  }

  RenderCall RandomCall(int32_t targetWidth, int32_t targetHeight) {
    RenderCall call;
    call.TargetX = Between(-30, targetWidth + 3);
    call.TargetY = Between(-30, targetHeight + 3);
    call.TargetWidth = Between(-3, 90);
    call.TargetHeight = Between(-3, 90);
    call.SourceX = Between(-5, 45);
    call.SourceY = Between(-5, 45);
    call.SourceWidth = Between(-2, 45);
    call.SourceHeight = Between(-2, 45);
    call.UseAlpha = Between(0, 1) == 1;
    call.RowReuse = Between(0, 1) == 1;
    static const int32_t kTransparencies[] = {255, 255, 255, 0, 1, 128, 254, 77};
    call.Transparency = OneOf(kTransparencies);
    call.Operation = Between(0, 1) ? pvboNormal : static_cast<TPVBlendOperation>(Between(0, 38));
    if (Between(0, 2) == 0)
      call.Clip = TRect{Between(-5, targetWidth), Between(-5, targetHeight),
                        Between(-5, targetWidth + 5), Between(-5, targetHeight + 5)};
    return call;
  }
};

TEST_F(RenderersAgainstModel, EveryFormatOverRandomCases) {
  constexpr int kCases = 4000;
  for (int i = 0; i < kCases; ++i) {
    const TPVPixelFormat format = test::kAllFormats[i % 10];
    const test::Storage storage = test::kMemoryAndFile[(i / 10) % 2];
    auto source = test::MakeBitmap(storage, Between(1, 40), Between(1, 40), format);
    FillSource(*source);
    RandomSettings(*source);
    RandomAlpha(*source);
    auto target = test::MakeBitmap(test::kMemoryAndFile[(i / 20) % 2], Between(1, 50),
                                   Between(1, 50), pv24RGB);
    test::FillRandom(*target, static_cast<uint32_t>(random_()));
    // Half the cases copy or scale in whole multiples, which most views do.
    RenderCall call = RandomCall(target->Width, target->Height);
    if (i % 2 == 0) {
      call.TargetWidth = call.SourceWidth * Between(1, 3);
      call.TargetHeight = call.SourceHeight * Between(1, 3);
    }

    const test::RGBImage before = test::ImageOf(*target);
    const test::RGBImage expected = test::ExpectedRender(*source, before, call);
    {
      // Every other case sends its operation through the table large renders use.
      test::ScopedOverride<int64_t> tables(render::TabledOperationPixels,
                                           i % 4 < 2 ? 0 : INT64_MAX);
      test::Render(*source, *target, call);
    }
    ASSERT_TRUE(test::SameImage(expected, test::ImageOf(*target)))
        << "case " << i << ", format " << int{format} << ", source " << source->Width << " x "
        << source->Height << ", target " << target->Width << " x " << target->Height
        << ", call (" << call.TargetX << ", " << call.TargetY << ", " << call.TargetWidth << ", "
        << call.TargetHeight << ") from (" << call.SourceX << ", " << call.SourceY << ", "
        << call.SourceWidth << ", " << call.SourceHeight << "), transparency "
        << call.Transparency << ", operation " << int{call.Operation} << ", reuse "
        << call.RowReuse << ", alpha " << call.UseAlpha << ", clip "
        << (call.Clip ? ClipText(*call.Clip) : "none");
  }
}

// The four-byte reads of the row copy stay inside a source row that ends with its last pixel
// (the row here is a block of exactly its bytes, which the address sanitizer guards).
TEST(MappedRowCopy24, ReadsNothingPastTheSourceRow) {
  for (int32_t width = 1; width <= 9; ++width) {
    SCOPED_TRACE(width);
    std::vector<uint8_t> row(static_cast<size_t>(width) * 3);
    for (size_t i = 0; i < row.size(); ++i) row[i] = static_cast<uint8_t>(i * 37 + 5);
    std::vector<int32_t> map;
    for (int32_t x = 0; x < 2 * width; ++x) map.push_back(x / 2);  // enlarged twice
    map.push_back(width - 1);
    const render::MappedRowCopy24 copy(map, static_cast<int32_t>(map.size()),
                                       static_cast<int32_t>(row.size()));
    std::vector<uint8_t> out(map.size() * 3);
    copy.Run(row.data(), nullptr, out.data());
    for (size_t i = 0; i < map.size(); ++i)
      ASSERT_EQ(std::memcmp(&out[3 * i], &row[3 * static_cast<size_t>(map[i])], 3), 0) << i;
  }
}

}  // namespace
}  // namespace calmora
