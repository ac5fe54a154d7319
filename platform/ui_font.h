// The windows' font: Verdana where it is installed, else the closest sans-serif at hand.
#pragma once

#include <QFont>

namespace calmora::platform {

// A font whose characters are pixel_height pixels high.
QFont UiFont(int pixelHeight, bool bold = false);

}  // namespace calmora::platform
