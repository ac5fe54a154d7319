// The millisecond tick count over the steady clock, replaceable by tests.
#include "platform/tick_count.h"

#include <chrono>

namespace calmora::platform {

std::function<uint32_t()> TickCountSource;

uint32_t GetTickCount() {
  if (TickCountSource) return TickCountSource();
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  // The low 32 bits of the count: the wrap is part of the contract.
  return static_cast<uint32_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

}  // namespace calmora::platform
