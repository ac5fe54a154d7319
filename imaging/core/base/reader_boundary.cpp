// The reader boundary: the guarded run of one reader or writer, its abort flag and its finish
// event.
#include "imaging/core/base/reader_boundary.h"

namespace calmora::reader_boundary_detail {

namespace {

// Lends a record that has no abort flag one of its own while the operation runs, and takes
// it back however the run ends.
class BorrowedAbortFlag {
 public:
  explicit BorrowedAbortFlag(TPVProgressRecord& Progress) : Progress_(Progress) {
    if (Progress_.Aborting == nullptr) Progress_.Aborting = &Own_;
    Flag_ = Progress_.Aborting;
  }
  ~BorrowedAbortFlag() {
    if (Progress_.Aborting == &Own_) Progress_.Aborting = nullptr;
  }
  BorrowedAbortFlag(const BorrowedAbortFlag&) = delete;
  BorrowedAbortFlag& operator=(const BorrowedAbortFlag&) = delete;

  bool& Flag() { return *Flag_; }

 private:
  TPVProgressRecord& Progress_;
  bool Own_ = false;
  bool* Flag_ = nullptr;
};

}  // namespace

bool Run(TPVProgressRecord& Progress, bool (*Call)(void*), void* Operation,
         const TPVFinishWorkProc& Finish) {
  BorrowedAbortFlag aborting(Progress);
  try {
    if (!Call(Operation)) aborting.Flag() = true;
  } catch (...) {
    // Whatever was thrown, the operation did not complete; its caller learns that from the
    // flag, as from bad data.
    aborting.Flag() = true;
  }
  const bool succeeded = !aborting.Flag();
  if (Finish) Finish();
  return succeeded;
}

}  // namespace calmora::reader_boundary_detail
