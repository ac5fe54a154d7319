// The reader boundary: the guarded run of one reader or writer, its abort flag and its finish
// event.
#include "imaging/base/streams/reader_boundary.h"

namespace calmora::reader_boundary_detail {

namespace {

// Lends a record that has no abort flag one of its own while the operation runs, and takes
// it back however the run ends.
class BorrowedAbortFlag {
 public:
  explicit BorrowedAbortFlag(TPVProgressRecord& progress) : progress_(progress) {
    if (progress_.Aborting == nullptr) progress_.Aborting = &own_;
    flag_ = progress_.Aborting;
  }
  ~BorrowedAbortFlag() {
    if (progress_.Aborting == &own_) progress_.Aborting = nullptr;
  }
  BorrowedAbortFlag(const BorrowedAbortFlag&) = delete;
  BorrowedAbortFlag& operator=(const BorrowedAbortFlag&) = delete;

  bool& Flag() { return *flag_; }

 private:
  TPVProgressRecord& progress_;
  bool own_ = false;
  bool* flag_ = nullptr;
};

}  // namespace

bool Run(TPVProgressRecord& progress, bool (*call)(void*), void* operation,
         const TPVFinishWorkProc& finish) {
  BorrowedAbortFlag aborting(progress);
  try {
    if (!call(operation)) aborting.Flag() = true;
  } catch (...) {
    // Whatever was thrown, the operation did not complete; its caller learns that from the
    // flag, as from bad data.
    aborting.Flag() = true;
  }
  const bool succeeded = !aborting.Flag();
  if (finish) finish();
  return succeeded;
}

}  // namespace calmora::reader_boundary_detail
