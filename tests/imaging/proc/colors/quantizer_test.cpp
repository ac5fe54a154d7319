// TPVQuantizer: the path chosen for each kind of image, the palette it writes and the indexes
// it gives, with the exact-colour, grey and paletted paths' rules.
#include "imaging/proc/colors/quantizer.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "imaging/base/color_helpers.h"
#include "imaging/proc/colors/color_reduction.h"
#include "tests/imaging/proc/colors/color_tool_bitmaps.h"
#include "tests/support/scoped_override.h"

namespace calmora {
namespace {

using test::FillRGB;
using test::NewBitmap;
using test::RGBAt;
using test::Storage;

constexpr TPVRGB kSentinel{1, 2, 3};
const TPVRGB kWhite = MakeRGB(255, 255, 255);
const TPVRGB kBlack = MakeRGB(0, 0, 0);

// A colourful image: more than 256 distinct colours, no grey pixel pattern.
TPVRGB Colourful(int32_t x, int32_t y) {
  return MakeRGB(static_cast<uint8_t>(x * 7), static_cast<uint8_t>(y * 13 + x),
                 static_cast<uint8_t>(255 - x * 3));
}

class Quantizer : public ::testing::TestWithParam<Storage> {
 protected:
  std::unique_ptr<TPVBitmap> Bitmap(int32_t width, int32_t height, TPVPixelFormat format) {
    return NewBitmap(GetParam(), width, height, format);
  }
  test::TempFolderScope folder_;
};

TEST_P(Quantizer, ColoursThatFitAreThePaletteInOrderOfFirstAppearance) {
  const TPVRGB colours[3] = {MakeRGB(200, 10, 10), MakeRGB(10, 200, 10), MakeRGB(10, 10, 200)};
  auto bitmap = Bitmap(5, 4, pv24RGB);
  // Scan order: rows from the top, pixels from the left; colour 1 first shows at (4, 0).
  FillRGB(*bitmap, [&](int32_t x, int32_t y) {
    return colours[(x == 4 && y == 0) ? 1 : y == 3 ? 2 : 0];
  });
  std::vector<TPVRGB> palette(16, kSentinel);
  TPVQuantizer quantizer(*bitmap, palette.data(), 16);
  ASSERT_TRUE(quantizer.ExactColors);
  EXPECT_FALSE(quantizer.IsGrey);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(palette[i], colours[i]) << i;
  for (int i = 3; i < 16; ++i) EXPECT_EQ(palette[i], kSentinel) << i;
  EXPECT_EQ(quantizer.RGBIndex(colours[1]), 1);
  EXPECT_EQ(quantizer.RGBIndex(colours[2]), 2);
  // Only collected colours are found; the palette's unwritten entries are not searched.
  EXPECT_EQ(quantizer.RGBIndex(kSentinel), -1);
  EXPECT_EQ(quantizer.RGBIndex(kBlack), -1);
}

TEST_P(Quantizer, AWhiteAndBlackImageIndexesOnlyItsTwoColours) {
  auto bitmap = Bitmap(6, 3, pv24RGB);
  FillRGB(*bitmap, [](int32_t x, int32_t) { return x < 3 ? kWhite : kBlack; });
  std::vector<TPVRGB> palette(16, kBlack);  // zeroed entries must not be found
  TPVQuantizer quantizer(*bitmap, palette.data(), 16);
  // A grey image: the ramp's formula, so pixels and palette still agree.
  EXPECT_TRUE(quantizer.IsGrey);
  EXPECT_EQ(quantizer.RGBIndex(kWhite), 15);
  EXPECT_EQ(palette[15], MakeRGB(240, 240, 240));
  FillRGB(*bitmap, [](int32_t x, int32_t) { return x < 3 ? kWhite : MakeRGB(0, 0, 1); });
  std::fill(palette.begin(), palette.end(), kBlack);
  TPVQuantizer colour(*bitmap, palette.data(), 16);
  ASSERT_TRUE(colour.ExactColors);
  EXPECT_EQ(colour.RGBIndex(kWhite), 0);
  EXPECT_EQ(colour.RGBIndex(MakeRGB(0, 0, 1)), 1);
  EXPECT_EQ(colour.RGBIndex(kBlack), -1);
}

TEST_P(Quantizer, AGreyImageGetsTheRampAndItsIndexFormula) {
  auto bitmap = Bitmap(4, 4, pv8g);
  std::vector<TPVRGB> palette(16, kSentinel);
  TPVQuantizer quantizer(*bitmap, palette.data(), 16);
  EXPECT_TRUE(quantizer.IsGrey);
  for (int i = 0; i < 16; ++i) {
    const auto level = static_cast<uint8_t>(16 * i);
    EXPECT_EQ(palette[i], MakeRGB(level, level, level)) << i;
  }
  EXPECT_EQ(quantizer.RGBIndex(MakeRGB(200, 200, 200)), 12);
  for (int level = 0; level < 256; ++level)
    EXPECT_EQ(quantizer.RGBIndex(MakeRGB(level, 0, 0)), level * 16 / 256);
}

// A pv8p image is grey only when its palette is the ramp: then the image's own indexes, the
// palette and RGBIndex agree. Any other palette is copied and searched.
TEST_P(Quantizer, APalettedImageIsGreyOnlyWithTheRampAsItsPalette) {
  auto bitmap = Bitmap(16, 16, pv8p);
  for (int i = 0; i < 256; ++i) bitmap->SetPaletteColor(i, MakeRGB(i, i, i));
  std::vector<TPVRGB> palette(256, kSentinel);
  TPVQuantizer ramp(*bitmap, palette.data(), 256);
  EXPECT_TRUE(ramp.IsGrey);
  for (int i = 0; i < 256; ++i) {
    EXPECT_EQ(palette[i], MakeRGB(i, i, i));
    EXPECT_EQ(ramp.RGBIndex(palette[i]), i);
  }
  // The same palette for 16 colours is not the 16-entry ramp: grey 200 keeps its own index.
  std::vector<TPVRGB> sixteen(16, kSentinel);
  TPVQuantizer copied(*bitmap, sixteen.data(), 16);
  EXPECT_FALSE(copied.IsGrey);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(sixteen[i], MakeRGB(i, i, i));
  EXPECT_EQ(copied.RGBIndex(MakeRGB(200, 200, 200)), 200);
}

TEST_P(Quantizer, AGreyPaletteOtherThanTheRampKeepsTheImagesIndexes) {
  auto bitmap = Bitmap(4, 4, pv8p);
  // Entry 0 white, entry 1 and the rest black: grey, but the ramp would swap white and black.
  bitmap->SetPaletteColor(0, kWhite);
  for (int i = 1; i < 256; ++i) bitmap->SetPaletteColor(i, kBlack);
  std::vector<TPVRGB> palette(2, kSentinel);
  TPVQuantizer quantizer(*bitmap, palette.data(), 2);
  EXPECT_FALSE(quantizer.IsGrey);
  EXPECT_EQ(palette[0], kWhite);
  EXPECT_EQ(palette[1], kBlack);
  EXPECT_EQ(quantizer.RGBIndex(kWhite), 0);
  EXPECT_EQ(quantizer.RGBIndex(kBlack), 1);              // the first of equal entries
  EXPECT_EQ(quantizer.RGBIndex(MakeRGB(1, 2, 3)), 256);  // none equal: the palette length
}

TEST_P(Quantizer, TheSettingsChooseTheQuantiser) {
  auto bitmap = Bitmap(64, 64, pv24RGB);
  FillRGB(*bitmap, Colourful);
  struct Case {
    int32_t algorithm;
    int32_t colours;
    bool medianCut;
  };
  const Case cases[] = {
      {-1, 64, true}, {-1, 127, true}, {-1, 128, false}, {-1, 256, false}, {0, 16, false},
      {1, 256, true}, {7, 64, false},  {1, 1024, false},  // past the splitter's 256 boxes
  };
  for (const Case& c : cases) {
    test::ScopedOverride<int32_t> algorithm(QuantizerAlgorithm, c.algorithm);
    std::vector<TPVRGB> palette(static_cast<size_t>(c.colours), kSentinel);
    TPVQuantizer quantizer(*bitmap, palette.data(), c.colours);
    SCOPED_TRACE(testing::Message() << "algorithm " << c.algorithm << ", " << c.colours);
    EXPECT_FALSE(quantizer.ExactColors);
    EXPECT_EQ(quantizer.Algorithm, c.medianCut ? 1 : 0);
    EXPECT_EQ(quantizer.MedianCut() != nullptr, c.medianCut);
    EXPECT_EQ(quantizer.NeuQuant() != nullptr, !c.medianCut);
    std::set<int32_t> used;
    for (int32_t y = 0; y < 64; ++y)
      for (int32_t x = 0; x < 64; ++x) {
        const int32_t index = quantizer.RGBIndex(RGBAt(*bitmap, x, y));
        ASSERT_GE(index, 0);
        ASSERT_LT(index, c.colours);
        used.insert(index);
      }
    if (!c.medianCut) {
      EXPECT_NE(palette.back(), kSentinel);  // the network fills every entry
    }
    EXPECT_GT(used.size(), 1u);
  }
}

TEST_P(Quantizer, ASingleColourNeverReachesTheQuantisers) {
  auto bitmap = Bitmap(9, 7, pv24RGB);
  const TPVRGB orange = MakeRGB(250, 128, 0);
  FillRGB(*bitmap, [&](int32_t, int32_t) { return orange; });
  std::vector<TPVRGB> palette(2, kSentinel);
  TPVQuantizer quantizer(*bitmap, palette.data(), 2);
  EXPECT_TRUE(quantizer.ExactColors);
  EXPECT_FALSE(quantizer.NeuQuant() || quantizer.MedianCut());
  EXPECT_EQ(palette[0], orange);
  EXPECT_EQ(palette[1], kSentinel);
  EXPECT_EQ(quantizer.RGBIndex(orange), 0);
}

TEST_P(Quantizer, NoColoursWritesNothingAndIndexesZero) {
  auto colourful = Bitmap(40, 40, pv24RGB);
  FillRGB(*colourful, Colourful);
  auto grey = Bitmap(4, 4, pv8g);
  for (TPVBitmap* bitmap : {colourful.get(), grey.get()})
    for (int32_t colours : {0, -3}) {
      std::vector<TPVRGB> palette(4, kSentinel);
      TPVQuantizer quantizer(*bitmap, palette.data(), colours);
      for (const TPVRGB& entry : palette) EXPECT_EQ(entry, kSentinel);
      EXPECT_EQ(quantizer.RGBIndex(kWhite), 0);
      EXPECT_EQ(quantizer.RGBIndex(RGBAt(*colourful, 5, 5)), 0);
    }
}

TEST_P(Quantizer, ReducingAnImageOfFewerColoursLosesNothing) {
  auto bitmap = Bitmap(50, 40, pv24RGB);
  // 200 distinct colours, each on 10 pixels spread over the image.
  FillRGB(*bitmap, [](int32_t x, int32_t y) {
    const int32_t k = (x * 7 + y * 11) % 200;
    return MakeRGB(static_cast<uint8_t>(k), static_cast<uint8_t>(255 - k),
                   static_cast<uint8_t>(k * 3));
  });
  std::vector<TPVRGB> before;
  for (int32_t y = 0; y < 40; ++y)
    for (int32_t x = 0; x < 50; ++x) before.push_back(RGBAt(*bitmap, x, y));
  std::vector<TPVRGB> palette(256, kSentinel);
  ReduceColors24(*bitmap, 256, palette.data(), nullptr, nullptr);
  size_t i = 0;
  for (int32_t y = 0; y < 40; ++y)
    for (int32_t x = 0; x < 50; ++x) ASSERT_EQ(RGBAt(*bitmap, x, y), before[i++]) << x << "," << y;
  EXPECT_NE(palette[199], kSentinel);
  EXPECT_EQ(palette[200], kSentinel);
}

TEST_P(Quantizer, ExactColoursGiveUpAtOneTooMany) {
  auto bitmap = Bitmap(4, 3, pv24RGB);
  // Colours 0, 1, 2 in scan order; colour 2 first shows on the last row.
  FillRGB(*bitmap, [](int32_t x, int32_t y) { return MakeRGB(y == 2 && x == 3 ? 2 : x % 2, 9, 9); });
  std::vector<TPVRGB> dest(3, kSentinel);
  EXPECT_FALSE(CollectExactColors(*bitmap, 2, dest.data()));
  EXPECT_EQ(dest, std::vector<TPVRGB>(3, kSentinel));  // nothing copied when they do not fit
  auto list = CollectExactColors(*bitmap, 3, dest.data());
  ASSERT_TRUE(list);
  EXPECT_EQ(list->Count(), 3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(dest[i], MakeRGB(i, 9, 9));
    EXPECT_EQ(FindExactColor(dest.data(), 3, MakeRGB(i, 9, 9)), i);
    EXPECT_EQ(list->IndexOf(MakeRGB(i, 9, 9)), i);
  }
  EXPECT_EQ(FindExactColor(dest.data(), 2, MakeRGB(2, 9, 9)), -1);
  EXPECT_EQ(list->IndexOf(MakeRGB(3, 9, 9)), -1);
  FreeExactColors(list);
  EXPECT_FALSE(list);
  auto grey = Bitmap(2, 2, pv8g);
  EXPECT_FALSE(CollectExactColors(*grey, 16, dest.data()));  // pv24RGB only
}

// Enough colours to make the index beside the list grow several times.
TEST_P(Quantizer, ManyExactColoursKeepTheirIndexes) {
  auto bitmap = Bitmap(100, 50, pv24RGB);
  FillRGB(*bitmap, [](int32_t x, int32_t y) {
    return MakeRGB(static_cast<uint8_t>(x), static_cast<uint8_t>(y), static_cast<uint8_t>(x ^ y));
  });
  std::vector<TPVRGB> palette(5000, kSentinel);
  const TPVQuantizer quantizer(*bitmap, palette.data(), 5000);
  ASSERT_TRUE(quantizer.ExactColors);
  for (int32_t y = 0; y < 50; ++y)
    for (int32_t x = 0; x < 100; ++x)
      ASSERT_EQ(quantizer.RGBIndex(RGBAt(*bitmap, x, y)), y * 100 + x);
  EXPECT_EQ(quantizer.RGBIndex(MakeRGB(200, 200, 0)), -1);
}

INSTANTIATE_TEST_SUITE_P(Storages, Quantizer, test::kMemoryAndFile, test::StorageCaseName);

}  // namespace
}  // namespace calmora
