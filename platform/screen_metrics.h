// What the platform reports of the screen and its standard parts: colour depth, pixels per
// inch and the sizes of edges, borders and scroll bars, as the controls here draw them.
#pragma once

#include <cstdint>

namespace calmora::platform {

// Without a GUI application (no screen to ask) the answers are 32 bits and 96 pixels per inch.
int32_t ScreenBitsPerPixel();
int32_t ScreenPixelsPerInchX();
int32_t ScreenPixelsPerInchY();

enum TSystemMetric : int32_t {
  SM_CXVSCROLL = 2,  // width of a vertical scroll bar
  SM_CYHSCROLL = 3,  // height of a horizontal scroll bar
  SM_CXBORDER = 5,   // a plain border: 1
  SM_CYBORDER = 6,
  SM_CXEDGE = 45,  // a 3-D edge: 2
  SM_CYEDGE = 46,
};

// The metric's value; 0 for one not listed above.
int32_t GetSystemMetrics(int32_t metric);

}  // namespace calmora::platform
