// The shared types keep their ordinals and layouts, and the process-wide data its initial values.
#include "imaging/base/defs.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <type_traits>

#include "imaging/base/pixel_types.h"

namespace calmora {
namespace {

TEST(Defs, ResampleFilterOrdinals) {
  static_assert(sizeof(TResampleFilter) == 1);
  const TResampleFilter order[] = {rfNone,     rfTriangle, rfHermite,   rfBell,     rfBSpline,
                                   rfLanczos3, rfMitchell, rfNearest,   rfLinear,   rfFastLinear,
                                   rfBilinear, rfBicubic,  rfProjectBW, rfProjectWB};
  for (int i = 0; i < 14; ++i) EXPECT_EQ(static_cast<int>(order[i]), i);
}

TEST(Defs, MsgLanguageOrdinals) {
  static_assert(sizeof(TMsgLanguage) == 1);
  const TMsgLanguage order[] = {
      msSystem,     msEnglish, msItalian, msGerman, msSpanish, msFrench,
      msPortuguese, msGreek,   msRussian, msDutch,  msSwedish, msPolish,
      msJapanese,   msCzech,   msFinnish, msFarsi,  msChinese, msChineseTraditional,
      msDanish,     msTurkish, msKorean,  msUser};
  ASSERT_EQ(std::size(order), static_cast<size_t>(kMsgLanguageCount));
  for (int i = 0; i < kMsgLanguageCount; ++i) EXPECT_EQ(static_cast<int>(order[i]), i);
}

TEST(Defs, PixelFormatOrdinalsAndRecords) {
  static_assert(sizeof(TPVPixelFormat) == 1);
  const TPVPixelFormat order[] = {pvNoFormat, pv1g,   pv8p,    pv8g,     pv16g,  pv24RGB,
                                  pv32f,      pvCMYK, pvRGB48, pvCIELab, pv32RGB};
  ASSERT_EQ(std::size(order), static_cast<size_t>(PixelFormatCount));
  for (int i = 0; i < PixelFormatCount; ++i) EXPECT_EQ(static_cast<int>(order[i]), i);

  EXPECT_EQ(offsetof(TPVRGB, b), 0u);
  EXPECT_EQ(offsetof(TPVRGB, g), 1u);
  EXPECT_EQ(offsetof(TPVRGB, r), 2u);
  EXPECT_EQ(offsetof(TPVRGB48, r), 0u);
  EXPECT_EQ(offsetof(TPVRGB48, g), 2u);
  EXPECT_EQ(offsetof(TPVRGB48, b), 4u);
  EXPECT_EQ(offsetof(TPVCMYK, c), 0u);
  EXPECT_EQ(offsetof(TPVCMYK, k), 3u);
  EXPECT_EQ(offsetof(TPVCIELab, l), 0u);
  EXPECT_EQ(offsetof(TPVCIELab, a), 1u);
  EXPECT_EQ(offsetof(TPVCIELab, b), 2u);
  EXPECT_TRUE(std::is_signed_v<decltype(TPVCIELab::a)>);
  EXPECT_EQ(sizeof(TColor), 4u);

  // A 48-bit pixel read at an odd address, as rows inside codec buffers have them.
  const uint8_t bytes[7] = {0xEE, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06};
  const auto* pixel = reinterpret_cast<const TPVRGB48*>(bytes + 1);
  EXPECT_EQ(pixel->r, 0x0201);
  EXPECT_EQ(pixel->b, 0x0605);
}

TEST(Defs, ProgressRecordStartsEmpty) {
  TPVProgressRecord record;
  EXPECT_FALSE(record.OnProgress);
  EXPECT_EQ(record.Sender, nullptr);
  EXPECT_EQ(record.Value, 0);
  EXPECT_EQ(record.Value2, 0);
  EXPECT_EQ(record.Step, 0.0);
  EXPECT_EQ(record.Step2, 0.0);
  EXPECT_EQ(record.Aborting, nullptr);

  TObject sender;
  bool abort = false;
  int reported = -1;
  TObject* seen = nullptr;
  record.Sender = &sender;
  record.Aborting = &abort;
  record.OnProgress = [&](TObject* from, int per) {
    seen = from;
    reported = per;
  };
  record.OnProgress(record.Sender, 42);
  *record.Aborting = true;
  EXPECT_EQ(seen, &sender);
  EXPECT_EQ(reported, 42);
  EXPECT_TRUE(abort);
}

TEST(Defs, ObjectsAreFreedThroughTheRoot) {
  static int destroyed = 0;
  struct Derived : TObject {
    ~Derived() override { ++destroyed; }
  };
  TObject* object = new Derived;
  delete object;
  EXPECT_EQ(destroyed, 1);
}

TEST(Defs, GeneralException) {
  try {
    throw Exception("Cannot Create Directory");
  } catch (const std::exception& e) {
    EXPECT_STREQ(e.what(), "Cannot Create Directory");
  }
}

TEST(Defs, ProcessWideDataBeforeTheSetUp) {
  EXPECT_EQ(GrayWeightRed, 21);
  EXPECT_EQ(GrayWeightGreen, 71);
  EXPECT_EQ(GrayWeightBlue, 8);
  EXPECT_EQ(DialogBackgroundStyle, 0);
  EXPECT_EQ(BitmapFileThreshold, -1);
  EXPECT_EQ(ColorSystemLibrary, nullptr);
  EXPECT_TRUE(TempFolder.empty());
  EXPECT_STREQ(LibraryVersionText, "3.0.2");
}

TEST(Defs, WordTableHasOneRowPerLanguage) {
  EXPECT_EQ(MsgWordTable.size(), 22u);
  EXPECT_EQ(MsgWordTable[0].size(), 146u);
  MsgWordTable[msKorean][145] = u"\uD55C\uAD6D\uC5B4";
  EXPECT_EQ(MsgWordTable[20][145].size(), 3u);
  MsgWordTable[msKorean][145].clear();
}

}  // namespace
}  // namespace calmora
