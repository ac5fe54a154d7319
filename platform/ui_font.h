// The windows' font: Verdana where it is installed, else the closest sans-serif at hand.
#pragma once

#include <QFont>

namespace calmora::platform {

// A font whose characters are pixelHeight pixels high.
QFont UiFont(int pixelHeight, bool bold = false);

}  // namespace calmora::platform
