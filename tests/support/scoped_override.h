// Gives a global (a switch, a limit, a hook) another value for one scope and restores the old
// one afterwards, also when the test fails half-way.
#pragma once

#include <utility>

namespace calmora::test {

template <typename T>
class ScopedOverride {
 public:
  ScopedOverride(T& variable, T value) : variable_(variable), saved_(std::move(variable)) {
    variable_ = std::move(value);
  }
  ~ScopedOverride() { variable_ = std::move(saved_); }
  ScopedOverride(const ScopedOverride&) = delete;
  ScopedOverride& operator=(const ScopedOverride&) = delete;

 private:
  T& variable_;
  T saved_;
};

}  // namespace calmora::test
