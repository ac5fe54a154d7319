// The platform's scroll-bar rules on the two bars of a custom control. The flat functions
// are the same bars: this toolkit draws one kind.
#include "platform/scroll_bars.h"

#include <algorithm>
#include <limits>

#include "platform/custom_control.h"

namespace calmora::platform {

namespace {

bool IsWindowBar(int32_t bar) { return bar == SB_HORZ || bar == SB_VERT; }

// The range's length, which the page may not exceed.
int64_t RangeLength(const TScrollBarState& state) { return int64_t{state.Max} - state.Min + 1; }

// Page within 0 .. range length, position within min .. last position.
void KeepInside(TScrollBarState& state) {
  state.Page = static_cast<uint32_t>(std::min<int64_t>(state.Page, RangeLength(state)));
  state.Pos = std::clamp(state.Pos, state.Min, LastScrollPos(state));
}

template <typename Change>
bool ChangeBars(TCustomControl* window, int32_t bar, Change change) {
  if (window == nullptr) return false;
  bool any = false;
  for (int32_t one : {SB_HORZ, SB_VERT}) {
    if (bar != one && bar != SB_BOTH) continue;
    any = change(window->ScrollBarState(one)) || any;
    window->ScrollBarChanged(one);
  }
  return any;
}

}  // namespace

int32_t LastScrollPos(const TScrollBarState& bar) {
  const int64_t last = int64_t{bar.Max} - std::max<int64_t>(int64_t{bar.Page} - 1, 0);
  return static_cast<int32_t>(std::max<int64_t>(last, bar.Min));
}

int32_t SetScrollInfo(TCustomControl* window, int32_t bar, const TScrollInfo& info, bool) {
  if (window == nullptr || !IsWindowBar(bar)) return 0;
  TScrollBarState& state = window->ScrollBarState(bar);
  if (info.fMask & SIF_PAGE) state.Page = info.nPage;
  if (info.fMask & SIF_RANGE) {
    // A reversed range, or one longer than a 32-bit count, is no range at all.
    const bool valid = info.nMin <= info.nMax &&
                       int64_t{info.nMax} - info.nMin <= std::numeric_limits<int32_t>::max();
    state.Min = valid ? info.nMin : 0;
    state.Max = valid ? info.nMax : 0;
  }
  if (info.fMask & SIF_POS) state.Pos = info.nPos;
  KeepInside(state);
  window->ScrollBarChanged(bar);
  return state.Pos;
}

bool GetScrollInfo(TCustomControl* window, int32_t bar, TScrollInfo& info) {
  if (window == nullptr || !IsWindowBar(bar)) return false;
  const TScrollBarState& state = window->ScrollBarState(bar);
  if (info.fMask & SIF_RANGE) {
    info.nMin = state.Min;
    info.nMax = state.Max;
  }
  if (info.fMask & SIF_PAGE) info.nPage = state.Page;
  if (info.fMask & SIF_POS) info.nPos = state.Pos;
  if (info.fMask & SIF_TRACKPOS) info.nTrackPos = state.Pos;
  return true;
}

bool SetScrollRange(TCustomControl* window, int32_t bar, int32_t min, int32_t max, bool redraw) {
  if (window == nullptr || !IsWindowBar(bar)) return false;
  TScrollInfo info;
  info.fMask = SIF_RANGE;
  info.nMin = min;
  info.nMax = max;
  SetScrollInfo(window, bar, info, redraw);
  return true;
}

int32_t SetScrollPos(TCustomControl* window, int32_t bar, int32_t pos, bool redraw) {
  if (window == nullptr || !IsWindowBar(bar)) return 0;
  const int32_t old = window->ScrollBarState(bar).Pos;
  TScrollInfo info;
  info.fMask = SIF_POS;
  info.nPos = pos;
  SetScrollInfo(window, bar, info, redraw);
  return old;
}

int32_t GetScrollPos(TCustomControl* window, int32_t bar) {
  if (window == nullptr || !IsWindowBar(bar)) return 0;
  return window->ScrollBarState(bar).Pos;
}

bool EnableScrollBar(TCustomControl* window, int32_t bar, uint32_t arrows) {
  if (arrows > ESB_DISABLE_BOTH) return false;
  return ChangeBars(window, bar, [arrows](TScrollBarState& state) {
    const bool changed = state.Arrows != arrows;
    state.Arrows = arrows;
    return changed;
  });
}

bool ShowScrollBar(TCustomControl* window, int32_t bar, bool show) {
  if (window == nullptr || (!IsWindowBar(bar) && bar != SB_BOTH)) return false;
  ChangeBars(window, bar, [show](TScrollBarState& state) {
    state.Visible = show;
    return true;
  });
  return true;
}

int32_t FlatSB_SetScrollInfo(TCustomControl* window, int32_t bar, const TScrollInfo& info,
                             bool redraw) {
  return SetScrollInfo(window, bar, info, redraw);
}

bool FlatSB_SetScrollRange(TCustomControl* window, int32_t bar, int32_t min, int32_t max,
                           bool redraw) {
  return SetScrollRange(window, bar, min, max, redraw);
}

int32_t FlatSB_SetScrollPos(TCustomControl* window, int32_t bar, int32_t pos, bool redraw) {
  return SetScrollPos(window, bar, pos, redraw);
}

bool FlatSB_EnableScrollBar(TCustomControl* window, int32_t bar, uint32_t arrows) {
  return EnableScrollBar(window, bar, arrows);
}

bool FlatSB_ShowScrollBar(TCustomControl* window, int32_t bar, bool show) {
  return ShowScrollBar(window, bar, show);
}

}  // namespace calmora::platform
