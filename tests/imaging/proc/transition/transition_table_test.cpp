// The transition table and its procedures against the effects' own literal cases: the names,
// the metrics and their rounding, bars, sweeps, blinds, unrolls, pushes, the random kinds'
// invariants, and the Percent 0 and 100 frames.
#include "imaging/proc/transition/transition_table.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

#include "imaging/base/random.h"
#include "imaging/proc/transition/transition_effects.h"
#include "platform/canvas.h"
#include "platform/device_bitmap.h"

namespace calmora::test {
namespace {

using platform::TBitmap;

const char* const kNames[163] = {
    "Cross Fade",
    "Fade Out",
    "Fade In",
    "Fade Out then In",
    "Wipe Left to Right",
    "Wipe Left to Right 2",
    "Wipe Right to Left",
    "Wipe Right to Left 2",
    "Wipe Top to Bottom",
    "Wipe Top to Bottom 2",
    "Wipe Bottom to Top",
    "Wipe Bottom to Top 2",
    "Slide from Top Left",
    "Slide from Top Right",
    "Slide from Bottom Left",
    "Slide from Bottom Right",
    "Push Left to Right",
    "Slide Out Left to Right",
    "Push Right to Left",
    "Slide Out Right to Left",
    "Push Top to Bottom",
    "Slide Out Top to Bottom",
    "Push Bottom to Top",
    "Slide Out Bottom to Top",
    "Random Points",
    "Random Boxes",
    "Wipe Out from Center",
    "Wipe In to Center",
    "Expand Out from Center",
    "Expand In to Center",
    "Expand from Left",
    "Expand from Right",
    "Expand from Top",
    "Expand from Bottom",
    "Expand from Top Left",
    "Expand from Top Right",
    "Expand from Bottom Left",
    "Expand from Bottom Right",
    "Expand in from Left",
    "Expand in from Right",
    "Expand in from Top",
    "Expand in from Bottom",
    "Expand in to Vertical Center",
    "Expand in to Horizon",
    "Expand in from Sides",
    "Expand in from Top and Bottom",
    "Expand out from Horizon",
    "Expand out from Vertical Center",
    "Wipe from Top Left",
    "Wipe from Top Right",
    "Wipe from Bottom Left",
    "Wipe from Bottom Right",
    "Wipe from Horizon",
    "Wipe in from Sides",
    "Wipe out from Vertical Center",
    "Build up from Left",
    "Build up from Right",
    "Build up from Top",
    "Build up from Bottom",
    "Unroll from Left",
    "Unroll from Right",
    "Unroll from Top",
    "Unroll from Bottom",
    "Slide in from Left",
    "Slide in from Right",
    "Slide in from Top",
    "Slide in from Bottom",
    "Slide in from Top and Bottom",
    "Shrink to Top Left",
    "Shrink to Top Right",
    "Shrink to Bottom Left",
    "Shrink to Bottom Right",
    "Shrink to Center",
    "Quarters Wipe in to Center",
    "Quarters Expand to Center",
    "Quarters Slide in to Center",
    "Curved Wipe from Left",
    "Curved Wipe from Right",
    "Curved Wipe from Top",
    "Curved Wipe from Bottom",
    "Bars in from Left",
    "Bars in from Right",
    "Bars from Top",
    "Bars from Bottom",
    "Bars Left then Right",
    "Bars Right then Left",
    "Bars Top then Bottom",
    "Bars Bottom then Top",
    "Bars from both Sides",
    "Bars from Top and Bottom",
    "Shredded from Left",
    "Shredded from Right",
    "Shredded from Top",
    "Shredded from Bottom",
    "Shredded from Top and Left",
    "Shredded from Top and Right",
    "Shredded from Bottom and Left",
    "Shredded from Bottom and Right",
    "Shredded from Horizon and Left",
    "Shredded from Horizon and Right",
    "Shredded from Top and Vertical Center",
    "Shredded from Bottom and Vertical Center",
    "Shredded to Center",
    "Shredded from Center",
    "Shredded in to Horizon",
    "Shredded in to Vertical Center",
    "Shredded out from Horizon",
    "Shredded out from Vertical Center",
    "Rectangular Shred",
    "Triangular Shred to Top Left",
    "Curved Wipe from Top Left",
    "Curved Wipe from Top Right",
    "Curved Wipe from Bottom Left",
    "Curved Wipe from Bottom Right",
    "Circular Wipe from Center",
    "Circular Wipe to Center",
    "Crisscross Wipe from Top Left",
    "Crisscross Wipe from Top Right",
    "Crisscross Wipe from Bottom Left",
    "Crisscross Wipe from Bottom Right",
    "Crisscross Wipe Bounce from Top Left",
    "Crisscross Wipe Bounce from Top Right",
    "Crisscross Wipe Bounce from Bottom Left",
    "Crisscross Wipe Bounce from Bottom Right",
    "Crisscross Wipe from Left Right and Top",
    "Crisscross Wipe from Left Right and Bottom",
    "Crisscross Wipe from Left Top and Bottom",
    "Crisscross Wipe from Top Left Right and Bottom",
    "Crisscross Wipe from Right Top and Bottom",
    "Crisscross Wipe from Bottom Left Top Right",
    "Wipe diagonal from Top Left",
    "Wipe diagonal from Top Right",
    "Wipe diagonal from Bottom Left",
    "Wipe diagonal from Bottom Right",
    "Diagonal Sweep Clockwise",
    "Diagonal Sweep Counter-Clockwise",
    "Sweep Clockwise",
    "Sweep Counter-Clockwise",
    "Starburst Clockwise from Center",
    "Rotational Rectangle",
    "Rotational Star",
    "Speckled Wipe from Left",
    "Speckled Wipe from Right",
    "Speckled Wipe from Top",
    "Speckled Wipe from Bottom",
    "Push Left and Slide out",
    "Push Right and Slide out",
    "Push up and Slide out",
    "Push down and Slide out",
    "Push and Squeeze Left",
    "Push and Squeeze Right",
    "Push and Squeeze up",
    "Push and Squeeze down",
    "Horizontal Blinds",
    "Vertical Blinds",
    "Uneven Blinds from Left",
    "Uneven Blinds from Right",
    "Uneven Blinds from Top",
    "Uneven Blinds from Bottom",
    "Rectangles from the Left",
    "Rectangles from the Right",
    "Rectangles from the Top",
    "Rectangles from the Bottom",
};

TEST(TransitionTableTest, NamesEveryKindAndLeavesTheEngineKindsWithoutAProcedure) {
  for (int kind = 1; kind <= 163; ++kind) {
    EXPECT_EQ(TransitionTable[kind - 1].Name, kNames[kind - 1]) << kind;
    EXPECT_EQ(TransitionTable[kind - 1].Proc == nullptr, kind <= 30) << kind;
  }
}

TEST(TransitionTableTest, MulDivRoundsHalvesAwayFromZero) {
  std::mt19937 random(5);
  std::uniform_int_distribution<int> value(-3000, 3000);
  for (int i = 0; i < 20000; ++i) {
    const int a = value(random), b = value(random), c = value(random);
    if (c == 0) continue;
    const long double exact = static_cast<long double>(a) * b / c;
    const long double expected = exact < 0 ? -std::floor(-exact + 0.5L) : std::floor(exact + 0.5L);
    ASSERT_EQ(TransitionMulDiv(a, b, c), static_cast<int>(expected)) << a << "*" << b << "/" << c;
  }
  EXPECT_EQ(TransitionMulDiv(5, 1, 2), 3);
  EXPECT_EQ(TransitionMulDiv(-5, 1, 2), -3);
  EXPECT_EQ(TransitionMulDiv(1 << 30, 1 << 30, 1 << 30), 1 << 30);  // 64-bit product
  EXPECT_EQ(TransitionMulDiv(7, 3, 0), 0);
}

TEST(TransitionTableTest, MetricsGrowBothSidesInProportion) {
  const TTransitionMetrics wide = TransitionMetrics(TRect{0, 0, 300, 100}, 1, 50);
  EXPECT_EQ(wide.W, 300);
  EXPECT_EQ(wide.DX, 150);
  EXPECT_EQ(wide.DY, 50);
  EXPECT_EQ(wide.Band, 3);
  const TTransitionMetrics tall = TransitionMetrics(TRect{0, 0, 100, 300}, 1, 33);
  EXPECT_EQ(tall.DY, 99);
  EXPECT_EQ(tall.DX, 33);
  EXPECT_EQ(TransitionMetrics(TRect{0, 0, 900, 600}, 1, 0).Band, 10);
  EXPECT_EQ(TransitionMetrics(TRect{0, 0, 44, 30}, 1, 0).Band, 0);
}

// ---- Painting one state of a table kind over a Source ----

struct Painted {
  TBitmap Source, Target, Work;
};

// Source and Target of distinct colours everywhere; Work starts as Source.
void SetUpPictures(Painted& p, int w, int h) {
  for (TBitmap* b : {&p.Source, &p.Target, &p.Work}) {
    ASSERT_TRUE(b->SetPixelFormat(platform::pf24bit));
    ASSERT_TRUE(b->SetSize(w, h));
  }
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < 3; ++c) {
        p.Source.GetScanLine(y)[3 * x + c] = uint8_t(2 * (x + y * 3 + c));
        p.Target.GetScanLine(y)[3 * x + c] = uint8_t(2 * (x * 5 + y + c) + 1);
        p.Work.GetScanLine(y)[3 * x + c] = p.Source.GetScanLine(y)[3 * x + c];
      }
}

void PaintKind(Painted& p, int kind, int percent) {
  p.Work.GetCanvas()->StretchMode = platform::HALFTONE;
  TransitionTable[kind - 1].Proc(*p.Work.GetCanvas(), p.Source, p.Target,
                                 TRect{0, 0, p.Work.GetWidth(), p.Work.GetHeight()}, 1, percent);
}

bool Is(TBitmap& a, TBitmap& b, int x, int y) {
  return std::equal(a.GetScanLine(y) + 3 * x, a.GetScanLine(y) + 3 * x + 3, b.GetScanLine(y) + 3 * x);
}
bool Revealed(Painted& p, int x, int y) { return Is(p.Work, p.Target, x, y); }
bool Kept(Painted& p, int x, int y) { return Is(p.Work, p.Source, x, y); }

// The map of revealed pixels of one state.
std::vector<bool> RevealedMap(int kind, int percent, int w, int h) {
  Painted p;
  SetUpPictures(p, w, h);
  PaintKind(p, kind, percent);
  std::vector<bool> map;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) map.push_back(Revealed(p, x, y));
  return map;
}

TEST(TransitionTableTest, BarsInFromRightCompleteEveryOtherRowAtHalfTime) {
  Painted half, threeQuarters;
  SetUpPictures(half, 96, 60);
  SetUpPictures(threeQuarters, 96, 60);
  PaintKind(half, 82, 50);
  PaintKind(threeQuarters, 82, 75);
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 96; ++x) {
      const bool evenRow = y % 10 < 5;
      ASSERT_EQ(Revealed(half, x, y), evenRow) << x << "," << y;
      ASSERT_EQ(Revealed(half, x, y), !Kept(half, x, y));
      ASSERT_EQ(Revealed(threeQuarters, x, y), evenRow || x >= 48) << x << "," << y;
    }
}

TEST(TransitionTableTest, FullStatesCoverTheFrameAndEmptyOnesLeaveIt) {
  struct Case {
    int Kind, Percent;
    bool All;
  };
  const Case cases[] = {{89, 100, true}, {116, 0, false}, {116, 100, true}, {137, 0, false},
                        {137, 100, true}, {138, 100, true}, {90, 100, true}, {128, 100, true}};
  for (const Case& c : cases) {
    Painted p;
    SetUpPictures(p, 96, 60);
    PaintKind(p, c.Kind, c.Percent);
    for (int y = 0; y < 60; ++y)
      for (int x = 0; x < 96; ++x)
        ASSERT_EQ(Revealed(p, x, y), c.All) << c.Kind << " at " << c.Percent << ": " << x << "," << y;
  }
}

TEST(TransitionTableTest, CrisscrossFromBottomLeftTopRightIsWhereBothPatternsMeet) {
  for (int percent : {20, 40, 60, 80}) {
    const auto both = RevealedMap(130, percent, 96, 60);
    const auto fromTopLeft = RevealedMap(117, percent, 96, 60);
    const auto fromBottomRight = RevealedMap(120, percent, 96, 60);
    for (size_t i = 0; i < both.size(); ++i)
      ASSERT_EQ(both[i], fromTopLeft[i] && fromBottomRight[i]) << percent << " at " << i;
  }
}

TEST(TransitionTableTest, SweepClockwiseAtAQuarterShowsTwelveToThreeOClock) {
  Painted p;
  SetUpPictures(p, 200, 200);
  PaintKind(p, 137, 25);
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 200; ++x) {
      if (std::abs(x + 0.5 - 100) < 1.5 || std::abs(y + 0.5 - 100) < 1.5) continue;
      ASSERT_EQ(Revealed(p, x, y), x >= 100 && y < 100) << x << "," << y;
    }
}

TEST(TransitionTableTest, BlindsOfNineHundredBySixHundredHaveThePitchOfTheBand) {
  Painted vertical, horizontal;
  SetUpPictures(vertical, 900, 600);
  SetUpPictures(horizontal, 900, 600);
  PaintKind(vertical, 155, 50);
  PaintKind(horizontal, 154, 50);
  for (int y = 0; y < 600; y += 7)
    for (int x = 0; x < 900; ++x) {
      ASSERT_EQ(Revealed(vertical, x, y), x % 90 < 45) << x;
      ASSERT_EQ(Revealed(horizontal, y, x % 600), (x % 600) % 60 < 30) << x;
    }
}

TEST(TransitionTableTest, UnrollDrawsARollWhoseWidthFollowsTheProgress) {
  struct Case {
    int Percent, DX, Roll;
  };
  // W = 100: a fifth is 20 pixels.
  for (const Case c : {Case{10, 10, 5}, Case{50, 50, 10}, Case{90, 90, 5}, Case{19, 19, 9}}) {
    Painted p;
    SetUpPictures(p, 100, 40);
    for (int y = 0; y < 40; ++y)
      for (int x = 0; x < 100; ++x) std::fill_n(p.Target.GetScanLine(y) + 3 * x, 3, uint8_t{255});
    PaintKind(p, 60, c.Percent);
    for (int x = 0; x < 100; ++x) {
      if (std::abs(x - c.DX - c.Roll) <= 1 || std::abs(x - c.DX) <= 1) continue;  // roll edges
      ASSERT_EQ(Revealed(p, x, 20), x < c.DX + c.Roll) << c.Percent << " at " << x;
    }
  }
}

TEST(TransitionTableTest, TheRollIsTheFollowingStripMirrored) {
  // A Target that brightens to the right (and downwards): mirrored, the roll darkens.
  for (const int kind : {60, 62}) {
    Painted p;
    SetUpPictures(p, 100, 100);
    for (int y = 0; y < 100; ++y)
      for (int x = 0; x < 100; ++x) std::fill_n(p.Target.GetScanLine(y) + 3 * x, 3, uint8_t(2 * (kind == 60 ? x : y)));
    PaintKind(p, kind, 50);  // the roll covers 50 .. 59 and shows 60 .. 69
    const auto at = [&](int i) { return kind == 60 ? p.Work.GetScanLine(30)[3 * i] : p.Work.GetScanLine(i)[3 * 30]; };
    EXPECT_GT(at(51), at(58)) << kind;
    EXPECT_NEAR(at(51), 2 * 68, 4) << kind;
    EXPECT_NEAR(at(58), 2 * 61, 4) << kind;
  }
}

TEST(TransitionTableTest, APushCalledTwiceMovesThePictureTwice) {
  Painted p;
  SetUpPictures(p, 100, 30);
  PaintKind(p, 146, 10);
  PaintKind(p, 146, 10);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 80; ++x) ASSERT_TRUE(Is(p.Work, p.Source, x, y) == false &&
                                             std::equal(p.Work.GetScanLine(y) + 3 * x, p.Work.GetScanLine(y) + 3 * x + 3,
                                                        p.Source.GetScanLine(y) + 3 * (x + 20)))
        << x << "," << y;
}

TEST(TransitionTableTest, PercentZeroChangesNothingAndHundredShowsTheTarget) {
  const int unchanged[] = {31, 32, 33, 34, 35, 36, 37, 38, 49, 50, 51, 52, 53, 55, 64, 65, 66, 67};
  for (int kind : unchanged) {
    Painted p;
    SetUpPictures(p, 96, 60);
    PaintKind(p, kind, 0);
    for (int y = 0; y < 60; ++y)
      for (int x = 0; x < 96; ++x) ASSERT_TRUE(Kept(p, x, y)) << kind << " at " << x << "," << y;
  }
  // At 100 the copies are 1:1, so the Target shows pixel for pixel; only the halves of 45 and
  // 46 and quarters of 75 and 76 are stretched one pixel wider or higher, which a
  // one-colour Target shows as covered.
  for (int kind = 31; kind <= 153; ++kind) {
    if (kind == 77) kind = 146;
    for (const bool oneColour : {false, true})
      for (const auto& size : {std::pair{96, 60}, std::pair{50, 90}}) {
        if (!oneColour && (kind == 45 || kind == 46 || kind == 75 || kind == 76)) continue;
        Painted p;
        SetUpPictures(p, size.first, size.second);
        if (oneColour)
          for (int y = 0; y < size.second; ++y) std::fill_n(p.Target.GetScanLine(y), 3 * size.first, uint8_t{255});
        PaintKind(p, kind, 100);
        for (int y = 0; y < size.second; ++y)
          for (int x = 0; x < size.first; ++x) ASSERT_TRUE(Revealed(p, x, y)) << kind << " at " << x << "," << y;
      }
  }
}

// ---- The random kinds ----

TEST(TransitionRandomKindsTest, PixelsAreSourceOrTargetAndStayRevealed) {
  std::vector<int> kinds = {25, 26, 142, 143, 144, 145};
  for (int kind = 91; kind <= 108; ++kind) kinds.push_back(kind);
  for (int kind : kinds)
    for (const auto& size : {std::pair{96, 60}, std::pair{50, 90}}) {
      const int w = size.first, h = size.second;
      Painted p;
      SetUpPictures(p, w, h);
      SetRandomSeed(uint32_t(kind));
      TPVTransitionEffects engine(nullptr);
      ASSERT_TRUE(engine.Start(TPVTransitionKind(kind), p.Source, p.Target, 1000, pvtLinear, false));
      std::vector<bool> before(size_t(w) * h, false);
      for (int step : {0, 40, 200, 512, 700, 900, 1024}) {
        if (kind <= 30)
          engine.PaintEngineTransition(step);
        else
          engine.PaintTableTransition(step);
        for (int y = 0; y < h; ++y)
          for (int x = 0; x < w; ++x) {
            const bool revealed = Is(*engine.Work, p.Target, x, y);
            ASSERT_TRUE(revealed || Is(*engine.Work, p.Source, x, y)) << kind << " " << step << " at " << x << "," << y;
            ASSERT_TRUE(revealed || !before[size_t(y) * w + x]) << kind << " " << step << " hid " << x << "," << y;
            before[size_t(y) * w + x] = revealed;
            // Boxes lie on the 8-pixel grid: a revealed pixel's whole box is revealed.
            if (kind == 26 && revealed) {
              ASSERT_TRUE(Is(*engine.Work, p.Target, x & ~7, y & ~7) &&
                          Is(*engine.Work, p.Target, std::min(x | 7, w - 1), std::min(y | 7, h - 1)));
            }
          }
      }
      // Shreds and speckles end on the whole Target.
      if (kind > 30) {
        for (bool revealed : before) ASSERT_TRUE(revealed) << kind;
      }
    }
}

TEST(TransitionRandomKindsTest, BoxesNeedSixtyFourPixelsOfArea) {
  Painted p;
  SetUpPictures(p, 7, 9);
  TPVTransitionEffects engine(nullptr);
  ASSERT_TRUE(engine.Start(26, p.Source, p.Target, 1000, pvtLinear, false));
  for (int step : {0, 512, 1024}) engine.PaintEngineTransition(step);
  EXPECT_EQ(engine.RandomDone, 0);
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 7; ++x) ASSERT_TRUE(Is(*engine.Work, p.Source, x, y));
}

TEST(TransitionRandomKindsTest, FadeOutThenInTurnsAtHalfTime) {
  Painted p;
  SetUpPictures(p, 8, 4);
  TPVTransitionEffects engine(nullptr);  // no view: the background is black
  ASSERT_TRUE(engine.Start(4, p.Source, p.Target, 1000, pvtLinear, false));
  engine.PaintEngineTransition(511);
  for (int i = 0; i < 24; ++i)
    ASSERT_EQ(engine.Work->GetScanLine(2)[i], (p.Source.GetScanLine(2)[i] * 2) >> 10);
  engine.PaintEngineTransition(512);
  for (int i = 0; i < 24; ++i) ASSERT_EQ(engine.Work->GetScanLine(2)[i], 0);
}

}  // namespace
}  // namespace calmora::test
