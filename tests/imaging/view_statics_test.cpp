// What the static set-up gives the view's units: resolution globals, two distinct clipboard
// formats with stable ids, the editors' shortcuts in order, the class list and rubber-band pen
// for the set-up's lifetime, and the drawing layer's switch and count.
#include <gtest/gtest.h>

#include "imaging/core/dpi_globals.h"
#include "imaging/core/drawing/gdiplus_state.h"
#include "imaging/library_statics.h"
#include "imaging/view/text_control_unit.h"
#include "imaging/view/vect_unit.h"
#include "imaging/view/view_unit.h"
#include "platform/clipboard_formats.h"
#include "platform/screen_metrics.h"
#include "tests/support/qt_test_app.h"

namespace calmora {
namespace {

// Leaves the library set up for the test and cleans up after it.
class ViewStatics : public ::testing::Test {
 protected:
  void SetUp() override {
    ScreenDpiX = ScreenDpiY = DefaultDpiX = DefaultDpiY = 1;
    GdiPlusEnabled = false;
    GdiPlusRefCount = 7;
    InitLibraryStatics();
  }
  void TearDown() override { FinalizeLibraryStatics(); }
};

TEST_F(ViewStatics, ResolutionGlobals) {
  EXPECT_EQ(ScreenDpiX, platform::ScreenPixelsPerInchX());
  EXPECT_EQ(ScreenDpiY, platform::ScreenPixelsPerInchY());
  EXPECT_EQ(ScreenDpiX, 96);  // the headless screen
  EXPECT_EQ(DefaultDpiX, 300);
  EXPECT_EQ(DefaultDpiY, 300);
  EXPECT_EQ(ViewGlobals.ScreenBitsPerPixel, platform::ScreenBitsPerPixel());
  EXPECT_EQ(ViewGlobals.EdgeX, 2);
  EXPECT_EQ(ViewGlobals.BorderY, 1);
  EXPECT_EQ(ViewGlobals.VScrollBarWidth, platform::GetSystemMetrics(platform::SM_CXVSCROLL));
  EXPECT_GT(ViewGlobals.HScrollBarHeight, 0);
}

TEST_F(ViewStatics, TwoDistinctStableClipboardFormats) {
  const uint32_t vect = VectClipboardFormat;
  const uint32_t memo = TextMemoClipboardFormat;
  EXPECT_GE(vect, platform::FirstRegisteredClipboardFormat);
  EXPECT_GE(memo, platform::FirstRegisteredClipboardFormat);
  EXPECT_NE(vect, memo);
  EXPECT_EQ(platform::GetClipboardFormatName(vect), "PICTAVO VECT");
  EXPECT_EQ(platform::GetClipboardFormatName(memo), "PICTAVO TEXTMEMO");
  EXPECT_EQ(platform::RegisterClipboardFormat("PICTAVO VECT"), vect);
  EXPECT_EQ(platform::RegisterClipboardFormat("pictavo textmemo"), memo);
  // Set up again: the same ids.
  FinalizeLibraryStatics();
  InitLibraryStatics();
  EXPECT_EQ(VectClipboardFormat, vect);
  EXPECT_EQ(TextMemoClipboardFormat, memo);
}

TEST_F(ViewStatics, EditorShortcutsInTheirOrder) {
  const char keys[] = "LERJCXVFBIUG";
  ASSERT_EQ(TextEditorShortcuts.size(), 12u);
  for (size_t i = 0; i < 12; ++i)
    EXPECT_EQ(TextEditorShortcuts[i], platform::scCtrl | static_cast<uint16_t>(keys[i])) << i;
}

TEST_F(ViewStatics, ClassListAndRubberBandPenLiveFromSetUpToCleanUp) {
  ASSERT_TRUE(UserObjectClasses);
  EXPECT_TRUE(UserObjectClasses->empty());
  ASSERT_TRUE(ViewGlobals.RubberBandPen);
  EXPECT_EQ(ViewGlobals.RubberBandPen->Mode, platform::pmNot);
  EXPECT_EQ(ViewGlobals.RubberBandPen->Style, platform::psSolid);
  EXPECT_EQ(ViewGlobals.RubberBandPen->Width, 1);
  FinalizeLibraryStatics();
  EXPECT_FALSE(UserObjectClasses);
  EXPECT_FALSE(ViewGlobals.RubberBandPen);
  InitLibraryStatics();
}

TEST_F(ViewStatics, DrawingLayerEnabledAndNotStarted) {
  EXPECT_TRUE(GdiPlusEnabled);
  EXPECT_EQ(GdiPlusRefCount, 0);
  EXPECT_FALSE(GdiPlusLoaded());
  LoadGdiPlus();
  EXPECT_TRUE(GdiPlusAvailable());
  UnloadGdiPlus();
}

}  // namespace
}  // namespace calmora
