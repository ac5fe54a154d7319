// Small tools shared by the bitmap_*.cpp files and not part of the bitmap's interface.
#pragma once

#include "imaging/core/bitmap/bitmap.h"

namespace calmora {

// Sets a bitmap's DataAccess for the length of a scope and restores it, also when a file
// transfer raises.
class TPVDataAccessScope {
 public:
  TPVDataAccessScope(TPVBaseBitmap& bitmap, TPVDataAccess access)
      : bitmap_(bitmap), saved_(bitmap.DataAccess) {
    bitmap.DataAccess = access;
  }
  ~TPVDataAccessScope() { bitmap_.DataAccess = saved_; }
  TPVDataAccessScope(const TPVDataAccessScope&) = delete;
  TPVDataAccessScope& operator=(const TPVDataAccessScope&) = delete;

 private:
  TPVBaseBitmap& bitmap_;
  TPVDataAccess saved_;
};

}  // namespace calmora
