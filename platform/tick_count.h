// The platform's millisecond tick count: a 32-bit count that wraps, read from a steady clock,
// or from a clock a test sets in its place.
#pragma once

#include <cstdint>
#include <functional>

namespace calmora::platform {

// Milliseconds since an arbitrary start, wrapping at 2^32 (about 49.7 days): callers take
// differences as unsigned 32-bit values.
uint32_t GetTickCount();

// When set, GetTickCount answers this instead of the clock, so tests decide how much time
// has passed.
extern std::function<uint32_t()> TickCountSource;

}  // namespace calmora::platform
