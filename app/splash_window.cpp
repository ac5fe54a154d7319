// Tflash: a borderless window with the splash picture, centred on the screen.
#include "app/splash_window.h"

#include <QCoreApplication>
#include <QLabel>
#include <QScreen>

#include "app/app_resources.h"

namespace calmora {

Tflash::Tflash(QWidget* parent) : QWidget(parent) {
  setWindowTitle(QStringLiteral("flash"));
  setWindowFlags(Qt::SplashScreen | Qt::FramelessWindowHint);
  setFixedSize(350, 180);
  flash = new QLabel(this);
  flash->setGeometry(0, 0, 350, 180);
  flash->setPixmap(SplashPicture());
  if (QScreen* screen = this->screen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
}

void Tflash::ShowNow() {
  show();
  repaint();
  QCoreApplication::processEvents();
}

}  // namespace calmora
