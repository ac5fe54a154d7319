// The window styles a control chooses in its CreateParams: only the bits that decide our
// controls' frame and repainting, with the platform's values.
#pragma once

#include <cstdint>

namespace calmora::platform {

inline constexpr uint32_t WS_BORDER = 0x00800000u;         // a 1-pixel frame
inline constexpr uint32_t WS_EX_CLIENTEDGE = 0x00000200u;  // a 2-pixel sunken frame
inline constexpr uint32_t CS_VREDRAW = 0x0001u;            // a height change repaints it all
inline constexpr uint32_t CS_HREDRAW = 0x0002u;            // a width change repaints it all
inline constexpr uint32_t CS_DBLCLKS = 0x0008u;

struct TCreateParams {
  uint32_t Style = 0;
  uint32_t ExStyle = 0;
  uint32_t WindowClassStyle = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
};

// Whether the system draws the new-style (3-D) controls; it always does here.
inline constexpr bool NewStyleControls = true;

// The border styles of controls and forms.
enum TBorderStyle : uint8_t { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };

// Pixels of the frame a control's window style gives it.
inline int32_t FrameWidthOf(const TCreateParams& params) {
  if (params.ExStyle & WS_EX_CLIENTEDGE) return 2;
  if (params.Style & WS_BORDER) return 1;
  return 0;
}

}  // namespace calmora::platform
