// The selection drawn over a full-HD view (dashed outline plus checkerboard, as the view's ants
// timer repaints it) of a many-sided selection, and the masked copy of a 6000 x 4000 pv24RGB
// image through an 8-bit mask against memcpy of the same bytes.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <numbers>
#include <vector>

#include "imaging/base/geometry/geometry.h"
#include "imaging/core/bitmap/bitmap.h"
#include "imaging/core/mask/mask.h"
#include "platform/device_bitmap.h"

namespace {

using calmora::TPVMask;

// A star of 400 tips over most of a 4000 x 3000 image: 800 sides, long thin spikes.
void FillManySided(TPVMask& mask, int32_t bits) {
  mask.Allocate(4000, 3000, bits);
  std::vector<calmora::TPoint> corners;
  const int32_t tips = 400;
  for (int32_t k = 0; k < 2 * tips; ++k) {
    const double angle = k * std::numbers::pi / tips;
    const double radius = k % 2 == 0 ? 1450 : 1100;
    corners.push_back({static_cast<int32_t>(2000 + radius * std::cos(angle)),
                       static_cast<int32_t>(1500 + radius * std::sin(angle))});
  }
  mask.FillPolygon(bits == 1 ? 1 : 255, corners.data(), static_cast<int32_t>(corners.size()));
  mask.RecomputeBox();
}

// One repaint of the view's selection: the outline with the next phase, then the shading.
// Argument 0: mask bits; argument 1: 0 the whole image fitted into the view, 1 a 1:1 part.
void BM_OutlineAndShadeFullHD(benchmark::State& state) {
  const auto bits = static_cast<int32_t>(state.range(0));
  const bool fit = state.range(1) == 0;
  TPVMask mask;
  FillManySided(mask, bits);
  calmora::platform::TBitmap view;
  view.SetPixelFormat(calmora::platform::pf24bit);
  view.SetSize(1920, 1080);
  const calmora::TPVDrawRect destination = fit ? calmora::TPVDrawRect{240, 0, 1440, 1080}
                                               : calmora::TPVDrawRect{0, 0, 1920, 1080};
  const calmora::TPVDrawRect source = fit ? calmora::TPVDrawRect{0, 0, 4000, 3000}
                                          : calmora::TPVDrawRect{1000, 900, 1920, 1080};
  int32_t phase = 0;
  for (auto _ : state) {
    mask.DrawOutline(*view.GetCanvas(), 0x000000, 0xFFFFFF, phase++, destination, source);
    mask.ShadeOutside(view, destination.X, destination.Y, destination.Width, destination.Height,
                      source.X, source.Y, source.Width, source.Height);
    benchmark::DoNotOptimize(view.GetScanLine(0));
  }
  state.SetItemsProcessed(state.iterations());  // items per second = repaints per second
}

constexpr int32_t kWidth = 6000;
constexpr int32_t kHeight = 4000;
constexpr size_t kBytes = static_cast<size_t>(kWidth) * 3 * kHeight;

void BM_Memcpy(benchmark::State& state) {
  const std::vector<uint8_t> source(kBytes, 7);
  std::vector<uint8_t> target(kBytes, 1);
  for (auto _ : state) {
    std::memcpy(target.data(), source.data(), kBytes);
    benchmark::DoNotOptimize(target.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(kBytes));
}

// A memory bitmap with every page touched, so that no first-use page faults are measured.
void Touched(calmora::TPVBitmap& bitmap, double fill) {
  bitmap.Location = calmora::pvMemory;
  bitmap.FileThreshold = INT64_MAX;
  bitmap.Allocate(kWidth, kHeight, calmora::pv24RGB);
  bitmap.Fill(fill);
}

// Argument 0: a soft-edged ellipse (mostly 0 and 255, a band of values between); 1: every
// byte between 1 and 254, the most arithmetic there is.
void BM_CopyThroughEightBitMask(benchmark::State& state) {
  TPVMask mask;
  mask.Allocate(kWidth, kHeight, 8);
  for (int32_t y = 0; y < kHeight; ++y) {
    uint8_t* row = mask.GetRow(y);
    for (int32_t x = 0; x < kWidth; ++x) {
      if (state.range(0) == 1) {
        row[x] = static_cast<uint8_t>(1 + (x + y) % 254);
        continue;
      }
      const double dx = (x - 3000) / 2500.0, dy = (y - 2000) / 1700.0;
      const double edge = (1 - std::sqrt(dx * dx + dy * dy)) * 40;  // 0 outside, 1 at 1/40 in
      row[x] = static_cast<uint8_t>(std::clamp(edge, 0.0, 1.0) * 255);
    }
  }
  mask.RecomputeBox();
  calmora::TPVBitmap source, target;
  Touched(source, 0x123456);
  Touched(target, 0xABCDEF);
  if (source.IsEmpty() || target.IsEmpty()) {
    state.SkipWithError("the bitmaps could not be allocated");
    return;
  }
  for (auto _ : state) {
    mask.CopyThrough(target, source, false, false, false);
    benchmark::DoNotOptimize(target.GetScanline(0));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(kBytes));
}

}  // namespace

BENCHMARK(BM_OutlineAndShadeFullHD)
    ->ArgNames({"bits", "view"})
    ->Args({1, 0})
    ->Args({1, 1})
    ->Args({8, 0})
    ->Args({8, 1})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CopyThroughEightBitMask)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
