// The one way every load and save of the I/O component ends: the finish event once, on every
// way out, with Aborting set first when the way out is an exception (which then goes on).
#pragma once

#include <exception>

#include "imaging/io/pictavo_io.h"

namespace calmora {

class TPVFinishWorkGuard {
 public:
  // An unarmed guard does nothing until Arm: for the part of a load that ends without the
  // finish event.
  explicit TPVFinishWorkGuard(TPictavoIO& IO, bool Armed = true)
      : io_(IO), exceptionsBefore_(std::uncaught_exceptions()), armed_(Armed) {}
  // The finish event may raise (it is the caller's handler): on a normal way out that reaches
  // the caller as the load's own exception would.
  ~TPVFinishWorkGuard() noexcept(false) {
    if (!armed_) return;
    if (std::uncaught_exceptions() <= exceptionsBefore_) {
      io_.DoFinishWork();
      return;
    }
    io_.Aborting = true;
    // A second exception while one is on its way would end the program: the first one wins.
    try {
      io_.DoFinishWork();
    } catch (...) {
    }
  }
  TPVFinishWorkGuard(const TPVFinishWorkGuard&) = delete;
  TPVFinishWorkGuard& operator=(const TPVFinishWorkGuard&) = delete;

  void Arm() { armed_ = true; }
  // The work went to another load that ends itself with the finish event.
  void Dismiss() { armed_ = false; }

 private:
  TPictavoIO& io_;
  const int exceptionsBefore_;
  bool armed_;
};

}  // namespace calmora
