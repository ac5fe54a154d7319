// The two window scroll bars of our custom controls with the platform's rules: range, page and
// position (kept within min .. max - page + 1), arrows, shown or hidden (by ShowScrollBar
// only). The flat scroll-bar functions work on the same two bars.
#pragma once

#include <cstdint>

namespace calmora::platform {

class TCustomControl;

inline constexpr int32_t SB_HORZ = 0;
inline constexpr int32_t SB_VERT = 1;
inline constexpr int32_t SB_CTL = 2;  // a scroll-bar control: not one of a window's bars
inline constexpr int32_t SB_BOTH = 3;

inline constexpr uint32_t SIF_RANGE = 0x01;
inline constexpr uint32_t SIF_PAGE = 0x02;
inline constexpr uint32_t SIF_POS = 0x04;
inline constexpr uint32_t SIF_DISABLENOSCROLL = 0x08;
inline constexpr uint32_t SIF_TRACKPOS = 0x10;
inline constexpr uint32_t SIF_ALL = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS;

inline constexpr uint32_t ESB_ENABLE_BOTH = 0;
inline constexpr uint32_t ESB_DISABLE_LTUP = 1;  // the left or up arrow
inline constexpr uint32_t ESB_DISABLE_RTDN = 2;  // the right or down arrow
inline constexpr uint32_t ESB_DISABLE_BOTH = 3;

// The platform's 28-byte scroll information record.
struct TScrollInfo {
  uint32_t cbSize = 28;
  uint32_t fMask = 0;
  int32_t nMin = 0;
  int32_t nMax = 0;
  uint32_t nPage = 0;
  int32_t nPos = 0;
  int32_t nTrackPos = 0;
};
static_assert(sizeof(TScrollInfo) == 28);

// One bar of a window as the platform keeps it.
struct TScrollBarState {
  int32_t Min = 0;
  int32_t Max = 100;
  uint32_t Page = 0;
  int32_t Pos = 0;
  uint32_t Arrows = ESB_ENABLE_BOTH;  // which arrows are disabled
  bool Visible = false;
};

// The last position the bar can take: max - page + 1, never below min.
int32_t LastScrollPos(const TScrollBarState& bar);

// The functions below take the control whose bar it is; a null control or a bar that is not
// SB_HORZ or SB_VERT (SB_BOTH where said) does nothing and answers 0 or false.
// Sets what fMask names (a range with min > max becomes 0 .. 0; the page is cut to the range's
// length; the position is kept inside); answers the position afterwards.
int32_t SetScrollInfo(TCustomControl* window, int32_t bar, const TScrollInfo& info, bool redraw);
// Fills what info.fMask names; false for an unknown bar.
bool GetScrollInfo(TCustomControl* window, int32_t bar, TScrollInfo& info);
bool SetScrollRange(TCustomControl* window, int32_t bar, int32_t min, int32_t max, bool redraw);
// Answers the position the bar had before.
int32_t SetScrollPos(TCustomControl* window, int32_t bar, int32_t pos, bool redraw);
int32_t GetScrollPos(TCustomControl* window, int32_t bar);
// SB_BOTH allowed. False when the arrows already were in that state.
bool EnableScrollBar(TCustomControl* window, int32_t bar, uint32_t arrows);
// SB_BOTH allowed. A bar shown or hidden changes the client area, and the control receives
// its resize before this returns.
bool ShowScrollBar(TCustomControl* window, int32_t bar, bool show);

// The flat scroll-bar functions: the same bars, drawn the same way.
int32_t FlatSB_SetScrollInfo(TCustomControl* window, int32_t bar, const TScrollInfo& info,
                             bool redraw);
bool FlatSB_SetScrollRange(TCustomControl* window, int32_t bar, int32_t min, int32_t max,
                           bool redraw);
int32_t FlatSB_SetScrollPos(TCustomControl* window, int32_t bar, int32_t pos, bool redraw);
bool FlatSB_EnableScrollBar(TCustomControl* window, int32_t bar, uint32_t arrows);
bool FlatSB_ShowScrollBar(TCustomControl* window, int32_t bar, bool show);

}  // namespace calmora::platform
