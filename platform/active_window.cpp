// The active window through the widget application; a plain or missing application has none.
#include "platform/active_window.h"

#include <QApplication>

#include "platform/custom_control.h"

namespace calmora::platform {

TCustomControl* ActiveControlWindow() {
  if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) return nullptr;
  return dynamic_cast<TCustomControl*>(QApplication::activeWindow());
}

}  // namespace calmora::platform
