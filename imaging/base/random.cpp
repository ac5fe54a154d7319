// A 32-bit linear congruential generator whose state is the seed; a draw maps the state onto
// 0 .. N - 1 by a 64-bit multiply, so every N gets uniform numbers without division.
#include "imaging/base/random.h"

#include <atomic>
#include <chrono>

namespace calmora {

namespace {

// The generator's state, which is also the current seed.
std::atomic<uint32_t> State{0};

constexpr uint32_t kMultiplier = 134775813u;

int32_t Draw(uint32_t state, int32_t N) {
  if (N <= 0) return 0;
  return static_cast<int32_t>((uint64_t{state} * static_cast<uint32_t>(N)) >> 32);
}

}  // namespace

int32_t Random(int32_t N) {
  uint32_t current = State.load(std::memory_order_relaxed);
  uint32_t next = 0;
  do {
    next = current * kMultiplier + 1u;
  } while (!State.compare_exchange_weak(current, next, std::memory_order_relaxed));
  return Draw(next, N);
}

void RandomFill(int32_t N, int32_t* values, size_t count) {
  uint32_t current = State.load(std::memory_order_relaxed);
  uint32_t next = 0;
  do {
    next = current;
    for (size_t i = 0; i < count; ++i) {
      next = next * kMultiplier + 1u;
      values[i] = Draw(next, N);
    }
  } while (!State.compare_exchange_weak(current, next, std::memory_order_relaxed));
}

void SetRandomSeed(uint32_t Seed) { State.store(Seed, std::memory_order_relaxed); }

uint32_t GetRandomSeed() { return State.load(std::memory_order_relaxed); }

void Randomize() {
  const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
  SetRandomSeed(static_cast<uint32_t>(ticks));
}

}  // namespace calmora
