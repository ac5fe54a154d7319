// Runs a yes-or-no question in a child process of its own, so that code we cannot vouch for
// (a third-party parser fed hostile bytes) can crash or hang there without taking the caller
// with it. The child sees a copy of the caller's memory; nothing it changes comes back.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

namespace calmora::platform {

// The question's answer, or nothing when the child crashed, was killed, gave no answer
// within TimeoutMilliseconds (it is killed then) or could not be started. The child's
// standard output and error go to /dev/null, and it ends without running exit handlers.
std::optional<bool> AskIsolated(const std::function<bool()>& Question,
                                int32_t TimeoutMilliseconds);

}  // namespace calmora::platform
