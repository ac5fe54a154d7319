// The transition engine with the test clock, the timer driven by hand and the view double:
// creation, the timing curves, the stop, pan and zoom, and every kind on odd frame sizes.
#include "imaging/proc/transition/transition_effects.h"

#include <gtest/gtest.h>

#include <cmath>

#include "imaging/base/random.h"
#include "imaging/core/bitmap/bitmap.h"
#include "imaging/base/color_helpers.h"
#include "imaging/proc/transition/transition_table.h"
#include "platform/canvas.h"
#include "platform/device_bitmap.h"
#include "platform/repeating_timer.h"
#include "platform/tick_count.h"
#include "tests/imaging/support/fake_pictavo_view.h"
#include "tests/support/qt_test_app.h"
#include "tests/support/scoped_override.h"

namespace calmora::test {
namespace {

using platform::TBitmap;

void Fill(TBitmap& bitmap, int w, int h, uint32_t salt) {
  ASSERT_TRUE(bitmap.SetPixelFormat(platform::pf24bit));
  ASSERT_TRUE(bitmap.SetSize(w, h));
  for (int y = 0; y < h; ++y)
    for (int i = 0; i < 3 * w; ++i) bitmap.GetScanLine(y)[i] = uint8_t((y * 3 * w + i) * 37 + salt);
}

bool SamePixels(TBitmap& a, int ax, int ay, TBitmap& b, int w, int h) {
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (a.GetCanvas()->GetPixel(ax + x, ay + y) != b.GetCanvas()->GetPixel(x, y)) return false;
  return true;
}

// An engine on a view double, with a clock the test moves.
class TransitionEngineTest : public testing::Test {
 protected:
  void SetUp() override {
    view.SetBounds(0, 0, 80, 60);
    Fill(source, 40, 30, 1);
    Fill(target, 40, 30, 99);
  }
  // Starts at tick 5000 and ticks once elapsed milliseconds later.
  void StartAndTick(TPVTransitionKind kind, uint32_t duration, TPVTransitionTiming timing,
                    uint32_t elapsed, bool updateOnStop = false) {
    now = 5000;
    ASSERT_TRUE(engine.Start(kind, source, target, duration, timing, updateOnStop));
    now += elapsed;
    engine.Timer->Tick();
  }

  uint32_t now = 0;
  ScopedOverride<std::function<uint32_t()>> clock{platform::TickCountSource, [this] { return now; }};
  FakePictavoView view;
  TBitmap source, target;
  TPVTransitionEffects engine{&view};
};

TEST_F(TransitionEngineTest, StartsIdleWithOnePixelBuffers) {
  TPVTransitionEffects fresh(&view);
  for (TBitmap* buffer : {fresh.Source.get(), fresh.Target.get(), fresh.Work.get()}) {
    EXPECT_EQ(buffer->GetWidth(), 1);
    EXPECT_EQ(buffer->GetHeight(), 1);
    EXPECT_EQ(buffer->GetPixelFormat(), platform::pf24bit);
  }
  EXPECT_FALSE(fresh.Running);
  EXPECT_EQ(fresh.Kind, 0);
  EXPECT_EQ(fresh.Duration, 1000u);
  EXPECT_EQ(fresh.Timing, pvtLinear);
  EXPECT_FALSE(fresh.Timer->GetEnabled());
  EXPECT_EQ(fresh.Timer->GetInterval(), 1u);
  EXPECT_TRUE(fresh.SourceRows.empty());
}

TEST_F(TransitionEngineTest, TheTimingCurvesGiveTheNextStep) {
  struct Case {
    TPVTransitionTiming Timing;
    uint32_t Elapsed;
    int32_t Step;
  };
  const Case cases[] = {
      {pvtLinear, 1000, 1024},     {pvtLinear, 250, 256},        {pvtLinear, 999, 1022},
      {pvtLogarithmic, 1000, 1024},  // 1028 cut to 1024
      {pvtLogarithmic, 500, int32_t(std::trunc((std::log(5.0) + 2.718) / 5 * 1024))},
      // Below t of about 0.0066 the curve is negative, and at 0 it has no value: 0 both.
      {pvtLogarithmic, 5, 0},      {pvtLogarithmic, 0, 0},
      {pvtExponential, 0, 6},      {pvtExponential, 1000, 1003},
  };
  for (const Case& c : cases) {
    StartAndTick(1, 1000, c.Timing, c.Elapsed);
    EXPECT_EQ(engine.Step, c.Step) << int(c.Timing) << " at " << c.Elapsed;
    engine.Stop();
  }
}

TEST_F(TransitionEngineTest, ATimeThatPassedBeforeTheFirstTickShowsOneFrameAndStops) {
  int stops = 0;
  TObject* stopSender = nullptr;
  std::vector<int32_t> steps;
  engine.OnTransitionStop = [&](TObject* Sender) {
    ++stops;
    stopSender = Sender;
  };
  engine.OnTransitionStep = [&](TObject*, int32_t step) { steps.push_back(step); };
  engine.FrameCount = 0;
  StartAndTick(5, 100, pvtLinear, 300, true);
  EXPECT_EQ(steps, std::vector<int32_t>{0});
  EXPECT_EQ(engine.FrameCount, 1);
  EXPECT_EQ(stops, 1);
  EXPECT_EQ(stopSender, &view);
  EXPECT_FALSE(engine.Running);
  EXPECT_FALSE(engine.Timer->GetEnabled());
  EXPECT_EQ(view.PaintLock, 0);
  EXPECT_EQ(view.UpdateCount, 1);
  EXPECT_EQ(engine.Work->GetWidth(), 1);
  EXPECT_EQ(engine.Source->GetHeight(), 1);
  // With UpdateOnStop the view shows the Target, not the frame of step 0.
  EXPECT_TRUE(SamePixels(view.GetClientBitmap(), 0, 0, target, 40, 30));
  engine.Timer->Tick();
  EXPECT_EQ(engine.FrameCount, 1);
}

TEST_F(TransitionEngineTest, WithoutUpdateOnStopTheLastFrameStaysAsPainted) {
  StartAndTick(5, 100, pvtLinear, 300, false);
  EXPECT_EQ(view.UpdateCount, 0);
  EXPECT_TRUE(SamePixels(view.GetClientBitmap(), 0, 0, source, 40, 30));
}

TEST_F(TransitionEngineTest, ADurationOfZeroPaintsStepZeroAndStops) {
  StartAndTick(1, 0, pvtLinear, 0);
  EXPECT_FALSE(engine.Running);
  EXPECT_EQ(engine.FrameCount, 1);
  EXPECT_EQ(engine.Step, 1024);
}

TEST_F(TransitionEngineTest, StopDoesNothingWhenIdleOrOfKindZero) {
  int stops = 0;
  engine.OnTransitionStop = [&](TObject*) { ++stops; };
  engine.Stop();
  EXPECT_EQ(stops, 0);
  ASSERT_TRUE(engine.Start(1, source, target, 1000, pvtLinear, true));
  engine.Kind = 0;
  engine.Stop();
  EXPECT_EQ(stops, 0);
  EXPECT_TRUE(engine.Running);
  EXPECT_EQ(view.PaintLock, 1);
  engine.Kind = 1;
  engine.Stop();
  EXPECT_EQ(stops, 1);
  EXPECT_EQ(view.PaintLock, 0);
}

TEST_F(TransitionEngineTest, TheViewShowsWorkAfterATick) {
  StartAndTick(1, 1000, pvtLinear, 400);
  ASSERT_TRUE(engine.Running);
  EXPECT_TRUE(SamePixels(view.GetClientBitmap(), 0, 0, *engine.Work, 40, 30));
  EXPECT_EQ(engine.Step, 409);
  now += 100;
  engine.Timer->Tick();
  // Cross fade at 409: every byte of Work follows the blend.
  const uint8_t s = source.GetScanLine(7)[20], t = target.GetScanLine(7)[20];
  EXPECT_EQ(engine.Work->GetScanLine(7)[20], (s * (1024 - 409) + t * 409) >> 10);
}

TEST_F(TransitionEngineTest, StartRefusesWhatNoPainterCanServe) {
  TBitmap small;
  Fill(small, 3, 3, 0);
  EXPECT_FALSE(engine.Start(0, source, target, 1000, pvtLinear, false));
  EXPECT_FALSE(engine.Start(164, source, target, 1000, pvtLinear, false));
  EXPECT_FALSE(engine.Start(1, source, small, 1000, pvtLinear, false));
  EXPECT_FALSE(engine.Running);
  EXPECT_EQ(view.PaintLock, 0);
}

// ---- Pan and zoom ----

class PanZoomTest : public TransitionEngineTest {
 protected:
  void SetUp() override {
    TransitionEngineTest::SetUp();
    ASSERT_TRUE(picture.Allocate(200, 100, pv24RGB));
    for (int y = 0; y < 100; ++y)
      for (int i = 0; i < 600; ++i) picture.GetScanline(y)[i] = uint8_t(i * 7 + y * 13);
  }
  // The frame of step 0 for a rectangle, and the frame the definition gives.
  void Check(const TRect& rect, bool background, int destX, int destY, int destW, int destH,
             int sourceX, int sourceY, int sourceW, int sourceH) {
    ASSERT_TRUE(engine.StartPanZoom(&picture, rect, rect, 60, 30, 1000, pvtLinear, false));
    engine.PaintPanZoom(0);
    TBitmap expected;
    ASSERT_TRUE(expected.SetPixelFormat(platform::pf24bit));
    ASSERT_TRUE(expected.SetSize(60, 30));
    if (background) {
      expected.GetCanvas()->Brush.Color = ColorToRGB(view.GetBackground());
      expected.GetCanvas()->FillRect(0, 0, 60, 30);
    }
    if (destW > 0)
      picture.DrawToTBitmap(&expected, destX, destY, destW, destH, sourceX, sourceY, sourceW,
                            sourceH, 255, rfNone, pvboNormal);
    EXPECT_TRUE(SamePixels(*engine.Work, 0, 0, expected, 60, 30))
        << rect.Left << "," << rect.Top << "," << rect.Right << "," << rect.Bottom;
    engine.Stop();
  }
  TPVBitmap picture;
};

TEST_F(PanZoomTest, ARectangleInsideThePictureFillsTheFrame) {
  Check({50, 20, 150, 70}, false, 0, 0, 60, 30, 50, 20, 100, 50);
}

TEST_F(PanZoomTest, ARectanglePastAnEdgeIsCutAndFittedOnTheBackground) {
  // Past the left edge: 60 x 50 remain, fitted as 36 x 30 in the middle.
  Check({-40, 0, 60, 50}, true, 12, 0, 36, 30, 0, 0, 60, 50);
  // Past the right edge likewise: 50 x 50 remain, never read beyond the picture.
  Check({150, 0, 250, 50}, true, 15, 0, 30, 30, 150, 0, 50, 50);
  // Past the bottom: 100 x 20 remain, 60 x 12.
  Check({0, 80, 100, 130}, true, 0, 9, 60, 12, 0, 80, 100, 20);
}

TEST_F(PanZoomTest, AnEmptyRectangleOrNoPicturePaintsTheBackgroundOnly) {
  Check({300, 0, 400, 50}, true, 0, 0, 0, 0, 0, 0, 0, 0);
  Check({10, 10, 10, 40}, true, 0, 0, 0, 0, 0, 0, 0, 0);
  ASSERT_TRUE(engine.StartPanZoom(nullptr, {0, 0, 10, 10}, {0, 0, 10, 10}, 60, 30, 1000, pvtLinear, false));
  engine.PaintPanZoom(512);
  EXPECT_EQ(engine.Work->GetCanvas()->GetPixel(30, 15), ColorToRGB(view.GetBackground()));
}

TEST(FitRectToBoxTest, FitsTheAspectAndSurvivesZeroSizes) {
  struct Case {
    int W, H, BoxW, BoxH;
    TRect Fitted;
  };
  const Case cases[] = {{60, 50, 60, 30, {12, 0, 48, 30}}, {100, 20, 60, 30, {0, 9, 60, 21}},
                        {10, 0, 20, 10, {0, 5, 20, 5}},     {0, 0, 10, 10, {0, 0, 0, 0}},
                        {5, 5, 0, 10, {0, 0, 0, 0}},        {0, 7, 10, 10, {5, 0, 5, 10}}};
  for (const Case& c : cases) {
    const TRect r = FitRectToBox(c.W, c.H, c.BoxW, c.BoxH);
    EXPECT_EQ(r, c.Fitted) << c.W << "x" << c.H << " in " << c.BoxW << "x" << c.BoxH;
  }
}

// ---- Every kind on awkward sizes ----

TEST(TransitionSizesTest, EveryKindPaintsEveryStepOnSmallAndLargeFrames) {
  struct Size {
    int W, H;
  };
  SetRandomSeed(17);
  TPVBitmap picture;
  ASSERT_TRUE(picture.Allocate(50, 40, pv24RGB));
  for (const Size size : {Size{1, 1}, Size{6, 5}, Size{44, 30}, Size{2000, 1500}}) {
    TBitmap source, target;
    Fill(source, size.W, size.H, 3);
    Fill(target, size.W, size.H, 4);
    TPVTransitionEffects engine(nullptr);
    const bool large = size.W > 1000;
    for (int kind = 1; kind <= 164; ++kind) {
      if (kind == 164)
        ASSERT_TRUE(engine.StartPanZoom(&picture, {-5, -5, 30, 20}, {10, 10, 60, 45}, size.W, size.H,
                                        1000, pvtLinear, false));
      else
        ASSERT_TRUE(engine.Start(TPVTransitionKind(kind), source, target, 1000, pvtLinear, false));
      for (int step : large ? std::vector<int>{0, 700} : std::vector<int>{0, 1, 5, 300, 512, 1000, 1024}) {
        if (kind <= 30)
          engine.PaintEngineTransition(step);
        else if (kind == 164)
          engine.PaintPanZoom(step);
        else
          engine.PaintTableTransition(step);
      }
      engine.Stop();
    }
  }
}

}  // namespace
}  // namespace calmora::test
