// The view's scroll-bar wrappers: each row runs through the system and the flat functions and
// must give the same answer and the same bar, since both are the same bars here.
#include "imaging/core/view/scroll_bar_wrappers.h"

#include <gtest/gtest.h>

#include <QScrollBar>
#include <functional>
#include <string>

#include "platform/custom_control.h"
#include "tests/support/qt_test_app.h"

namespace calmora {
namespace {

using platform::SB_HORZ;
using platform::SB_VERT;
using platform::TScrollBarState;

struct Row {
  std::string what;
  int32_t bar;
  std::function<int64_t(TCustomControl*, int32_t bar, bool flat)> call;
  int64_t answer;
  TScrollBarState after;  // of the bar the row names
};

TScrollBarState State(int32_t min, int32_t max, uint32_t page, int32_t pos, uint32_t arrows,
                      bool visible) {
  TScrollBarState state;
  state.Min = min;
  state.Max = max;
  state.Page = page;
  state.Pos = pos;
  state.Arrows = arrows;
  state.Visible = visible;
  return state;
}

// Each row starts from a bar with range 0..65535, page 0, position 0, shown.
const Row kRows[] = {
    {"range", SB_HORZ, [](TCustomControl* w, int32_t b, bool f) {
       return SetScrollBarRange(w, b, 10, 500, false, f);
     }, 1, State(10, 500, 0, 10, 0, true)},
    {"page keeps range and position", SB_VERT, [](TCustomControl* w, int32_t b, bool f) {
       SetScrollBarPos(w, b, 300, false, f);
       return SetScrollBarPage(w, b, 1000, true, f);
     }, 300, State(0, 65535, 1000, 300, 0, true)},
    {"page pulls the position back to max - page + 1", SB_HORZ,
     [](TCustomControl* w, int32_t b, bool f) {
       SetScrollBarPos(w, b, 65000, false, f);
       return SetScrollBarPage(w, b, 1000, true, f);
     }, 64536, State(0, 65535, 1000, 64536, 0, true)},
    {"position answers the old one", SB_VERT, [](TCustomControl* w, int32_t b, bool f) {
       SetScrollBarPos(w, b, 7, false, f);
       return SetScrollBarPos(w, b, 9, false, f);
     }, 7, State(0, 65535, 0, 9, 0, true)},
    {"info sets what its mask names", SB_HORZ, [](TCustomControl* w, int32_t b, bool f) {
       TScrollInfo info;
       info.fMask = platform::SIF_RANGE | platform::SIF_POS;
       info.nMin = 5;
       info.nMax = 50;
       info.nPage = 999;  // not in the mask
       info.nPos = 60;
       return SetScrollBarInfo(w, b, info, true, f);
     }, 50, State(5, 50, 0, 50, 0, true)},
    {"arrows off", SB_VERT, [](TCustomControl* w, int32_t b, bool f) {
       return EnableScrollBarArrows(w, b, platform::ESB_DISABLE_BOTH, f);
     }, 1, State(0, 65535, 0, 0, platform::ESB_DISABLE_BOTH, true)},
    {"arrows already on", SB_HORZ, [](TCustomControl* w, int32_t b, bool f) {
       return EnableScrollBarArrows(w, b, platform::ESB_ENABLE_BOTH, f);
     }, 0, State(0, 65535, 0, 0, 0, true)},
    {"hide", SB_HORZ, [](TCustomControl* w, int32_t b, bool f) {
       return ShowHideScrollBar(w, b, false, f);
     }, 1, State(0, 65535, 0, 0, 0, false)},
};

class ScrollBarWrappers : public ::testing::TestWithParam<std::tuple<Row, bool>> {};

TEST_P(ScrollBarWrappers, SameBarsFlatOrNot) {
  const auto& [row, flat] = GetParam();
  TCustomControl window(nullptr);
  window.SetBounds(0, 0, 200, 200);
  for (int32_t bar : {SB_HORZ, SB_VERT}) {
    platform::SetScrollRange(&window, bar, 0, 65535, false);
    platform::ShowScrollBar(&window, bar, true);
  }
  EXPECT_EQ(row.call(&window, row.bar, flat), row.answer) << row.what;
  const TScrollBarState& state = window.ScrollBarState(row.bar);
  EXPECT_EQ(state.Min, row.after.Min) << row.what;
  EXPECT_EQ(state.Max, row.after.Max) << row.what;
  EXPECT_EQ(state.Page, row.after.Page) << row.what;
  EXPECT_EQ(state.Pos, row.after.Pos) << row.what;
  EXPECT_EQ(state.Arrows, row.after.Arrows) << row.what;
  EXPECT_EQ(state.Visible, row.after.Visible) << row.what;
  EXPECT_EQ(window.ScrollBarWidget(row.bar)->isVisibleTo(&window), row.after.Visible);
  // The other bar is as it started.
  const TScrollBarState& other = window.ScrollBarState(row.bar == SB_HORZ ? SB_VERT : SB_HORZ);
  EXPECT_EQ(other.Pos, 0);
  EXPECT_EQ(other.Page, 0u);
  EXPECT_TRUE(other.Visible);
}

INSTANTIATE_TEST_SUITE_P(Rows, ScrollBarWrappers,
                         ::testing::Combine(::testing::ValuesIn(kRows), ::testing::Bool()));

}  // namespace
}  // namespace calmora
