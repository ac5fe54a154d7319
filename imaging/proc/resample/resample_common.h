// Small pieces every resampling engine uses: the sizes of a call, refusal of empty bitmaps,
// working memory that fails softly, progress reports and the 17-bit linear step.
#pragma once

#include <cstdint>
#include <new>
#include <stdexcept>
#include <vector>

#include "imaging/base/defs.h"
#include "imaging/core/bitmap/bitmap.h"

namespace calmora::resample {

// Source and destination sizes of one call, read once (a device bitmap re-reads its size on
// every query).
struct Sizes {
  int32_t sw = 0, sh = 0, dw = 0, dh = 0;

  Sizes(const TPVBitmap& source, const TPVBitmap& destination)
      : sw(source.GetWidth()), sh(source.GetHeight()), dw(destination.GetWidth()),
        dh(destination.GetHeight()) {}
  // Nothing to read or nothing to write: no engine may divide by a zero size or ask an empty
  // bitmap for a row.
  bool AnyEmpty() const { return sw < 1 || sh < 1 || dw < 1 || dh < 1; }
};

// An engine refuses (false, nothing touched) an empty source or destination, and a destination
// that is the source itself, whose rows it would overwrite before reading them.
inline bool Refused(const TPVBitmap& source, const TPVBitmap& destination, const Sizes& size) {
  return &source == &destination || size.AnyEmpty();
}

// Working memory of an engine: a failed allocation is an answer (false), never an exception.
template <typename T>
bool TryResize(std::vector<T>& vector, int64_t count) {
  if (count < 0) return false;
  try {
    vector.assign(static_cast<size_t>(count), T{});
  } catch (const std::bad_alloc&) {
    return false;
  } catch (const std::length_error&) {
    return false;
  }
  return true;
}

// Reports a percentage to OnProgress when it is assigned.
class ProgressReporter {
 public:
  ProgressReporter(TObject* sender, const TPVProgressEvent& onProgress)
      : sender_(sender), onProgress_(onProgress) {}
  bool Wanted() const { return static_cast<bool>(onProgress_); }
  void Report(int32_t percent) const {
    if (onProgress_) onProgress_(sender_, percent);
  }

 private:
  TObject* sender_;
  const TPVProgressEvent& onProgress_;
};

// Fractions of the linear engines are on a scale of 2^17.
inline constexpr int32_t kFractionBits = 17;
inline constexpr double kFractionScale = 131072.0;

// a + (b - a) x fraction / 2^17, the shift rounding toward minus infinity as an arithmetic
// shift does: 10 toward 0 at fraction 1 gives 9.
inline int32_t LinearStep(int32_t a, int32_t b, int32_t fraction) {
  return a + (((b - a) * fraction) >> kFractionBits);
}

}  // namespace calmora::resample
