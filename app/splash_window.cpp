// Tflash: a borderless window with the splash picture, centred on the screen.
#include "app/splash_window.h"

#include <QCoreApplication>
#include <QLabel>

#include "app/app_resources.h"
#include "platform/window_placement.h"

namespace calmora {

Tflash::Tflash(QWidget* parent) : QWidget(parent) {
  setWindowTitle(QStringLiteral("flash"));
  setWindowFlags(Qt::SplashScreen | Qt::FramelessWindowHint);
  setFixedSize(350, 180);
  flash = new QLabel(this);
  flash->setGeometry(0, 0, 350, 180);
  flash->setPixmap(SplashPicture());
  platform::CentreOnScreen(*this);
}

void Tflash::ShowNow() {
  show();
  repaint();
  QCoreApplication::processEvents();
}

}  // namespace calmora
