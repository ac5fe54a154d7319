// The library's static set-up: the twelve unit steps once and in order, the use count, the
// clean-up in reverse when the count returns to 0, and the values the set-up gives.
#include "imaging/library_statics.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "imaging/base/defs.h"
#include "imaging/core/color/icc.h"
#include "imaging/base/color_helpers.h"
#include "tests/support/set_up_requirement.h"

namespace calmora {
namespace {

const std::vector<std::string> kSetupOrder = {
    "InitGdiPlusUnit",     "InitDefsUnit", "InitUtilsUnit",         "InitJPEG2000Codec",
    "InitVectUnit",        "InitIOUnit",   "InitProcUnit",          "InitViewUnit",
    "BuildCCITTDecodeTrees", "InitTextControlUnit", "InitWiaUnit", "InitPresetImagesUnit",
};

const std::vector<std::string> kCleanupOrder = {
    "FinalizePresetImagesUnit", "FinalizeWiaUnit",   "FinalizeTextControlUnit",
    "FreeCCITTDecodeTrees",     "FinalizeViewUnit",  "FinalizeProcUnit",
    "FinalizeIOUnit",           "FinalizeVectUnit",  "CleanupJPEG2000Codec",
    "FinalizeUtilsUnit",        "FinalizeDefsUnit",  "FinalizeGdiPlusUnit",
};

// Records every step the set-up and the clean-up run; every test leaves the library not set up.
class StaticSetup : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(LibraryStaticsMarker(), "");
    SetStaticSetupTrace([this](std::string_view step) { steps.emplace_back(step); });
  }
  void TearDown() override {
    SetStaticSetupTrace(nullptr);
    while (LibraryStaticsMarker() == "STATICINIT") FinalizeLibraryStatics();
  }
  std::vector<std::string> steps;
};

// Declared first so that it runs on the untouched process state.
TEST_F(StaticSetup, FinalizeWithoutSetUpReturnsAtOnce) {
  FinalizeLibraryStatics();
  EXPECT_TRUE(steps.empty());
  EXPECT_EQ(LibraryStaticsMarker(), "");
  EXPECT_EQ(LibraryStaticsUseCount(), 0);
  // And again after a complete set-up and clean-up.
  InitLibraryStatics();
  FinalizeLibraryStatics();
  steps.clear();
  FinalizeLibraryStatics();
  EXPECT_TRUE(steps.empty());
  EXPECT_EQ(LibraryStaticsUseCount(), 0);
}

TEST_F(StaticSetup, TwoInitsRunEachStepOnceAndTheLastFinalizeCleansUpInReverse) {
  InitLibraryStatics();
  EXPECT_EQ(LibraryStaticsMarker(), "STATICINIT");
  EXPECT_EQ(LibraryStaticsUseCount(), 1);
  InitLibraryStatics();
  EXPECT_EQ(LibraryStaticsUseCount(), 2);
  EXPECT_EQ(steps, kSetupOrder);

  steps.clear();
  FinalizeLibraryStatics();
  EXPECT_TRUE(steps.empty());
  EXPECT_EQ(LibraryStaticsUseCount(), 1);
  EXPECT_EQ(LibraryStaticsMarker(), "STATICINIT");

  FinalizeLibraryStatics();
  EXPECT_EQ(steps, kCleanupOrder);
  EXPECT_EQ(LibraryStaticsMarker(), "");
  EXPECT_EQ(LibraryStaticsUseCount(), 0);

  // A new set-up after the clean-up runs every step again.
  steps.clear();
  InitLibraryStatics();
  EXPECT_EQ(steps, kSetupOrder);
  FinalizeLibraryStatics();
}

TEST_F(StaticSetup, SetUpGivesTheSharedDataItsValues) {
  // Scramble what the set-up must restore.
  GrayWeightRed = GrayWeightGreen = GrayWeightBlue = 0;
  DialogBackgroundStyle = 2;
  BitmapFileThreshold = 12345;
  CosineBlendTable.fill(-1);
  WindowsVersion = 99;

  InitLibraryStatics();
  EXPECT_EQ(GrayLevelOf(TPVRGB{0, 0, 255}), 53);  // red (records are blue, green, red)
  EXPECT_EQ(GrayLevelOf(TPVRGB{0, 255, 0}), 181);
  EXPECT_EQ(GrayLevelOf(TPVRGB{255, 0, 0}), 20);
  EXPECT_EQ(GrayLevelOf(TPVRGB{255, 255, 255}), 255);
  EXPECT_EQ(GrayWeightRed, 21);
  EXPECT_EQ(GrayWeightGreen, 71);
  EXPECT_EQ(GrayWeightBlue, 8);
  EXPECT_EQ(DialogBackgroundStyle, 0);
  EXPECT_EQ(BitmapFileThreshold, -1);
  EXPECT_EQ(CosineBlendTable.front(), 0);
  EXPECT_EQ(CosineBlendTable.back(), 128);
  EXPECT_LE(WindowsVersion, 8);
  EXPECT_EQ(ColorSystemLibrary, nullptr);  // loaded on first use only
  FinalizeLibraryStatics();
}

TEST_F(StaticSetup, CleanupReleasesTheColourSystem) {
  InitLibraryStatics();
  CALMORA_REQUIRE_SET_UP(LoadColorSystemLibrary(), "the colour system library (Little CMS)");
  EXPECT_NE(ColorSystemLibrary, nullptr);
  FinalizeLibraryStatics();
  EXPECT_EQ(ColorSystemLibrary, nullptr);
}

TEST_F(StaticSetup, ProgramHooksReachTheSetUpOnFirstStartAndLastStop) {
  StartImagingLibrary();
  StartImagingLibrary();
  EXPECT_EQ(steps, kSetupOrder);
  EXPECT_EQ(LibraryStaticsUseCount(), 1);

  steps.clear();
  StopImagingLibrary();
  EXPECT_TRUE(steps.empty());
  EXPECT_EQ(LibraryStaticsMarker(), "STATICINIT");
  StopImagingLibrary();
  EXPECT_EQ(steps, kCleanupOrder);
  EXPECT_EQ(LibraryStaticsMarker(), "");

  steps.clear();
  StopImagingLibrary();  // one stop too many changes nothing
  EXPECT_TRUE(steps.empty());
}

TEST_F(StaticSetup, LastStopLeavesTheLibraryNotSetUpEvenWithOtherUsers) {
  StartImagingLibrary();
  InitLibraryStatics();  // another user of the set-up
  StopImagingLibrary();
  EXPECT_EQ(LibraryStaticsMarker(), "");
  steps.clear();
  FinalizeLibraryStatics();  // returns at once: the marker is empty
  EXPECT_TRUE(steps.empty());
}

TEST_F(StaticSetup, ConcurrentFirstCallsRunTheSetUpOnce) {
  std::vector<std::thread> threads;
  for (int i = 0; i < 4; ++i) threads.emplace_back([] { InitLibraryStatics(); });
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(steps, kSetupOrder);
  EXPECT_EQ(LibraryStaticsUseCount(), 4);
  for (int i = 0; i < 4; ++i) FinalizeLibraryStatics();
  EXPECT_EQ(steps.size(), kSetupOrder.size() + kCleanupOrder.size());
}

}  // namespace
}  // namespace calmora
