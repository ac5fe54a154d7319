// The two settings objects a view publishes: how its scroll bars step and track, and what the
// mouse wheel does. How the view applies them is the view's business.
#pragma once

#include <cstdint>

#include "imaging/base/defs.h"

namespace calmora {

class TPVScrollBarParams : public TObject {
 public:
  int32_t LineStep = -1;  // -1: one line unit
  int32_t PageStep = -1;  // -1: the visible extent
  bool Tracking = true;   // scroll while the thumb is dragged
};

class TPVMouseWheelParams : public TObject {
 public:
  bool InvertWheel = false;
  uint8_t Action = 2;     // 0 nothing, 1 scroll, 2 zoom
  uint8_t Variation = 1;  // 0 Value is absolute, 1 a percentage
  int32_t Value = 8;
  bool ZoomAtMouse = false;
};

}  // namespace calmora
