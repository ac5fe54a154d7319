// Placing top-level windows: every window of the front end opens in the middle of its screen.
#pragma once

class QWidget;

namespace calmora::platform {

// Moves the window so that its frame (title bar included, once the window system has given it
// one) stands in the middle of the available area of its screen.
void CentreOnScreen(QWidget& window);

}  // namespace calmora::platform
