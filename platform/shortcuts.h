// The toolkit's keyboard shortcut value: a virtual-key code in the low byte with the shift,
// Ctrl and Alt bits above it.
#pragma once

#include <cstdint>

namespace calmora::platform {

using TShortCut = uint16_t;

inline constexpr TShortCut scShift = 0x2000;
inline constexpr TShortCut scCtrl = 0x4000;
inline constexpr TShortCut scAlt = 0x8000;

// Letters and digits are their own virtual-key codes ('A' .. 'Z', '0' .. '9').
inline constexpr TShortCut CtrlShortCut(char key) {
  return static_cast<TShortCut>(scCtrl | static_cast<uint8_t>(key));
}

}  // namespace calmora::platform
