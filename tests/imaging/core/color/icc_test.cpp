// TPVICC: loading, texts and saving of profiles made with Little CMS, damaged profiles, the
// absent colour system, the transform cache, CIELab rows, and whole bitmaps against transicc.
#include "imaging/core/color/icc.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "imaging/zlib/zlib_codec.h"
#include "imaging/base/color_formulas.h"
#include "imaging/base/streams/streams.h"
#include "imaging/core/bitmap/bitmap.h"
#include "imaging/core/data/cmyk_profile_data.h"
#include "imaging/base/color_helpers.h"
#include "platform/color_system.h"
#include "tests/imaging/core/color/icc_test_profiles.h"
#include "tests/imaging/core/color/icc_text_model.h"
#include "tests/support/outside_tool.h"
#include "tests/support/scratch_folder.h"

namespace calmora {
namespace {

class ICCTest : public ::testing::Test {
 protected:
  void TearDown() override {
    platform::SetColorSystemAbsent(false);
    FreeColorSystemLibrary();
  }

  static std::vector<uint8_t> TestProfile() {
    return test::MakeRGBProfile(1.8, "Calmora test RGB", "Test copyright");
  }

  // The test profile into icc and the system sRGB profile into srgb, both open.
  static void OpenTestAndSRGB(TPVICC& icc, TPVICC& srgb) {
    const auto bytes = TestProfile();
    icc.LoadFromBuffer(bytes.data(), int32_t(bytes.size()));
    srgb.OpenSRGBProfile();
    ASSERT_TRUE(icc.IsOpen());
    ASSERT_TRUE(srgb.IsOpen());
  }

  static std::vector<uint8_t> Saved(const TPVICC& icc, bool no_length) {
    TMemoryStream stream;
    EXPECT_TRUE(icc.SaveToStream(&stream, no_length));
    const auto* begin = static_cast<const uint8_t*>(stream.GetMemory());
    return std::vector<uint8_t>(begin, begin + stream.GetSize());
  }

  static void PutBigEndian32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
    bytes[at] = uint8_t(value >> 24);
    bytes[at + 1] = uint8_t(value >> 16);
    bytes[at + 2] = uint8_t(value >> 8);
    bytes[at + 3] = uint8_t(value);
  }

  // Index of the tag table entry with the signature, or -1.
  static int FindTag(const std::vector<uint8_t>& bytes, const char* signature) {
    const uint32_t count = uint32_t(bytes[128]) << 24 | uint32_t(bytes[129]) << 16 |
                           uint32_t(bytes[130]) << 8 | bytes[131];
    for (uint32_t i = 0; i < count; ++i)
      if (std::memcmp(&bytes[132 + 12 * i], signature, 4) == 0) return int(i);
    return -1;
  }
};

TEST_F(ICCTest, NewProfileIsEmpty) {
  TPVICC icc;
  EXPECT_FALSE(icc.IsOpen());
  EXPECT_FALSE(icc.IsTransformReady());
  EXPECT_FALSE(icc.Applied);
  EXPECT_FALSE(icc.AlternativeEngine);
  EXPECT_EQ(icc.RawSize, 0);
  EXPECT_EQ(icc.RawProfile, nullptr);
  EXPECT_EQ(Saved(icc, false), (std::vector<uint8_t>{0, 0, 0, 0}));
}

TEST_F(ICCTest, LoadsAProfileReportsItsTextsAndSavesItBackUnchanged) {
  const auto bytes = TestProfile();
  ASSERT_GT(bytes.size(), 128u);
  TPVICC icc;
  icc.LoadFromBuffer(bytes.data(), int32_t(bytes.size()));
  EXPECT_TRUE(icc.IsOpen());
  EXPECT_EQ(icc.DescText, "Calmora test RGB");
  EXPECT_EQ(icc.CprtText, "Test copyright");
  EXPECT_EQ(icc.RawSize, int32_t(bytes.size()));

  EXPECT_EQ(Saved(icc, true), bytes);
  auto with_length = Saved(icc, false);
  ASSERT_EQ(with_length.size(), bytes.size() + 4);
  const uint32_t size = bytes.size();
  EXPECT_EQ(with_length[0], uint8_t(size));
  EXPECT_EQ(with_length[1], uint8_t(size >> 8));
  EXPECT_EQ(with_length[2], uint8_t(size >> 16));
  EXPECT_EQ(with_length[3], uint8_t(size >> 24));
  EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), with_length.begin() + 4));
}

TEST_F(ICCTest, ShortOrOverfullProfilesKeepTheirBytesWithoutTexts) {
  std::vector<uint8_t> short_profile(128, 0x41);
  TPVICC icc;
  icc.LoadFromBuffer(short_profile.data(), int32_t(short_profile.size()));
  EXPECT_FALSE(icc.IsOpen());
  EXPECT_TRUE(icc.DescText.empty());
  EXPECT_EQ(Saved(icc, true), short_profile);

  auto overfull = TestProfile();
  PutBigEndian32(overfull, 128, 1001);
  icc.LoadFromBuffer(overfull.data(), int32_t(overfull.size()));
  EXPECT_TRUE(icc.DescText.empty());
  EXPECT_TRUE(icc.CprtText.empty());
  EXPECT_EQ(Saved(icc, true), overfull);
}

TEST_F(ICCTest, TextReadingStaysInsideTheProfile) {
  // 129 to 131 bytes cannot even hold the tag count.
  for (size_t size = 129; size <= 131; ++size) {
    std::vector<uint8_t> bytes(size, 0);
    TPVICC icc;
    icc.LoadFromBuffer(bytes.data(), int32_t(size));
    EXPECT_TRUE(icc.DescText.empty());
  }

  // A tag count larger than the table the bytes hold.
  auto bytes = TestProfile();
  bytes.resize(140);
  PutBigEndian32(bytes, 128, 900);
  TPVICC icc;
  icc.LoadFromBuffer(bytes.data(), int32_t(bytes.size()));
  EXPECT_TRUE(icc.DescText.empty());

  // A desc entry pointing past the end stops the reading.
  bytes = TestProfile();
  const int desc = FindTag(bytes, "desc");
  ASSERT_GE(desc, 0);
  PutBigEndian32(bytes, 132 + 12 * desc + 4, uint32_t(bytes.size()) + 10);
  icc.LoadFromBuffer(bytes.data(), int32_t(bytes.size()));
  EXPECT_TRUE(icc.DescText.empty());

  // A text without its terminating zero inside the profile is not taken.
  bytes = TestProfile();
  const int cprt = FindTag(bytes, "cprt");
  ASSERT_GE(cprt, 0);
  const uint32_t tail = uint32_t(bytes.size()) - 9;
  PutBigEndian32(bytes, 132 + 12 * cprt + 4, tail);
  PutBigEndian32(bytes, 132 + 12 * cprt + 8, 9);
  std::memset(&bytes[tail], 'x', 9);
  icc.LoadFromBuffer(bytes.data(), int32_t(bytes.size()));
  EXPECT_TRUE(icc.CprtText.empty());
  EXPECT_EQ(icc.DescText, "Calmora test RGB");
}

TEST_F(ICCTest, TextTagRules) {
  // A hand-made tag table over a blank header (no colour system needed for the texts).
  struct Tag {
    const char* signature;
    uint32_t size;
    std::string text;
  };
  const auto build = [](const std::vector<Tag>& tags) {
    std::vector<uint8_t> bytes(132 + 12 * tags.size(), 0);
    PutBigEndian32(bytes, 128, uint32_t(tags.size()));
    for (size_t i = 0; i < tags.size(); ++i) {
      const size_t entry = 132 + 12 * i;
      std::memcpy(&bytes[entry], tags[i].signature, 4);
      PutBigEndian32(bytes, entry + 4, uint32_t(bytes.size()));
      PutBigEndian32(bytes, entry + 8, tags[i].size);
      // The text sits 8 bytes into a "cprt" tag and 12 bytes into a "desc" tag.
      const size_t skip = std::memcmp(tags[i].signature, "desc", 4) == 0 ? 12 : 8;
      bytes.resize(bytes.size() + skip, 0);
      bytes.insert(bytes.end(), tags[i].text.begin(), tags[i].text.end());
      bytes.push_back(0);
    }
    bytes.resize(bytes.size() + 1100, 0);  // room for tag sizes up to 1000
    return bytes;
  };
  const auto texts = [](const std::vector<uint8_t>& bytes) {
    TPVICC icc;
    icc.LoadFromBuffer(bytes.data(), int32_t(bytes.size()));
    return std::pair(icc.CprtText, icc.DescText);
  };

  // A later tag of the same signature replaces the text.
  EXPECT_EQ(texts(build({{"desc", 40, "first"}, {"cprt", 30, "(c) one"}, {"desc", 40, "second"}})),
            std::pair(std::string("(c) one"), std::string("second")));
  // A tag of 1000 bytes or more gives no text, and leaves the earlier one.
  EXPECT_EQ(texts(build({{"cprt", 30, "kept"}, {"cprt", 1000, "too big"}})).first, "kept");
  EXPECT_EQ(texts(build({{"desc", 999, "fits"}})).second, "fits");
  // Texts must be shorter than 1000 characters.
  EXPECT_EQ(texts(build({{"cprt", 30, std::string(999, 'a')}})).first, std::string(999, 'a'));
  EXPECT_EQ(texts(build({{"cprt", 30, std::string(1000, 'a')}})).first, "");
  // Other signatures are skipped.
  EXPECT_EQ(texts(build({{"wtpt", 20, "white"}, {"desc", 20, "d"}})),
            std::pair(std::string(""), std::string("d")));
}

TEST_F(ICCTest, TextsAgreeWithAnIndependentReadingOfRandomTagTables) {
  // Tables near every limit: entries pointing just inside and past the end, sizes around
  // 1000, counts larger than the table, texts of 998 to 1001 characters, zeros or none.
  platform::SetColorSystemAbsent(true);  // the texts are read either way; this is faster
  std::mt19937 random(2118);
  const char* signatures[] = {"cprt", "desc", "wtpt", "cprT"};
  int texts_found = 0;
  for (int round = 0; round < 3000; ++round) {
    const size_t tags = random() % 5;
    const size_t size = 132 + 12 * tags + random() % 1400;
    std::vector<uint8_t> bytes(size);
    for (auto& b : bytes) b = random() % 3 == 0 ? 0 : uint8_t('A' + random() % 26);
    const size_t data_start = 132 + 12 * tags;
    if (random() % 2) {  // long texts, ended here and there and around 1000 characters
      std::fill(bytes.begin() + 132, bytes.end(), uint8_t('t'));
      if (random() % 2)
        for (int zero = 0; zero < 3; ++zero) bytes[132 + random() % (size - 132)] = 0;
      for (const size_t skip : {8, 12}) {
        const size_t end = data_start + skip + 998 + random() % 4;
        if (end < size) bytes[end] = 0;
      }
    }
    PutBigEndian32(bytes, 128, uint32_t(tags + (random() % 8 == 0 ? 200 : 0)));
    for (size_t i = 0; i < tags; ++i) {
      const size_t entry = 132 + 12 * i;
      std::memcpy(&bytes[entry], signatures[random() % 4], 4);
      const uint32_t offsets[] = {uint32_t(random() % size), uint32_t(size - random() % 16),
                                  uint32_t(data_start), uint32_t(size + random() % 3),
                                  0x80000000u | uint32_t(random())};
      const uint32_t sizes[] = {uint32_t(random() % 1000), 998 + uint32_t(random() % 4),
                                uint32_t(size + random() % 2), 0xFFFFFFFFu};
      // Mostly offsets and sizes that pass the table checks; now and then ones that stop it.
      const bool stop = random() % 8 == 0;
      PutBigEndian32(bytes, entry + 4, offsets[stop ? 3 + random() % 2 : random() % 3]);
      PutBigEndian32(bytes, entry + 8, sizes[stop ? 2 + random() % 2 : random() % 2]);
    }
    TPVICC icc;
    icc.LoadFromBuffer(bytes.data(), int32_t(bytes.size()));
    const test::ProfileTexts model = test::ModelProfileTexts(bytes.data(), bytes.size());
    ASSERT_EQ(icc.CprtText, model.Cprt) << "round " << round;
    ASSERT_EQ(icc.DescText, model.Desc) << "round " << round;
    texts_found += !model.Cprt.empty() + !model.Desc.empty();
  }
  EXPECT_GT(texts_found, 150) << "the tables must give texts often enough to test them";
}

TEST_F(ICCTest, GarbageAndTruncatedProfilesFailCleanly) {
  TPVICC srgb;
  srgb.OpenSRGBProfile();
  ASSERT_TRUE(srgb.IsOpen());

  std::mt19937 random(7);
  std::vector<uint8_t> garbage(2000);
  for (auto& b : garbage) b = uint8_t(random());
  TPVICC icc;
  icc.LoadFromBuffer(garbage.data(), int32_t(garbage.size()));
  EXPECT_FALSE(icc.IsOpen());
  uint8_t row[6] = {1, 2, 3, 4, 5, 6};
  uint8_t out[6] = {9, 9, 9, 9, 9, 9};
  EXPECT_FALSE(icc.TransformPixels(&srgb, clBGR24, clBGR24, 0, 0, row, out, 2));
  EXPECT_EQ(out[0], 9);

  // Cut inside the tag data: the colour system refuses the bytes, or at least cannot make a
  // transform of them. Cuts that only shorten a text may still work; none may crash.
  const auto bytes = TestProfile();
  for (size_t keep : {size_t(129), size_t(200), bytes.size() / 2, bytes.size() - 20}) {
    std::fill(std::begin(out), std::end(out), 9);
    TPVICC truncated;
    truncated.LoadFromBuffer(bytes.data(), int32_t(keep));
    const bool converted =
        truncated.IsOpen() && truncated.TransformPixels(&srgb, clBGR24, clBGR24, 0, 0, row, out, 2);
    if (keep <= 200) {
      EXPECT_FALSE(converted) << keep;
    }
    if (!converted) {
      EXPECT_EQ(out[0], 9) << keep;
    }
    EXPECT_EQ(Saved(truncated, true), std::vector<uint8_t>(bytes.begin(), bytes.begin() + keep));
  }
}

TEST_F(ICCTest, WithoutTheColorSystemProfilesStayClosedButKeepBytesAndTexts) {
  platform::SetColorSystemAbsent(true);
  FreeColorSystemLibrary();
  EXPECT_FALSE(LoadColorSystemLibrary());

  const auto bytes = TestProfile();
  TPVICC icc;
  icc.LoadFromBuffer(bytes.data(), int32_t(bytes.size()));
  EXPECT_FALSE(icc.IsOpen());
  EXPECT_EQ(icc.DescText, "Calmora test RGB");
  EXPECT_EQ(Saved(icc, true), bytes);

  TPVICC srgb;
  srgb.OpenSRGBProfile();
  EXPECT_FALSE(srgb.IsOpen());
  uint8_t row[3] = {10, 20, 30};
  uint8_t out[3] = {7, 7, 7};
  EXPECT_FALSE(icc.TransformPixels(&srgb, clBGR24, clBGR24, 0, 0, row, out, 1));
  EXPECT_EQ(out[0], 7);
  EXPECT_EQ(out[2], 7);

  platform::SetColorSystemAbsent(false);
  EXPECT_TRUE(LoadColorSystemLibrary());
  icc.LoadFromBuffer(bytes.data(), int32_t(bytes.size()));
  EXPECT_TRUE(icc.IsOpen());
}

TEST_F(ICCTest, TransformsAreCachedByTheirKeysAndReleasingOneSetsApplied) {
  TPVICC icc;
  TPVICC srgb;
  OpenTestAndSRGB(icc, srgb);

  uint8_t row[3] = {10, 20, 30};
  uint8_t out[3];
  ASSERT_TRUE(icc.TransformPixels(&srgb, clBGR24, clBGR24, 0, 0, row, out, 1));
  const auto first = icc.TransformHandle.get();
  ASSERT_TRUE(icc.TransformPixels(&srgb, clBGR24, clBGR24, 0, 0, row, out, 1));
  EXPECT_EQ(icc.TransformHandle.get(), first);
  EXPECT_FALSE(icc.Applied);

  ASSERT_TRUE(icc.TransformPixels(&srgb, clRGB24, clBGR24, 0, 0, row, out, 1));
  EXPECT_TRUE(icc.Applied);
  EXPECT_EQ(icc.InputLayout, clRGB24);
  EXPECT_TRUE(icc.IsTransformReady());

  icc.FreeTransform();
  EXPECT_FALSE(icc.IsTransformReady());
  EXPECT_TRUE(icc.Applied);
  icc.CloseProfile();
  EXPECT_EQ(icc.InputLayout, 0);
  EXPECT_EQ(icc.OutputLayout, 0);
  icc.Clear();
  EXPECT_FALSE(icc.Applied);
  EXPECT_EQ(icc.RawSize, 0);
  EXPECT_EQ(icc.DescText, "Calmora test RGB");  // texts stay until the next profile opens
}

TEST_F(ICCTest, SourceRowsAreNeverChangedAndMayBeConvertedInPlace) {
  TPVICC icc;
  TPVICC srgb;
  OpenTestAndSRGB(icc, srgb);

  std::vector<uint8_t> row;
  for (int i = 0; i < 300; ++i) row.push_back(uint8_t(i * 37));
  const auto original = row;
  std::vector<uint8_t> out(row.size());
  ASSERT_TRUE(icc.TransformPixels(&srgb, clBGR24, clBGR24, 0, 0, row.data(), out.data(), 100));
  EXPECT_EQ(row, original);
  EXPECT_NE(out, original);

  ASSERT_TRUE(icc.TransformPixels(&srgb, clBGR24, clBGR24, 0, 0, row.data(), row.data(), 100));
  EXPECT_EQ(row, out);
}

TEST_F(ICCTest, OnlyBGRAndInvertedCMYKDestinationsAreWritten) {
  TPVICC icc;
  TPVICC srgb;
  OpenTestAndSRGB(icc, srgb);
  uint8_t row[3] = {10, 20, 30};
  uint8_t out[3] = {5, 5, 5};
  EXPECT_TRUE(icc.TransformPixels(&srgb, clBGR24, clRGB24, 0, 0, row, out, 1));
  EXPECT_EQ(out[0], 5);
  EXPECT_EQ(out[1], 5);
  EXPECT_EQ(out[2], 5);
}

TEST_F(ICCTest, CIELabRowsReachTheColorSystemWithSignedAAndB) {
  const auto lab_bytes = test::MakeLabProfile();
  TPVICC lab;
  lab.LoadFromBuffer(lab_bytes.data(), int32_t(lab_bytes.size()));
  ASSERT_TRUE(lab.IsOpen());
  TPVICC srgb;
  srgb.OpenSRGBProfile();

  // L 255 = L* 100; a and b signed bytes.
  const TPVCIELab row[] = {{255, 0, 0},   {128, 0, 0},   {128, 60, 0},
                           {128, -60, 0}, {128, 0, -60}, {0, 0, 0}};
  TPVRGB out[6];
  ASSERT_TRUE(lab.TransformPixels(&srgb, clCIELab, clBGR24, 0, 0, row, out, 6));
  EXPECT_GE(out[0].r, 254);
  EXPECT_GE(out[0].g, 254);
  EXPECT_GE(out[0].b, 254);
  // a = b = 0 stays neutral, at the grey the formula gives for the same bytes.
  EXPECT_LE(std::abs(out[1].r - out[1].g), 1);
  EXPECT_LE(std::abs(out[1].g - out[1].b), 1);
  TPVRGB formula;
  ConvertCIELabToRGB(formula, row[1]);
  EXPECT_LE(std::abs(out[1].g - formula.g), 2);
  EXPECT_GT(out[2].r, out[2].g + 40);  // +a: red
  EXPECT_GT(out[3].g, out[3].r + 40);  // -a: green
  EXPECT_GT(out[4].b, out[4].r + 40);  // -b: blue
  EXPECT_LE(out[5].r, 1);
}

TEST_F(ICCTest, WiderOutputPixelsConvertOntoTheirOwnSourceRow) {
  // Lab rows (3 bytes a pixel) to inverted CMYK (4 bytes) in the same buffer: the output runs
  // ahead of the input, so every pixel must still be read before it is overwritten, also past
  // the first thousand pixels.
  const auto lab_bytes = test::MakeLabProfile();
  TPVICC lab;
  lab.LoadFromBuffer(lab_bytes.data(), int32_t(lab_bytes.size()));
  void* inflated = nullptr;
  int32_t inflated_size = 0;
  DecompressBuffer(BuiltInCMYKProfileData, BuiltInCMYKProfileDataSize, inflated, inflated_size,
                   BuiltInCMYKProfileSize);
  TPVICC cmyk;
  cmyk.LoadFromBuffer(inflated, inflated_size);
  std::free(inflated);
  ASSERT_TRUE(lab.IsOpen());
  ASSERT_TRUE(cmyk.IsOpen());

  const int count = 1500;
  std::vector<uint8_t> source(size_t(count) * 3);
  for (int i = 0; i < count; ++i) {
    source[size_t(i) * 3] = uint8_t(i * 7);
    source[size_t(i) * 3 + 1] = uint8_t(i * 11);
    source[size_t(i) * 3 + 2] = uint8_t(i * 13);
  }
  std::vector<uint8_t> separate(size_t(count) * 4);
  ASSERT_TRUE(lab.TransformPixels(&cmyk, clCIELab, clInvertedCMYK, 0, 0, source.data(),
                                  separate.data(), count));
  std::vector<uint8_t> shared(size_t(count) * 4);
  std::copy(source.begin(), source.end(), shared.begin());
  ASSERT_TRUE(lab.TransformPixels(&cmyk, clCIELab, clInvertedCMYK, 0, 0, shared.data(),
                                  shared.data(), count));
  EXPECT_EQ(shared, separate);

  // The same for a grey row widened to BGR.
  const auto gray_bytes = test::MakeGrayProfile();
  TPVICC gray;
  gray.LoadFromBuffer(gray_bytes.data(), int32_t(gray_bytes.size()));
  TPVICC srgb;
  srgb.OpenSRGBProfile();
  std::vector<uint8_t> levels(size_t(count) * 3);
  for (int i = 0; i < count; ++i) levels[size_t(i)] = uint8_t(i);
  std::vector<uint8_t> widened(size_t(count) * 3);
  ASSERT_TRUE(gray.TransformPixels(&srgb, clGray8, clBGR24, 0, 0, levels.data(), widened.data(),
                                   count));
  ASSERT_TRUE(gray.TransformPixels(&srgb, clGray8, clBGR24, 0, 0, levels.data(), levels.data(),
                                   count));
  EXPECT_EQ(levels, widened);
}

TEST_F(ICCTest, AssignCopiesTheBytesAndReopensThem) {
  const auto bytes = TestProfile();
  TPVICC source;
  source.LoadFromBuffer(bytes.data(), int32_t(bytes.size()));
  source.Applied = true;
  TPVICC copy;
  copy.Assign(source);
  EXPECT_TRUE(copy.IsOpen());
  EXPECT_FALSE(copy.Applied);
  EXPECT_EQ(copy.DescText, "Calmora test RGB");
  EXPECT_EQ(Saved(copy, true), bytes);

  // The system sRGB profile has no raw bytes; its copy is the sRGB profile again.
  TPVICC srgb;
  srgb.OpenSRGBProfile();
  copy.Assign(srgb);
  EXPECT_TRUE(copy.IsOpen());
  EXPECT_EQ(copy.RawSize, 0);
  EXPECT_TRUE(copy.DescText.empty());
}

TEST_F(ICCTest, TransformBitmapRefusesFormatsAndTargetsItCannotConvert) {
  TPVICC icc;
  TPVICC srgb;
  OpenTestAndSRGB(icc, srgb);

  TPVBitmap bilevel(8, 2, pv1g);
  bilevel.GetScanline(0)[0] = 0xA5;
  EXPECT_FALSE(icc.TransformBitmap(&bilevel, pv24RGB, &srgb));
  EXPECT_EQ(bilevel.GetPixelFormat(), pv1g);
  EXPECT_EQ(bilevel.GetScanline(0)[0], 0xA5);

  // A grey target would never be written, so the pixels must not be replaced by it.
  TPVBitmap color(4, 2, pv24RGB);
  color.GetScanline(1)[0] = 77;
  EXPECT_FALSE(icc.TransformBitmap(&color, pv8g, &srgb));
  EXPECT_EQ(color.GetPixelFormat(), pv24RGB);
  EXPECT_EQ(color.GetScanline(1)[0], 77);

  // No transform (the destination is closed): nothing replaced either.
  TPVICC closed;
  EXPECT_FALSE(icc.TransformBitmap(&color, pv24RGB, &closed));
  EXPECT_EQ(color.GetScanline(1)[0], 77);
}

TEST_F(ICCTest, TransformBitmapMatchesTransicc) {
  CALMORA_REQUIRE_TOOL("transicc");
  const test::ScratchFolder folder("calmora-colour");
  const auto bytes = TestProfile();
  const std::string profile_path = folder.File("gamma18.icc");
  ASSERT_TRUE(test::WriteFileBytes(profile_path, std::string(bytes.begin(), bytes.end())));

  // A ramp through every level in each channel, plus greys.
  const int width = 256;
  TPVBitmap bitmap(width, 3, pv24RGB);
  std::vector<std::array<int, 3>> rgb;
  for (int y = 0; y < 3; ++y) {
    auto* row = reinterpret_cast<TPVRGB*>(bitmap.GetScanline(y));
    for (int x = 0; x < width; ++x) {
      const int r = y == 0 ? x : y == 1 ? 255 - x : x;
      const int g = y == 0 ? (x * 7) % 256 : y == 1 ? x : x;
      const int b = y == 0 ? 255 - x : y == 1 ? (x * 13) % 256 : x;
      row[x] = MakeRGB(uint8_t(r), uint8_t(g), uint8_t(b));
      rgb.push_back({r, g, b});
    }
  }
  bitmap.GetAlphaChannel()->GetScanline(0)[5] = 99;  // the alpha plane is the bitmap's own

  TPVICC icc;
  icc.LoadFromBuffer(bytes.data(), int32_t(bytes.size()));
  TPVICC srgb;
  srgb.OpenSRGBProfile();
  ASSERT_TRUE(icc.TransformBitmap(&bitmap, pv24RGB, &srgb));
  EXPECT_FALSE(icc.IsTransformReady());
  EXPECT_TRUE(icc.Applied);
  ASSERT_TRUE(bitmap.HasAlphaChannel());
  EXPECT_EQ(bitmap.GetAlphaChannel()->GetScanline(0)[5], 99);

  const auto reference = test::TransiccToSRGB(folder, profile_path, rgb);
  ASSERT_EQ(reference.size(), rgb.size());
  int worst = 0;
  for (int y = 0; y < 3; ++y) {
    const auto* row = reinterpret_cast<const TPVRGB*>(bitmap.GetScanline(y));
    for (int x = 0; x < width; ++x) {
      const auto& want = reference[size_t(y * width + x)];
      const double got[3] = {double(row[x].r), double(row[x].g), double(row[x].b)};
      for (int c = 0; c < 3; ++c) {
        EXPECT_LE(std::abs(got[c] - want[c]), 1.0)
            << "pixel " << x << "," << y << " channel " << c << ": " << got[c] << " vs " << want[c];
        worst = std::max(worst, int(std::ceil(std::abs(got[c] - want[c]))));
      }
    }
  }
  RecordProperty("worst_difference", worst);
}

TEST_F(ICCTest, ReloadingItsOwnBytesKeepsTheProfile) {
  const auto bytes = TestProfile();
  TPVICC icc;
  icc.LoadFromBuffer(bytes.data(), int32_t(bytes.size()));
  icc.LoadFromBuffer(icc.RawProfile.get(), icc.RawSize);
  EXPECT_TRUE(icc.IsOpen());
  EXPECT_EQ(Saved(icc, true), bytes);
  icc.Assign(icc);
  EXPECT_EQ(Saved(icc, true), bytes);
}

TEST_F(ICCTest, OpenSRGBProfileDropsTheOldBytesAndTexts) {
  const auto bytes = TestProfile();
  TPVICC icc;
  icc.LoadFromBuffer(bytes.data(), int32_t(bytes.size()));
  icc.OpenSRGBProfile();
  EXPECT_TRUE(icc.IsOpen());
  EXPECT_EQ(icc.RawSize, 0);
  EXPECT_TRUE(icc.DescText.empty());
  EXPECT_TRUE(icc.CprtText.empty());
}

}  // namespace
}  // namespace calmora
