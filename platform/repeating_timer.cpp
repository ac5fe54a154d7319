// The timer component: a precise QTimer calls Tick, which runs the handler.
#include "platform/repeating_timer.h"

#include <QCoreApplication>
#include <QTimer>
#include <algorithm>
#include <cstdint>

namespace calmora::platform {

TRepeatingTimer::TRepeatingTimer(TComponent* AOwner) : TComponent(AOwner) { Restart(); }

TRepeatingTimer::~TRepeatingTimer() {
  Destroying();
  if (Timer_) Timer_->stop();
}

void TRepeatingTimer::SetEnabled(bool value) {
  if (value == Enabled_) return;
  Enabled_ = value;
  Restart();
}

void TRepeatingTimer::SetInterval(uint32_t value) {
  if (value == Interval_) return;
  Interval_ = value;
  Restart();
}

void TRepeatingTimer::Tick() {
  if (Enabled_ && Interval_ > 0 && OnTimer) OnTimer(this);
}

void TRepeatingTimer::Restart() {
  if (Timer_) Timer_->stop();
  if (!Enabled_ || Interval_ == 0 || QCoreApplication::instance() == nullptr) return;
  if (!Timer_) {
    Timer_ = std::make_unique<QTimer>();
    // A coarse timer would round 1 ms ticks up to the system's slack.
    Timer_->setTimerType(Qt::PreciseTimer);
    QObject::connect(Timer_.get(), &QTimer::timeout, [this] { Tick(); });
  }
  Timer_->start(static_cast<int>(std::min<uint32_t>(Interval_, INT32_MAX)));
}

}  // namespace calmora::platform
