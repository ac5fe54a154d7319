// Fonts that programs written for another system name, mapped to the fonts installed here,
// and the toolkit font of a canvas font.
#pragma once

#include <QFont>
#include <QString>
#include <string>

#include "platform/graphics_tools.h"

namespace calmora::platform {

// The installed family that stands in for a family name: the name itself when installed, else
// a metric-compatible substitute ("Arial" -> "Liberation Sans", "Times New Roman" ->
// "Liberation Serif", "Courier New" -> "Liberation Mono"), else a wide sans-serif ("Verdana",
// "Tahoma" -> "DejaVu Sans"). Needs the GUI application.
QString InstalledFamilyFor(const std::string& name);

// The toolkit font for a canvas font; fonts can only be used with a GUI application.
QFont ToolkitFont(const TFont& font);

// Whether a GUI application exists, without which no font can be measured or drawn.
bool FontsUsable();

}  // namespace calmora::platform
