// The scroll-bar wrappers over the platform's two sets of scroll-bar functions.
#include "imaging/core/view/scroll_bar_wrappers.h"

namespace calmora {

namespace p = platform;

bool SetScrollBarRange(TCustomControl* Window, int32_t Bar, int32_t Min, int32_t Max, bool Redraw,
                       bool Flat) {
  return Flat ? p::FlatSB_SetScrollRange(Window, Bar, Min, Max, Redraw)
              : p::SetScrollRange(Window, Bar, Min, Max, Redraw);
}

int32_t SetScrollBarInfo(TCustomControl* Window, int32_t Bar, const TScrollInfo& Info, bool Redraw,
                         bool Flat) {
  return Flat ? p::FlatSB_SetScrollInfo(Window, Bar, Info, Redraw)
              : p::SetScrollInfo(Window, Bar, Info, Redraw);
}

int32_t SetScrollBarPage(TCustomControl* Window, int32_t Bar, int32_t Page, bool Redraw,
                         bool Flat) {
  TScrollInfo info;
  info.cbSize = 28;
  info.fMask = p::SIF_PAGE;
  info.nPage = static_cast<uint32_t>(Page);
  return SetScrollBarInfo(Window, Bar, info, Redraw, Flat);
}

int32_t SetScrollBarPos(TCustomControl* Window, int32_t Bar, int32_t Pos, bool Redraw, bool Flat) {
  return Flat ? p::FlatSB_SetScrollPos(Window, Bar, Pos, Redraw)
              : p::SetScrollPos(Window, Bar, Pos, Redraw);
}

bool EnableScrollBarArrows(TCustomControl* Window, int32_t Bar, uint32_t Arrows, bool Flat) {
  return Flat ? p::FlatSB_EnableScrollBar(Window, Bar, Arrows)
              : p::EnableScrollBar(Window, Bar, Arrows);
}

bool ShowHideScrollBar(TCustomControl* Window, int32_t Bar, bool Show, bool Flat) {
  return Flat ? p::FlatSB_ShowScrollBar(Window, Bar, Show) : p::ShowScrollBar(Window, Bar, Show);
}

}  // namespace calmora
