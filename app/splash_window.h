// Tflash: the borderless 350 by 180 picture shown while the engine check runs.
#pragma once

#include <QWidget>

class QLabel;

namespace calmora {

class Tflash : public QWidget {
  Q_OBJECT

 public:
  explicit Tflash(QWidget* parent = nullptr);

  // Shows the window (not modally) and paints it at once, before the check blocks the loop.
  void ShowNow();

  QLabel* flash = nullptr;
};

}  // namespace calmora
