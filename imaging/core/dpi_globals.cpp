// Storage of the resolution globals.
#include "imaging/core/dpi_globals.h"

namespace calmora {

int32_t ScreenDpiX = 96;
int32_t ScreenDpiY = 96;
int32_t DefaultDpiX = 300;
int32_t DefaultDpiY = 300;

}  // namespace calmora
