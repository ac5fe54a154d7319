// CMYK pixels to and from RGB: the formulas, the built-in printer profile (what it is, no ink
// and full ink, round trips), its one-time loading from several threads, and its absence.
#include "imaging/core/color/cmyk_profile.h"

#include <gtest/gtest.h>
#include <lcms2.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "imaging/zlib/zlib_codec.h"
#include "imaging/core/color/icc.h"
#include "imaging/core/data/cmyk_profile_data.h"
#include "imaging/base/color_helpers.h"
#include "platform/color_system.h"

namespace calmora {
namespace {

class CMYKTest : public ::testing::Test {
 protected:
  void SetUp() override { FreeCMYKProfiles(); }
  void TearDown() override {
    CMYKProfileConversion = true;
    platform::SetColorSystemAbsent(false);
    FreeColorSystemLibrary();
    FreeCMYKProfiles();
  }
};

TEST_F(CMYKTest, FormulasWithoutTheProfile) {
  CMYKProfileConversion = false;
  TPVRGB rgb{};
  CMYKToRGB(MakeCMYK(255, 255, 255, 255), rgb);  // no ink
  EXPECT_EQ(rgb, MakeRGB(255, 255, 255));
  CMYKToRGB(MakeCMYK(255, 255, 255, 0), rgb);  // full black
  EXPECT_EQ(rgb, MakeRGB(0, 0, 0));
  EXPECT_EQ(RGBToCMYK(MakeRGB(10, 20, 30)), MakeCMYK(85, 170, 255, 30));
  CMYKToRGB(MakeCMYK(85, 170, 255, 30), rgb);
  EXPECT_EQ(rgb, MakeRGB(10, 20, 30));
  EXPECT_EQ(RGBToCMYK(MakeRGB(0, 0, 0)), MakeCMYK(0, 0, 0, 1));  // the largest channel counts as 1
  EXPECT_EQ(CMYKProfile, nullptr);  // the formulas never load the profile
}

// The formulas against a model that divides in floating point and takes the floor: stored
// bytes are 255 minus the ink, so red = C x K / 255 and back c = red x 255 / max(r, g, b),
// both cut down to whole numbers. Every (C, K) and every (red, green) pair, the other channels
// varied with them.
TEST_F(CMYKTest, FormulasTruncateOverEveryPair) {
  CMYKProfileConversion = false;
  const auto floorOf = [](int numerator, int denominator) {
    return static_cast<uint8_t>(std::floor(double(numerator) / denominator));
  };
  std::vector<TPVCMYK> inks;
  std::vector<TPVRGB> expected;
  for (int c = 0; c < 256; ++c)
    for (int k = 0; k < 256; ++k) {
      const int m = (c * 7 + k) & 255, y = (c + k * 3) & 255;
      inks.push_back(MakeCMYK(uint8_t(c), uint8_t(m), uint8_t(y), uint8_t(k)));
      expected.push_back(MakeRGB(floorOf(c * k, 255), floorOf(m * k, 255), floorOf(y * k, 255)));
    }
  for (size_t i = 0; i < inks.size(); ++i) {
    TPVRGB rgb{};
    CMYKToRGB(inks[i], rgb);
    ASSERT_EQ(rgb, expected[i]) << int(inks[i].c) << "," << int(inks[i].m) << ","
                                << int(inks[i].y) << "," << int(inks[i].k);
  }
  std::vector<TPVRGB> row(inks.size());
  CMYKRowToRGB(inks.data(), row.data(), int32_t(inks.size()));
  EXPECT_TRUE(row == expected);

  for (int r = 0; r < 256; ++r)
    for (int g = 0; g < 256; ++g)
      for (int b : {(r * 31 + g * 17 + 5) & 255, 0, 255}) {
        const int largest = std::max({r, g, b, 1});  // black counts as 1
        const TPVCMYK want = MakeCMYK(floorOf(r * 255, largest), floorOf(g * 255, largest),
                                      floorOf(b * 255, largest), uint8_t(largest));
        ASSERT_EQ(RGBToCMYK(MakeRGB(uint8_t(r), uint8_t(g), uint8_t(b))), want)
            << r << "," << g << "," << b;
      }
}

TEST_F(CMYKTest, TheBuiltInDataIsACMYKPrinterProfile) {
  void* inflated = nullptr;
  int32_t size = 0;
  DecompressBuffer(BuiltInCMYKProfileData, BuiltInCMYKProfileDataSize, inflated, size,
                   BuiltInCMYKProfileSize);
  ASSERT_NE(inflated, nullptr);
  const auto* bytes = static_cast<const uint8_t*>(inflated);
  EXPECT_EQ(size, BuiltInCMYKProfileSize);
  ASSERT_GT(size, 132);
  const uint32_t declared =
      uint32_t(bytes[0]) << 24 | uint32_t(bytes[1]) << 16 | uint32_t(bytes[2]) << 8 | bytes[3];
  EXPECT_EQ(declared, uint32_t(size));
  EXPECT_EQ(std::memcmp(bytes + 12, "prtr", 4), 0);  // output device class
  EXPECT_EQ(std::memcmp(bytes + 16, "CMYK", 4), 0);  // data colour space
  EXPECT_EQ(std::memcmp(bytes + 20, "Lab ", 4), 0);  // connection space
  EXPECT_EQ(std::memcmp(bytes + 36, "acsp", 4), 0);
  std::free(inflated);
}

TEST_F(CMYKTest, LoadCMYKProfileMakesBothTransformsOnce) {
  ASSERT_TRUE(LoadCMYKProfile());
  ASSERT_NE(CMYKProfile, nullptr);
  ASSERT_NE(SRGBProfile, nullptr);
  EXPECT_TRUE(CMYKProfile->IsOpen());
  EXPECT_TRUE(CMYKProfile->IsTransformReady());
  EXPECT_TRUE(SRGBProfile->IsTransformReady());
  EXPECT_EQ(CMYKProfile->InputLayout, clInvertedCMYK);
  EXPECT_EQ(SRGBProfile->OutputLayout, clInvertedCMYK);
  EXPECT_FALSE(CMYKProfile->DescText.empty());
  const TPVICC* first = CMYKProfile;
  EXPECT_TRUE(LoadCMYKProfile());
  EXPECT_EQ(CMYKProfile, first);
}

TEST_F(CMYKTest, NoInkIsWhiteAndFullInkIsBlack) {
  TPVRGB rgb{};
  CMYKToRGB(MakeCMYK(255, 255, 255, 255), rgb);
  EXPECT_GE(rgb.r, 250);
  EXPECT_GE(rgb.g, 250);
  EXPECT_GE(rgb.b, 250);
  CMYKToRGB(MakeCMYK(0, 0, 0, 0), rgb);
  EXPECT_LE(rgb.r, 12);
  EXPECT_LE(rgb.g, 12);
  EXPECT_LE(rgb.b, 12);
  // Black ink alone is a dark neutral.
  CMYKToRGB(MakeCMYK(255, 255, 255, 0), rgb);
  EXPECT_LE(rgb.r, 64);
  EXPECT_LE(std::abs(rgb.r - rgb.b), 12);

  const TPVCMYK white = RGBToCMYK(MakeRGB(255, 255, 255));
  EXPECT_GE(white.c, 250);  // stored bytes: 255 means no ink
  EXPECT_GE(white.m, 250);
  EXPECT_GE(white.y, 250);
  EXPECT_GE(white.k, 250);
  const TPVCMYK black = RGBToCMYK(MakeRGB(0, 0, 0));
  EXPECT_LE(black.k, 10);  // full black ink
  // Pure inks land on their own primaries' complements.
  CMYKToRGB(MakeCMYK(0, 255, 255, 255), rgb);  // cyan
  EXPECT_LT(rgb.r + 80, rgb.b);
  CMYKToRGB(MakeCMYK(255, 255, 0, 255), rgb);  // yellow
  EXPECT_LT(rgb.b + 80, rgb.r);
}

// CIE76 colour difference of two sRGB pixels, measured by Little CMS.
class ColorDifference {
 public:
  ColorDifference()
      : srgb_(cmsCreate_sRGBProfile()),
        lab_(cmsCreateLab4Profile(nullptr)),
        to_lab_(cmsCreateTransform(srgb_, TYPE_BGR_8, lab_, TYPE_Lab_DBL,
                                   INTENT_RELATIVE_COLORIMETRIC, 0)) {}
  ~ColorDifference() {
    cmsDeleteTransform(to_lab_);
    cmsCloseProfile(lab_);
    cmsCloseProfile(srgb_);
  }
  double operator()(TPVRGB a, TPVRGB b) const {
    cmsCIELab la, lb;
    cmsDoTransform(to_lab_, &a, &la, 1);
    cmsDoTransform(to_lab_, &b, &lb, 1);
    return cmsDeltaE(&la, &lb);
  }

 private:
  cmsHPROFILE srgb_;
  cmsHPROFILE lab_;
  cmsHTRANSFORM to_lab_;
};

TEST_F(CMYKTest, RoundTripsStayClose) {
  // Colours the inks can print (made from ink amounts) come back from RGB -> CMYK -> RGB
  // within a colour difference (CIE76) of 8 at worst and 2 on average: the tables are coarse
  // grids (9 points per ink, 21 per Lab axis) and every step rounds to 8 bits, which shows
  // most in the shadows. Black generation may pick other inks; only the colour counts.
  const ColorDifference difference;
  double worst = 0, sum = 0;
  int count = 0;
  for (int c = 0; c <= 255; c += 51)
    for (int m = 0; m <= 255; m += 51)
      for (int y = 0; y <= 255; y += 51)
        for (int k : {255, 204, 153}) {
          TPVRGB printable{};
          CMYKToRGB(MakeCMYK(uint8_t(c), uint8_t(m), uint8_t(y), uint8_t(k)), printable);
          TPVRGB back{};
          CMYKToRGB(RGBToCMYK(printable), back);
          const double d = difference(printable, back);
          EXPECT_LE(d, 8.0) << int(printable.r) << "," << int(printable.g) << ","
                            << int(printable.b) << " came back as " << int(back.r) << ","
                            << int(back.g) << "," << int(back.b);
          worst = std::max(worst, d);
          sum += d;
          ++count;
        }
  EXPECT_LE(sum / count, 2.0);
  // Greys keep their level within 6 steps and stay neutral.
  for (int v = 0; v <= 255; v += 5) {
    TPVRGB back{};
    CMYKToRGB(RGBToCMYK(MakeRGB(uint8_t(v), uint8_t(v), uint8_t(v))), back);
    EXPECT_LE(std::abs(back.g - v), 6) << "grey " << v << " came back as " << int(back.r) << ","
                                       << int(back.g) << "," << int(back.b);
    EXPECT_LE(std::max({back.r, back.g, back.b}) - std::min({back.r, back.g, back.b}), 6) << v;
  }
  std::printf("round trip: worst colour difference %.2f, mean %.2f\n", worst, sum / count);
}

TEST_F(CMYKTest, RowsGiveTheSameResultsAsPixels) {
  std::vector<TPVCMYK> cmyk;
  for (int i = 0; i < 600; ++i)
    cmyk.push_back(
        MakeCMYK(uint8_t(i * 7), uint8_t(i * 13), uint8_t(i * 29), uint8_t(255 - i % 256)));
  std::vector<TPVRGB> row(cmyk.size());
  CMYKRowToRGB(cmyk.data(), row.data(), int32_t(cmyk.size()));
  for (size_t i = 0; i < cmyk.size(); ++i) {
    TPVRGB one{};
    CMYKToRGB(cmyk[i], one);
    ASSERT_EQ(row[i], one) << i;
  }
  // The same row converted onto itself.
  std::vector<uint8_t> shared(cmyk.size() * 4);
  std::memcpy(shared.data(), cmyk.data(), shared.size());
  CMYKRowToRGB(reinterpret_cast<TPVCMYK*>(shared.data()), reinterpret_cast<TPVRGB*>(shared.data()),
               int32_t(cmyk.size()));
  EXPECT_EQ(std::memcmp(shared.data(), row.data(), row.size() * 3), 0);

  std::vector<TPVCMYK> back(row.size());
  RGBRowToCMYK(row.data(), back.data(), int32_t(row.size()));
  for (size_t i = 0; i < row.size(); ++i) ASSERT_EQ(back[i], RGBToCMYK(row[i])) << i;
}

TEST_F(CMYKTest, FirstUseFromManyThreadsMakesOneProfile) {
  std::vector<std::thread> threads;
  std::vector<TPVRGB> results(8);
  std::vector<const TPVICC*> seen(8);
  for (int t = 0; t < 8; ++t)
    threads.emplace_back([t, &results, &seen] {
      TPVRGB rgb{};
      for (int i = 0; i < 200; ++i) CMYKToRGB(MakeCMYK(200, 100, 50, 150), rgb);
      results[size_t(t)] = rgb;
      seen[size_t(t)] = CMYKProfile;
    });
  for (auto& thread : threads) thread.join();
  for (int t = 1; t < 8; ++t) {
    EXPECT_EQ(results[size_t(t)], results[0]);
    EXPECT_EQ(seen[size_t(t)], seen[0]);
  }
  EXPECT_NE(seen[0], nullptr);
}

TEST_F(CMYKTest, WithoutTheColorSystemTheFormulasAreUsed) {
  platform::SetColorSystemAbsent(true);
  FreeColorSystemLibrary();
  EXPECT_FALSE(LoadCMYKProfile());
  EXPECT_FALSE(LoadCMYKProfile());  // the first answer stays
  TPVRGB rgb{};
  CMYKToRGB(MakeCMYK(85, 170, 255, 30), rgb);
  EXPECT_EQ(rgb, MakeRGB(10, 20, 30));
  EXPECT_EQ(RGBToCMYK(MakeRGB(10, 20, 30)), MakeCMYK(85, 170, 255, 30));

  // Freeing the profiles forgets the answer: once the colour system is back it loads.
  platform::SetColorSystemAbsent(false);
  FreeCMYKProfiles();
  EXPECT_TRUE(LoadCMYKProfile());
}

}  // namespace
}  // namespace calmora
