// The area-weighted engines ResampleArea8 and ResampleArea16 (one template over the sample type
// and channel count), the boundary walk they share, and CubicInterpolate. Every source pixel
// adds to the destination pixels it overlaps by the overlap's area; on an axis that grows, each
// overlap is sampled by bilinear or bicubic interpolation at the overlap's end.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "imaging/proc/resample/resample_area.h"
#include "imaging/proc/resample/resample_common.h"
#include "imaging/proc/resample/resample_engines.h"

namespace calmora {

namespace resample {

AreaWalk::AreaWalk(int32_t sourceSize, int32_t targetSize)
    : ratio_(static_cast<double>(sourceSize) / targetSize),
      stepsLeft_(int64_t{sourceSize} + targetSize), targetSize_(targetSize) {}

bool AreaWalk::Next(AreaStep& step) {
  if (stepsLeft_ < 1 || targetPassed_ >= targetSize_) return false;
  --stepsLeft_;
  step = {0, 1, sourcePassed_, targetPassed_, false};
  const double nextTarget = targetEdge_ + ratio_;
  if (static_cast<double>(sourcePassed_ + 1) + 0.0001 >= nextTarget) {
    step.fraction = nextTarget - static_cast<double>(sourcePassed_);
    targetEdge_ = nextTarget;
    step.width = targetEdge_ - position_;
    step.endsTarget = true;
    ++targetPassed_;
  } else {
    step.width = static_cast<double>(sourcePassed_ + 1) - position_;
    ++sourcePassed_;
  }
  position_ += step.width;
  return true;
}

CubicWeights CubicWeightsAt(double T) {
  const auto inner = [](double x) { return x * x * x - 2 * x * x + 1; };
  const auto outer = [](double x) { return 5 * x * x - x * x * x - 8 * x + 4; };
  return {outer(std::fabs(T + 1)), inner(std::fabs(T)), inner(std::fabs(T - 1)),
          outer(std::fabs(T - 2))};
}

}  // namespace resample

double CubicInterpolate(int32_t Prev, int32_t Cur, int32_t Next, double T, int32_t Next2,
                        double Low, double High) {
  return resample::CubicValue(resample::CubicWeightsAt(T), Prev, Cur, Next, Next2, Low, High);
}

namespace {

using resample::AreaStep;
using resample::AreaWalk;
using resample::CubicValue;
using resample::CubicWeights;
using resample::CubicWeightsAt;
using resample::ProgressReporter;

// What a source row contributes at each step of the horizontal walk: its sample (the axis
// shrinks), or the linear or cubic interpolation at the step's end (the axis grows); when the
// vertical axis grows too, bicubic rows are rounded before they are combined.
enum class AcrossKind { Sample, Linear, Cubic, CubicRounded };
// How rows' contributions combine into a segment's value: the current row alone (the axis
// shrinks), or the linear or cubic interpolation with its neighbours at the segment's end.
enum class DownKind { Current, Linear, Cubic };

// A step of the horizontal walk that adds something: its width is not 0.
struct AreaTap {
  double width;
  int32_t target;  // destination column
  int32_t column;  // source column i, limited to the row
};

// The four rows a segment samples (previous, current, next, next-but-one), read at a tap:
// source rows as read, or the values derived from them at every tap.
template <typename Sample, int Channels>
struct SourceRows {
  const Sample* rows[4];
  double At(int k, size_t, const AreaTap& tap, int c) const {
    return rows[k][static_cast<int64_t>(tap.column) * Channels + c];
  }
};

template <int Channels>
struct DerivedRows {
  const double* rows[4];
  double At(int k, size_t tapIndex, const AreaTap&, int c) const {
    return rows[k][tapIndex * Channels + c];
  }
};

template <typename Sample, int Channels>
class AreaEngine {
 public:
  AreaEngine(const TPVBitmap& source, TPVBitmap& destination, bool bicubic,
             const ProgressReporter& reporter)
      : source_(source), destination_(destination), size_(source, destination),
        reporter_(reporter) {
    const bool growsAcross = static_cast<double>(size_.sw) / size_.dw < 1;
    const bool growsDown = static_cast<double>(size_.sh) / size_.dh < 1;
    across_ = !growsAcross ? AcrossKind::Sample
              : !bicubic   ? AcrossKind::Linear
              : growsDown  ? AcrossKind::CubicRounded
                           : AcrossKind::Cubic;
    down_ = !growsDown ? DownKind::Current : bicubic ? DownKind::Cubic : DownKind::Linear;
  }

  bool Run() {
    const int32_t sw = size_.sw, sh = size_.sh, dw = size_.dw, dh = size_.dh;
    if (!BuildTaps()) return false;
    const int64_t derived =
        across_ == AcrossKind::Sample ? 0 : static_cast<int64_t>(taps_.size()) * Channels;
    for (int k = 0; k < 4; ++k)
      if (!resample::TryResize(rows_[k], int64_t{sw} * Channels) ||
          !resample::TryResize(derived_[k], derived))
        return false;
    if (!resample::TryResize(sums_, int64_t{dw} * Channels) ||
        !resample::TryResize(out_, int64_t{dw} * Channels))
      return false;
    // 1 / (gx x gy): one destination pixel's area in source pixels, inverted.
    scale_ = 1 / ((static_cast<double>(sw) / dw) * (static_cast<double>(sh) / dh));

    for (int32_t r = 0; r < std::min(sh, 3); ++r)
      if (!LoadRow(r)) return false;
    AreaWalk walk(sh, dh);
    AreaStep step;
    int32_t emitted = 0;
    while (walk.Next(step)) {
      const auto row = static_cast<int32_t>(std::min<int64_t>(step.sourceIndex, sh - 1));
      if (step.width != 0) AddSegment(step.width, step.fraction, row);
      if (step.endsTarget) {
        if (!EmitRow(emitted++)) return false;
      } else if (step.sourceIndex + 3 <= sh - 1) {
        // Row j grows by one: its next-but-one row takes the buffer of the row left behind.
        if (!LoadRow(static_cast<int32_t>(step.sourceIndex + 3))) return false;
      }
    }
    // Only a walk cut short by rounding leaves rows; they get what they gathered.
    while (emitted < dh)
      if (!EmitRow(emitted++)) return false;
    return true;
  }

 private:
  static constexpr double kLimit = static_cast<double>(static_cast<Sample>(~Sample{0}));

  bool BuildTaps() {
    const int32_t last = size_.sw - 1;
    AreaWalk walk(size_.sw, size_.dw);
    AreaStep step;
    try {
      while (walk.Next(step)) {
        if (step.width == 0) continue;  // adds nothing to any sum
        taps_.push_back({step.width, static_cast<int32_t>(step.targetIndex),
                         static_cast<int32_t>(std::min<int64_t>(step.sourceIndex, last))});
        if (across_ == AcrossKind::Linear) fractions_.push_back(step.fraction);
        if (across_ == AcrossKind::Cubic || across_ == AcrossKind::CubicRounded)
          cubic_.push_back(CubicWeightsAt(step.fraction));
      }
    } catch (const std::exception&) {
      return false;
    }
    return true;
  }

  // Reads source row r into the buffer of row r - 4 and, when the horizontal axis grows, keeps
  // its interpolation at every tap: each source row is read and interpolated once.
  bool LoadRow(int32_t r) {
    const uint8_t* bytes = source_.GetScanline(r);
    if (!bytes) return false;
    std::vector<Sample>& raw = rows_[r % 4];
    std::memcpy(raw.data(), bytes, raw.size() * sizeof(Sample));
    if (across_ == AcrossKind::Sample) return true;
    const int32_t last = size_.sw - 1;
    double* value = derived_[r % 4].data();
    for (size_t t = 0; t < taps_.size(); ++t) {
      const int32_t i = taps_[t].column;
      const Sample* prev = raw.data() + static_cast<int64_t>(std::max(i - 1, 0)) * Channels;
      const Sample* cur = raw.data() + static_cast<int64_t>(i) * Channels;
      const Sample* next = raw.data() + static_cast<int64_t>(std::min(i + 1, last)) * Channels;
      const Sample* next2 = raw.data() + static_cast<int64_t>(std::min(i + 2, last)) * Channels;
      for (int c = 0; c < Channels; ++c) {
        if (across_ == AcrossKind::Linear) {
          const double fx = fractions_[t];
          *value++ = (1 - fx) * cur[c] + fx * next[c];
        } else {
          const double v = CubicValue(cubic_[t], prev[c], cur[c], next[c], next2[c], 0, kLimit);
          *value++ = across_ == AcrossKind::CubicRounded ? std::nearbyint(v) : v;
        }
      }
    }
    return true;
  }

  // Adds the segment of height h that lies in source row `row`, sampled at fy.
  void AddSegment(double h, double fy, int32_t row) {
    const int32_t last = size_.sh - 1;
    const int32_t picked[4] = {std::max(row - 1, 0), row, std::min(row + 1, last),
                               std::min(row + 2, last)};
    if (across_ == AcrossKind::Sample) {
      SourceRows<Sample, Channels> rows{};
      for (int k = 0; k < 4; ++k) rows.rows[k] = rows_[picked[k] % 4].data();
      AccumulateRows(h, fy, rows);
    } else {
      DerivedRows<Channels> rows{};
      for (int k = 0; k < 4; ++k) rows.rows[k] = derived_[picked[k] % 4].data();
      AccumulateRows(h, fy, rows);
    }
  }

  template <typename Rows>
  void AccumulateRows(double h, double fy, const Rows& rows) {
    switch (down_) {
      case DownKind::Current: Accumulate<DownKind::Current>(h, fy, rows); break;
      case DownKind::Linear: Accumulate<DownKind::Linear>(h, fy, rows); break;
      case DownKind::Cubic: Accumulate<DownKind::Cubic>(h, fy, rows); break;
    }
  }

  // Adds area x value of every tap to its destination column's sums, in the walk's order.
  template <DownKind Down, typename Rows>
  void Accumulate(double h, double fy, const Rows& rows) {
    const double keep = 1 - fy;
    const CubicWeights w = Down == DownKind::Cubic ? CubicWeightsAt(fy) : CubicWeights{};
    for (size_t t = 0; t < taps_.size(); ++t) {
      const AreaTap& tap = taps_[t];
      const double area = tap.width * h;
      double* sum = sums_.data() + static_cast<int64_t>(tap.target) * Channels;
      for (int c = 0; c < Channels; ++c) {
        double v;
        if constexpr (Down == DownKind::Current) {
          v = rows.At(1, t, tap, c);
        } else if constexpr (Down == DownKind::Linear) {
          v = keep * rows.At(1, t, tap, c) + fy * rows.At(2, t, tap, c);
        } else {
          v = CubicValue(w, rows.At(0, t, tap, c), rows.At(1, t, tap, c), rows.At(2, t, tap, c),
                         rows.At(3, t, tap, c), 0, kLimit);
        }
        sum[c] += area * v;
      }
    }
  }

  bool EmitRow(int32_t j) {
    for (size_t x = 0; x < sums_.size(); ++x) {
      out_[x] = static_cast<Sample>(std::clamp(std::nearbyint(sums_[x] * scale_), 0.0, kLimit));
      sums_[x] = 0;
    }
    uint8_t* row = destination_.GetScanline(j);
    if (!row) return false;
    std::memcpy(row, out_.data(), out_.size() * sizeof(Sample));
    if (reporter_.Wanted())
      reporter_.Report(static_cast<int32_t>(static_cast<double>(j + 1) / size_.dh * 100));
    return true;
  }

  const TPVBitmap& source_;
  TPVBitmap& destination_;
  const resample::Sizes size_;
  const ProgressReporter& reporter_;
  AcrossKind across_;
  DownKind down_;
  double scale_ = 1;
  std::vector<AreaTap> taps_;
  std::vector<double> fractions_;   // fx of each tap (bilinear across)
  std::vector<CubicWeights> cubic_;  // the weights at fx of each tap (bicubic across)
  std::vector<Sample> rows_[4];      // rotating: source row r in buffer r mod 4
  std::vector<double> derived_[4];   // the same rows interpolated at every tap
  std::vector<double> sums_;         // one per destination sample of the row being built
  std::vector<Sample> out_;
};

template <typename Sample, int Channels>
bool RunArea(const TPVBitmap& Source, TPVBitmap& Destination, bool Bicubic,
             const ProgressReporter& reporter) {
  if (Destination.GetPixelFormat() != Source.GetPixelFormat()) return false;
  if (resample::Refused(Source, Destination, resample::Sizes(Source, Destination))) return false;
  return AreaEngine<Sample, Channels>(Source, Destination, Bicubic, reporter).Run();
}

}  // namespace

bool ResampleArea8(const TPVBitmap& Source, TPVBitmap& Destination, bool Bicubic,
                   TObject* Sender, const TPVProgressEvent& OnProgress) {
  const ProgressReporter reporter(Sender, OnProgress);
  switch (Source.GetPixelFormat()) {
    case pv24RGB: return RunArea<uint8_t, 3>(Source, Destination, Bicubic, reporter);
    case pv8g: return RunArea<uint8_t, 1>(Source, Destination, Bicubic, reporter);
    default: return false;
  }
}

bool ResampleArea16(const TPVBitmap& Source, TPVBitmap& Destination, bool Bicubic,
                    TObject* Sender, const TPVProgressEvent& OnProgress) {
  const ProgressReporter reporter(Sender, OnProgress);
  switch (Source.GetPixelFormat()) {
    case pvRGB48: return RunArea<uint16_t, 3>(Source, Destination, Bicubic, reporter);
    case pv16g: return RunArea<uint16_t, 1>(Source, Destination, Bicubic, reporter);
    default: return false;
  }
}

}  // namespace calmora
