// Pieces of the area-weighted engines shared with their tests: the merged walk over source and
// destination pixel boundaries along one axis, and the weights of the cubic convolution.
#pragma once

#include <cstdint>
#include <vector>

namespace calmora::resample {

// One step of the walk: the segment from the position reached so far to the next boundary,
// source or destination, whichever comes first. A destination boundary within 0.0001 after a
// source boundary still counts as first, so boundaries that coincide give a step of width 0.
struct AreaStep {
  double width;         // the segment's length, in source pixels
  double fraction;      // where the step's boundary lies from the left edge of source pixel
                        // sourceIndex: the destination boundary's offset, or 1 at a source one
  int64_t sourceIndex;  // source boundaries passed before the step (not limited to the source)
  int64_t targetIndex;  // the destination pixel the segment belongs to
  bool endsTarget;      // the step ends at a destination boundary
};

// The walk over sourceSize source and targetSize destination pixels (both at least 1). It
// gives the segment widths and both walks' decisions from one computation, at most
// sourceSize + targetSize steps, and ends with the step that ends the last destination pixel:
// so no walk runs past the steps its widths were made for.
class AreaWalk {
 public:
  AreaWalk(int32_t sourceSize, int32_t targetSize);
  // The next step; false when the walk has ended.
  bool Next(AreaStep& step);

 private:
  double ratio_;            // source pixels per destination pixel
  int64_t stepsLeft_;
  int32_t targetSize_;
  double position_ = 0;     // where the last step ended
  double targetEdge_ = 0;   // the last destination boundary passed
  int64_t sourcePassed_ = 0;
  int64_t targetPassed_ = 0;
};

// The four weights of the cubic convolution (a = -1) at T, 0 at the current sample:
// o(|T + 1|), i(|T|), i(|T - 1|), o(|T - 2|) with i(x) = x^3 - 2x^2 + 1 and
// o(x) = 5x^2 - x^3 - 8x + 4.
struct CubicWeights {
  double prev, cur, next, next2;
};
CubicWeights CubicWeightsAt(double T);

// The weighted sum in the order prev, cur, next, next2, limited to low .. high.
inline double CubicValue(const CubicWeights& w, double prev, double cur, double next,
                         double next2, double low, double high) {
  const double v = prev * w.prev + cur * w.cur + next * w.next + next2 * w.next2;
  return v < low ? low : (v > high ? high : v);
}

}  // namespace calmora::resample
