// The order in which a GIF image's rows are stored: top to bottom, or the four interlace passes
// (rows 0, 8, 16 ...; 4, 12 ...; 2, 6 ...; 1, 3 ...).
#pragma once

#include <cstdint>

namespace calmora {

class GIFRowOrder {
 public:
  GIFRowOrder(int32_t height, bool interlaced) : height_(height), interlaced_(interlaced) {
    if (height_ <= 0) pass_ = kPasses;
  }

  bool Done() const { return pass_ >= kPasses; }
  int32_t Row() const { return row_; }

  void Next() {
    if (!interlaced_) {
      if (++row_ >= height_) pass_ = kPasses;
      return;
    }
    row_ += kStep[pass_];
    while (row_ >= height_ && ++pass_ < kPasses) row_ = kStart[pass_];
  }

 private:
  static constexpr int kPasses = 4;
  static constexpr int32_t kStart[kPasses] = {0, 4, 2, 1};
  static constexpr int32_t kStep[kPasses] = {8, 8, 4, 2};

  int32_t height_;
  bool interlaced_;
  int pass_ = 0;
  int32_t row_ = 0;
};

}  // namespace calmora
