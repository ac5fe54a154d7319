// The one boundary every reader and writer runs inside: whatever goes wrong within (bad data,
// an exception of the library's classes, std::bad_alloc, anything else thrown) ends as the
// caller's Aborting flag set and the finish event, never as an escaping exception or as a
// success that was none.
#pragma once

#include <functional>
#include <memory>
#include <type_traits>

#include "imaging/base/defs.h"

namespace calmora {

// The end-of-operation event: the I/O component passes its DoFinishWork (OnProgress 100, then
// OnFinishWork), which must fire after a failed load or save as well.
using TPVFinishWorkProc = std::function<void()>;

namespace reader_boundary_detail {
bool Run(TPVProgressRecord& progress, bool (*call)(void*), void* operation,
         const TPVFinishWorkProc& finish);
}  // namespace reader_boundary_detail

// Runs Operation, a reader or writer working through Progress, and returns whether it
// succeeded: it came back (with true, when it answers a bool) and *Progress.Aborting is
// still false afterwards.
// - An exception of any kind, or false from Operation, sets *Progress.Aborting.
// - A record without a flag gets one, false, for the duration of the run and is null again
//   afterwards, so code inside may always write *Progress.Aborting.
// - The flag is not cleared first: its owner starts it false, and a flag already set asks the
//   operation to stop at once (every row loop tests it).
// - Finish, when given, runs last, after success and failure alike, with the flag final.
//   Finish is the caller's own code: what it throws is not the operation's and passes on.
template <class Operation>
bool RunInReaderBoundary(TPVProgressRecord& progress, Operation&& operation,
                         const TPVFinishWorkProc& finish = nullptr) {
  using Callable = std::remove_reference_t<Operation>;
  // Called through a plain function pointer, so nothing is allocated (and nothing can throw)
  // before the guard is up.
  const auto call = [](void* callable) -> bool {
    Callable& f = *static_cast<Callable*>(callable);
    if constexpr (std::is_void_v<std::invoke_result_t<Callable&>>) {
      std::invoke(f);
      return true;
    } else {
      return static_cast<bool>(std::invoke(f));
    }
  };
  return reader_boundary_detail::Run(
      progress, call, const_cast<void*>(static_cast<const void*>(std::addressof(operation))),
      finish);
}

}  // namespace calmora
