// Every pair of pixel formats against the plain model of conversion_model.h, on random images:
// SetPixelFormat in memory, in the temporary file and in a device bitmap (where it can hold the
// pair), with both reductions to pv1g; and ConvertFrom with its hand-over of the alpha plane
// and its detour of the caller's source via pv24RGB.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <tuple>

#include "imaging/core/bitmap/bitmap.h"
#include "imaging/base/device_bitmap_copy.h"
#include "tests/imaging/proc/colors/conversion_model.h"

namespace calmora {
namespace {

using test::Storage;
using test::conversion::ConversionSetting;
using test::conversion::Expect;
using test::conversion::Expectation;
using test::conversion::ImageOf;

// More pixels than the exact-colour path of the quantiser takes, an odd width for the last
// byte of pv1g rows, and more than one tile of the dither matrix each way.
constexpr int32_t kWidth = 37;
constexpr int32_t kHeight = 19;

// Floats around the range, past both ends (wrapping when narrowed) and not a number.
float RandomFloat(std::mt19937& random) {
  static const float kSpecial[] = {0.0f, 1.0f, 0.5f, 1.5f, -0.25f, 2.75f, std::nanf("")};
  if (random() % 4 == 0) return kSpecial[random() % std::size(kSpecial)];
  return std::uniform_real_distribution<float>(-0.5f, 2.0f)(random);
}

// Random pixels (and palette) in every format; a pv24RGB image gets a white pixel where the
// matrix entry is 63, the one place where a dither with near-white kept white differs.
void FillSource(TPVBitmap& bitmap, uint32_t seed) {
  std::mt19937 random(seed);
  for (int32_t y = 0; y < bitmap.GetHeight(); ++y) {
    uint8_t* row = bitmap.GetScanline(y);
    ASSERT_NE(row, nullptr);
    if (bitmap.Format == pv32f) {
      for (int32_t x = 0; x < bitmap.Width; ++x) {
        const float value = RandomFloat(random);
        std::memcpy(row + 4 * x, &value, 4);
      }
    } else {
      for (int32_t i = 0; i < bitmap.RowBytes; ++i) row[i] = static_cast<uint8_t>(random());
    }
    if (bitmap.Format == pv24RGB && y == 0) std::memset(row + 3 * 7, 255, 3);
  }
  for (int32_t i = 0; i < bitmap.GetPaletteLen(); ++i)
    bitmap.SetPaletteColor(i, TPVRGB{static_cast<uint8_t>(random()), static_cast<uint8_t>(random()),
                                     static_cast<uint8_t>(random())});
}

void FillAlpha(TPVBitmap& bitmap, uint32_t seed) {
  TPVBitmap* plane = bitmap.GetAlphaChannel();
  ASSERT_NE(plane, nullptr);
  test::FillRandom(*plane, seed);
}

// The format a device bitmap holds a pixel format in; pvNoFormat for none.
TPVPixelFormat DeviceHeld(TPVPixelFormat format) {
  switch (format) {
    case pv16g: return pv8g;
    case pv1g:
    case pv8p:
    case pv8g:
    case pv24RGB:
    case pv32RGB: return format;
    default: return pvNoFormat;
  }
}

bool IsGreyRamp(const std::vector<TPVRGB>& palette) {
  for (size_t i = 0; i < palette.size(); ++i)
    if (!(palette[i] == test::conversion::Grey(static_cast<uint8_t>(i)))) return false;
  return palette.size() == 256;
}

// Whether ConvertFrom converts its source to pv24RGB first.
bool GoesVia24(TPVPixelFormat from, TPVPixelFormat to, TPVDitherMethod method) {
  if (from == to || from == pv24RGB) return false;
  if (to == pv1g)
    return !test::conversion::OneBitIsDirect(from) || (from == pvRGB48 && method == pvdmThreshold);
  const uint8_t zero[8] = {};
  const std::vector<TPVRGB> palette;
  return test::conversion::DirectRule({from, zero, &palette}, to).empty();
}

using PairCase = std::tuple<TPVPixelFormat, TPVPixelFormat, Storage>;

class ConversionPair : public ::testing::TestWithParam<PairCase> {
 protected:
  void SetUp() override { Build1BitExpansionTable(); }

  TPVPixelFormat From() const { return std::get<0>(GetParam()); }
  TPVPixelFormat To() const { return std::get<1>(GetParam()); }
  Storage Where() const { return std::get<2>(GetParam()); }
  uint32_t Seed() const { return From() * 131u + To() * 7u + static_cast<uint32_t>(Where()); }

  std::unique_ptr<TPVBitmap> Source(TPVDitherMethod method) {
    auto bitmap = test::MakeBitmap(Where(), kWidth, kHeight, From());
    bitmap->DitherMethod = method;
    FillSource(*bitmap, Seed());
    FillAlpha(*bitmap, Seed() + 1);
    return bitmap;
  }

  test::TempFolderScope folder_;
};

TEST_P(ConversionPair, SetPixelFormatFollowsTheModel) {
  const bool device = Where() == Storage::Device;
  if (device && DeviceHeld(From()) != From()) GTEST_SKIP() << "no device bitmap of the source";
  for (const TPVDitherMethod method : {pvdmOrdered, pvdmThreshold}) {
    SCOPED_TRACE(method == pvdmOrdered ? "ordered" : "threshold");
    auto bitmap = Source(method);
    const auto before = ImageOf(*bitmap);
    const auto alphaBefore = test::ModelOf(*bitmap->AlphaBitmap);
    if (device && DeviceHeld(To()) == pvNoFormat) {
      EXPECT_FALSE(bitmap->SetPixelFormat(To()));
      EXPECT_EQ(bitmap->Format, From()) << "the format field alone never changes";
      EXPECT_TRUE(test::conversion::Matches({before, static_cast<int32_t>(before.Palette.size())},
                                            ImageOf(*bitmap)));
      continue;
    }
    ConversionSetting setting;
    setting.Method = method;
    setting.NearWhiteStaysWhite = device && From() == pv24RGB;
    Expectation expected = Expect(before, device ? DeviceHeld(To()) : To(), setting);
    // An 8-bit device bitmap with the grey ramp reads back as pv8g.
    if (device && expected.Result.Format == pv8p && expected.PaletteEntriesSet == 256 &&
        IsGreyRamp(expected.Result.Palette))
      expected.Result.Format = pv8g;
    ASSERT_TRUE(bitmap->SetPixelFormat(To()));
    EXPECT_TRUE(test::conversion::Matches(expected, ImageOf(*bitmap)));
    EXPECT_EQ(test::StorageOf(*bitmap), Where());
    ASSERT_TRUE(bitmap->HasAlphaChannel());
    EXPECT_TRUE(test::SameModel(alphaBefore, test::ModelOf(*bitmap->AlphaBitmap)));
    if (From() != pv1g && To() != pv1g) break;  // the dither method only matters for pv1g
  }
}

TEST_P(ConversionPair, ConvertFromHandsTheAlphaPlaneOver) {
  if (Where() == Storage::Device) GTEST_SKIP() << "ConvertFrom leaves device bitmaps alone";
  for (const TPVDitherMethod method : {pvdmOrdered, pvdmThreshold}) {
    SCOPED_TRACE(method == pvdmOrdered ? "ordered" : "threshold");
    auto source = Source(pvdmThreshold);
    const auto before = ImageOf(*source);
    const auto alphaBefore = test::ModelOf(*source->AlphaBitmap);
    auto target = test::MakeBitmap(Where(), kWidth, kHeight, To());
    target->DitherMethod = method;  // the target's setting decides
    target->GetAlphaChannel();      // replaced by the source's
    ConversionSetting setting;
    setting.Method = method;
    ASSERT_TRUE(target->ConvertFrom(*source));
    if (From() != To()) {  // equal formats convert nothing
      EXPECT_TRUE(test::conversion::Matches(Expect(before, To(), setting), ImageOf(*target)));
    }
    EXPECT_EQ(source->GetPixelFormat(), GoesVia24(From(), To(), method) ? pv24RGB : From());
    EXPECT_EQ(source->AlphaBitmap, nullptr);
    ASSERT_TRUE(target->HasAlphaChannel());
    EXPECT_TRUE(test::SameModel(alphaBefore, test::ModelOf(*target->AlphaBitmap)));
    if (From() != pv1g && To() != pv1g) break;
  }
}

std::string PairName(const ::testing::TestParamInfo<PairCase>& info) {
  static const char* const kNames[] = {"none", "1g",   "8p",    "8g",  "16g",  "24RGB",
                                       "32f",  "CMYK", "RGB48", "Lab", "32RGB"};
  return std::string(kNames[std::get<0>(info.param)]) + "_to_" + kNames[std::get<1>(info.param)] +
         "_" + test::StorageName(std::get<2>(info.param));
}

INSTANTIATE_TEST_SUITE_P(AllPairs, ConversionPair,
                         ::testing::Combine(::testing::ValuesIn(test::kAllFormats),
                                            ::testing::ValuesIn(test::kAllFormats),
                                            ::testing::Values(Storage::MemoryBlock, Storage::File,
                                                              Storage::Device)),
                         PairName);

}  // namespace
}  // namespace calmora
