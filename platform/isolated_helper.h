// Questions about content answered by a helper program in a process of its own: code we cannot
// vouch for (a third-party parser fed hostile bytes) runs there, so its crash or hang ends the
// helper, not the caller. Unlike AskIsolated, the helper is a small program of its own started
// with posix_spawn and kept for the caller's lifetime, so a question costs the same whatever the
// caller's size; one that crashed or hung is replaced on the next question.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace calmora::platform {

// Reads up to Size bytes of the content at Offset (from 0) into Buffer: the count read, 0 past
// the end or when the content cannot be read. Called on the asking thread.
using HelperContentReader = std::function<int64_t(int64_t Offset, uint8_t* Buffer, int64_t Size)>;

// Asks the helper program started as Command (its path, then its arguments) about ContentSize
// bytes of content, which it reads piece by piece through Read (the wire is in
// isolated_helper_wire.h). The helper's answer, or nothing when the program is missing or
// cannot start, crashed, broke the wire, or gave no answer within TimeoutMilliseconds (it is
// killed then); a program that cannot start is noted once on the debug output. Helpers between
// questions are kept, a few per command, for any thread to reuse; two threads never share one.
// A helper's standard output and error go to /dev/null.
std::optional<bool> AskHelper(const std::vector<std::string>& Command, int64_t ContentSize,
                              const HelperContentReader& Read, int32_t TimeoutMilliseconds);

// How many helper processes this process has started so far: tests see a helper kept between
// questions and a crashed one replaced.
int64_t HelperStarts();

// Why the last helper of this command could not start, or empty when none failed to start.
std::string HelperStartFailure(const std::vector<std::string>& Command);

}  // namespace calmora::platform
