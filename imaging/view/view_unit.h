// Set-up and clean-up of the view unit (screen metrics, default resolution, rubber-band pen),
// and the globals the views paint with. Only the library's static set-up calls the two
// routines, once each, in its fixed order of units.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/graphics_tools.h"

namespace calmora {

void InitViewUnit();
void FinalizeViewUnit();

// Reads the screen and the system into the globals below, ScreenDpiX, ScreenDpiY, DefaultDpiX
// and DefaultDpiY (dpi_globals.h), and makes the rubber-band pen.
void InitViewGlobals();

struct TViewGlobals {
  int32_t ScreenBitsPerPixel = 32;
  bool RemoteSession = false;
  bool HasMMX = false;
  int32_t EdgeX = 2;  // a 3-D edge
  int32_t EdgeY = 2;
  int32_t BorderX = 1;  // a plain border
  int32_t BorderY = 1;
  int32_t HScrollBarHeight = 16;
  int32_t VScrollBarWidth = 16;
  // Draws the rubber band of a polygon being selected: NOT mode, so that drawing a line twice
  // erases it. Exists from the unit's set-up to its clean-up.
  std::unique_ptr<platform::TPen> RubberBandPen;
};
extern TViewGlobals ViewGlobals;

}  // namespace calmora
