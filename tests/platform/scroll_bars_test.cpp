// The window scroll bars' rules: the position stays within min .. max - page + 1, the page
// within the range's length, a reversed range is none, the position setter answers the old
// position, arrows report whether they changed, and the bar widget mirrors the state.
#include "platform/scroll_bars.h"

#include <gtest/gtest.h>

#include <QScrollBar>
#include <functional>
#include <string>

#include "platform/custom_control.h"
#include "tests/support/qt_test_app.h"

namespace calmora::platform {
namespace {

TScrollInfo Info(uint32_t mask, int32_t min, int32_t max, uint32_t page, int32_t pos) {
  TScrollInfo info;
  info.fMask = mask;
  info.nMin = min;
  info.nMax = max;
  info.nPage = page;
  info.nPos = pos;
  return info;
}

struct Expected {
  int32_t min, max;
  uint32_t page;
  int32_t pos;
};

struct Step {
  std::string what;
  std::function<int64_t(TCustomControl*)> call;  // its answer
  int64_t answer;
  Expected after;
};

// Each case starts from range 0..100, page 0, position 0 on both bars.
const Step kSteps[] = {
    {"page shortens the last position", [](TCustomControl* w) {
       return SetScrollInfo(w, SB_HORZ, Info(SIF_PAGE | SIF_POS, 0, 0, 10, 95), true);
     }, 91, {0, 100, 10, 91}},
    {"position inside stays", [](TCustomControl* w) {
       return SetScrollInfo(w, SB_HORZ, Info(SIF_ALL, 10, 20, 5, 12), true);
     }, 12, {10, 20, 5, 12}},
    {"position below min", [](TCustomControl* w) {
       return SetScrollInfo(w, SB_HORZ, Info(SIF_RANGE | SIF_POS, 10, 20, 0, 3), true);
     }, 10, {10, 20, 0, 10}},
    {"page longer than the range is cut", [](TCustomControl* w) {
       return SetScrollInfo(w, SB_HORZ, Info(SIF_PAGE, 0, 0, 500, 0), true);
     }, 0, {0, 100, 101, 0}},
    {"reversed range is no range", [](TCustomControl* w) {
       return SetScrollInfo(w, SB_HORZ, Info(SIF_RANGE | SIF_POS, 30, 20, 0, 25), true);
     }, 0, {0, 0, 0, 0}},
    {"range wider than int32 counts is no range", [](TCustomControl* w) {
       return SetScrollInfo(w, SB_HORZ, Info(SIF_RANGE, -2, INT32_MAX, 0, 0), true);
     }, 0, {0, 0, 0, 0}},
    {"widest range", [](TCustomControl* w) {
       return SetScrollInfo(w, SB_HORZ, Info(SIF_RANGE | SIF_POS, -1, INT32_MAX - 1, 0, 7), true);
     }, 7, {-1, INT32_MAX - 1, 0, 7}},
    {"position setter answers the old position", [](TCustomControl* w) {
       SetScrollPos(w, SB_HORZ, 40, true);
       return SetScrollPos(w, SB_HORZ, 70, true);
     }, 40, {0, 100, 0, 70}},
    {"position setter clamps", [](TCustomControl* w) {
       SetScrollInfo(w, SB_HORZ, Info(SIF_PAGE, 0, 0, 20, 0), true);
       SetScrollPos(w, SB_HORZ, 500, true);
       return GetScrollPos(w, SB_HORZ);
     }, 81, {0, 100, 20, 81}},
    {"a shrinking range pulls the position in", [](TCustomControl* w) {
       SetScrollPos(w, SB_HORZ, 90, true);
       return SetScrollRange(w, SB_HORZ, 0, 50, true);
     }, 1, {0, 50, 0, 50}},
    {"the control's bar is not a window bar", [](TCustomControl* w) {
       return SetScrollInfo(w, SB_CTL, Info(SIF_POS, 0, 0, 0, 50), true);
     }, 0, {0, 100, 0, 0}},
};

class ScrollBarRules : public ::testing::TestWithParam<Step> {};

TEST_P(ScrollBarRules, StateAndAnswer) {
  const Step& step = GetParam();
  TCustomControl window(nullptr);
  window.SetBounds(0, 0, 100, 100);
  ASSERT_TRUE(SetScrollRange(&window, SB_HORZ, 0, 100, false));
  EXPECT_EQ(step.call(&window), step.answer) << step.what;
  TScrollInfo info;
  info.fMask = SIF_ALL;
  ASSERT_TRUE(GetScrollInfo(&window, SB_HORZ, info));
  EXPECT_EQ(info.nMin, step.after.min) << step.what;
  EXPECT_EQ(info.nMax, step.after.max) << step.what;
  EXPECT_EQ(info.nPage, step.after.page) << step.what;
  EXPECT_EQ(info.nPos, step.after.pos) << step.what;
  EXPECT_EQ(info.nTrackPos, step.after.pos) << step.what;
  // The widget shows the same: its maximum is the last position.
  const QScrollBar* widget = window.ScrollBarWidget(SB_HORZ);
  EXPECT_EQ(widget->minimum(), step.after.min);
  EXPECT_EQ(widget->maximum(), LastScrollPos(window.ScrollBarState(SB_HORZ)));
  EXPECT_EQ(widget->value(), step.after.pos);
  // The other bar is untouched.
  EXPECT_EQ(GetScrollPos(&window, SB_VERT), 0);
}

INSTANTIATE_TEST_SUITE_P(Steps, ScrollBarRules, ::testing::ValuesIn(kSteps));

TEST(ScrollBarsTest, LastPositionIsMaxMinusPagePlusOneNeverBelowMin) {
  for (int32_t min : {-5, 0, 3})
    for (int32_t max : {min, min + 1, min + 50})
      for (uint32_t page : {0u, 1u, 2u, 10u, 100u}) {
        TScrollBarState state;
        state.Min = min;
        state.Max = max;
        state.Page = page;
        const int64_t last = int64_t{max} - std::max<int64_t>(page, 1) + 1;
        const int64_t expected = std::max<int64_t>(min, last);
        EXPECT_EQ(LastScrollPos(state), expected) << min << " " << max << " " << page;
      }
}

TEST(ScrollBarsTest, ArrowsReportWhetherTheyChanged) {
  TCustomControl window(nullptr);
  EXPECT_FALSE(EnableScrollBar(&window, SB_VERT, ESB_ENABLE_BOTH));
  EXPECT_TRUE(EnableScrollBar(&window, SB_VERT, ESB_DISABLE_BOTH));
  EXPECT_FALSE(window.ScrollBarWidget(SB_VERT)->isEnabled());
  EXPECT_TRUE(window.ScrollBarWidget(SB_HORZ)->isEnabled());
  EXPECT_FALSE(EnableScrollBar(&window, SB_VERT, ESB_DISABLE_BOTH));
  EXPECT_TRUE(EnableScrollBar(&window, SB_BOTH, ESB_DISABLE_LTUP));
  EXPECT_EQ(window.ScrollBarState(SB_HORZ).Arrows, ESB_DISABLE_LTUP);
  EXPECT_EQ(window.ScrollBarState(SB_VERT).Arrows, ESB_DISABLE_LTUP);
  // One arrow off leaves the bar usable.
  EXPECT_TRUE(window.ScrollBarWidget(SB_VERT)->isEnabled());
  EXPECT_FALSE(EnableScrollBar(&window, SB_VERT, 7));
  EXPECT_FALSE(EnableScrollBar(&window, SB_CTL, ESB_DISABLE_BOTH));
}

TEST(ScrollBarsTest, NoWindowDoesNothing) {
  TScrollInfo info;
  info.fMask = SIF_ALL;
  EXPECT_EQ(SetScrollInfo(nullptr, SB_HORZ, info, true), 0);
  EXPECT_FALSE(GetScrollInfo(nullptr, SB_HORZ, info));
  EXPECT_FALSE(SetScrollRange(nullptr, SB_HORZ, 0, 5, true));
  EXPECT_EQ(SetScrollPos(nullptr, SB_VERT, 3, true), 0);
  EXPECT_FALSE(EnableScrollBar(nullptr, SB_BOTH, ESB_DISABLE_BOTH));
  EXPECT_FALSE(ShowScrollBar(nullptr, SB_BOTH, true));
}

}  // namespace
}  // namespace calmora::platform
