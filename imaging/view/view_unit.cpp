// Set-up and clean-up of the view unit (screen metrics, default resolution, rubber-band pen).
#include "imaging/view/view_unit.h"

#include "imaging/base/platform_queries.h"
#include "imaging/core/dpi_globals.h"
#include "platform/screen_metrics.h"

namespace calmora {

TViewGlobals ViewGlobals;

void InitViewGlobals() {
  namespace p = platform;
  ViewGlobals.ScreenBitsPerPixel = p::ScreenBitsPerPixel();
  ViewGlobals.RemoteSession = IsRemoteSession();
  ScreenDpiX = p::ScreenPixelsPerInchX();
  ScreenDpiY = p::ScreenPixelsPerInchY();
  DefaultDpiX = 300;
  DefaultDpiY = 300;
  ViewGlobals.HasMMX = DetectMMX();
  ViewGlobals.EdgeX = p::GetSystemMetrics(p::SM_CXEDGE);
  ViewGlobals.EdgeY = p::GetSystemMetrics(p::SM_CYEDGE);
  ViewGlobals.BorderX = p::GetSystemMetrics(p::SM_CXBORDER);
  ViewGlobals.BorderY = p::GetSystemMetrics(p::SM_CYBORDER);
  ViewGlobals.HScrollBarHeight = p::GetSystemMetrics(p::SM_CYHSCROLL);
  ViewGlobals.VScrollBarWidth = p::GetSystemMetrics(p::SM_CXVSCROLL);
  // Gradients are painted by the toolkit here: no gradient library to load or clear.
  ViewGlobals.RubberBandPen = std::make_unique<platform::TPen>();
  ViewGlobals.RubberBandPen->Mode = platform::pmNot;
  ViewGlobals.RubberBandPen->Style = platform::psSolid;
  ViewGlobals.RubberBandPen->Width = 1;
}

void InitViewUnit() { InitViewGlobals(); }

void FinalizeViewUnit() { ViewGlobals.RubberBandPen.reset(); }

}  // namespace calmora
