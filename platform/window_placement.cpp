// Centring top-level windows on their screen.
#include "platform/window_placement.h"

#include <QRect>
#include <QScreen>
#include <QWidget>

namespace calmora::platform {

void CentreOnScreen(QWidget& window) {
  QScreen* screen = window.screen();
  if (!screen) return;
  QRect frame = window.frameGeometry();
  frame.moveCenter(screen->availableGeometry().center());
  window.move(frame.topLeft());
}

}  // namespace calmora::platform
