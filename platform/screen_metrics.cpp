// Screen facts from the GUI toolkit's primary screen, and the part sizes our controls use
// (their frames are 1 and 2 pixels; scroll bars are the style's).
#include "platform/screen_metrics.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <cmath>

namespace calmora::platform {

namespace {

constexpr int32_t kDefaultPixelsPerInch = 96;
constexpr int32_t kDefaultBitsPerPixel = 32;
// The style's scroll-bar extent needs a widget application; a plain one answers this.
constexpr int32_t kDefaultScrollBarExtent = 16;

const QScreen* PrimaryScreen() {
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) return nullptr;
  return QGuiApplication::primaryScreen();
}

int32_t ScrollBarExtent() {
  if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr)
    return kDefaultScrollBarExtent;
  return QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent);
}

}  // namespace

int32_t ScreenBitsPerPixel() {
  const QScreen* screen = PrimaryScreen();
  return screen ? screen->depth() : kDefaultBitsPerPixel;
}

int32_t ScreenPixelsPerInchX() {
  const QScreen* screen = PrimaryScreen();
  return screen ? static_cast<int32_t>(std::lrint(screen->logicalDotsPerInchX()))
                : kDefaultPixelsPerInch;
}

int32_t ScreenPixelsPerInchY() {
  const QScreen* screen = PrimaryScreen();
  return screen ? static_cast<int32_t>(std::lrint(screen->logicalDotsPerInchY()))
                : kDefaultPixelsPerInch;
}

int32_t GetSystemMetrics(int32_t metric) {
  switch (metric) {
    case SM_CXVSCROLL:
    case SM_CYHSCROLL: return ScrollBarExtent();
    case SM_CXBORDER:
    case SM_CYBORDER: return 1;
    case SM_CXEDGE:
    case SM_CYEDGE: return 2;
    default: return 0;
  }
}

}  // namespace calmora::platform
