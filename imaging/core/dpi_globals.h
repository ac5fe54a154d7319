// The resolutions every layer reads: the screen's pixels per inch and the library's default
// resolution for images whose files carry none. The view unit's set-up gives them their values.
#pragma once

#include <cstdint>

namespace calmora {

// Until the set-up has run they hold the values it gives on a plain screen.
extern int32_t ScreenDpiX;   // 96
extern int32_t ScreenDpiY;   // 96
extern int32_t DefaultDpiX;  // 300
extern int32_t DefaultDpiY;  // 300

}  // namespace calmora
