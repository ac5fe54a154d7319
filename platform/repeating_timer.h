// The toolkit's timer component over a precise QTimer: while enabled it calls OnTimer every
// Interval milliseconds on the GUI thread. Tests drive it by hand through Tick.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/component.h"

class QTimer;

namespace calmora::platform {

class TRepeatingTimer : public TComponent {
 public:
  // Enabled, 1000 ms, as the toolkit makes its timers.
  explicit TRepeatingTimer(TComponent* AOwner);
  ~TRepeatingTimer() override;

  bool GetEnabled() const { return Enabled_; }
  // Enabling (re)starts the interval; disabling stops it.
  void SetEnabled(bool value);
  uint32_t GetInterval() const { return Interval_; }
  // An interval of 0 stops the timer as disabling does, but keeps it enabled.
  void SetInterval(uint32_t value);

  // Runs OnTimer (Sender = this) when the timer is enabled and has an interval: what a tick
  // of the clock does. Tests call it in place of the clock.
  void Tick();

  std::function<void(TObject* Sender)> OnTimer;

 private:
  void Restart();

  bool Enabled_ = true;
  uint32_t Interval_ = 1000;
  // Made only while a Qt application exists: without one there is no event loop to run it.
  std::unique_ptr<QTimer> Timer_;
};

}  // namespace calmora::platform
