// The view's scroll-bar calls: each goes to the flat scroll-bar function when Flat is set,
// else to the system function of the same name. Window is the view whose bar it is.
#pragma once

#include <cstdint>

#include "platform/scroll_bars.h"

namespace calmora {

using platform::TCustomControl;
using platform::TScrollInfo;

bool SetScrollBarRange(TCustomControl* Window, int32_t Bar, int32_t Min, int32_t Max, bool Redraw,
                       bool Flat);
// Answers the position afterwards.
int32_t SetScrollBarInfo(TCustomControl* Window, int32_t Bar, const TScrollInfo& Info, bool Redraw,
                         bool Flat);
// SetScrollBarInfo with a 28-byte record that sets the page only.
int32_t SetScrollBarPage(TCustomControl* Window, int32_t Bar, int32_t Page, bool Redraw, bool Flat);
// Answers the position before.
int32_t SetScrollBarPos(TCustomControl* Window, int32_t Bar, int32_t Pos, bool Redraw, bool Flat);
bool EnableScrollBarArrows(TCustomControl* Window, int32_t Bar, uint32_t Arrows, bool Flat);
bool ShowHideScrollBar(TCustomControl* Window, int32_t Bar, bool Show, bool Flat);

}  // namespace calmora
