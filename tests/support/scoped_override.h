// Gives a global (a switch, a limit, a hook, an environment variable) another value for one
// scope and restores the old one afterwards, also when the test fails half-way.
#pragma once

#include <stdlib.h>

#include <optional>
#include <string>
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

// The same for an environment variable; std::nullopt removes it for the scope.
class ScopedEnvironmentVariable {
 public:
  ScopedEnvironmentVariable(std::string name, const std::optional<std::string>& value)
      : name_(std::move(name)) {
    if (const char* previous = ::getenv(name_.c_str())) saved_ = previous;
    Set(value);
  }
  ~ScopedEnvironmentVariable() { Set(saved_); }
  ScopedEnvironmentVariable(const ScopedEnvironmentVariable&) = delete;
  ScopedEnvironmentVariable& operator=(const ScopedEnvironmentVariable&) = delete;

  // Another value within the same scope.
  void Set(const std::optional<std::string>& value) {
    if (value)
      ::setenv(name_.c_str(), value->c_str(), 1);
    else
      ::unsetenv(name_.c_str());
  }

 private:
  std::string name_;
  std::optional<std::string> saved_;
};

}  // namespace calmora::test
