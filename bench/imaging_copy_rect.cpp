// CopyRectTo of a whole 8000 x 6000 pv24RGB image between two memory bitmaps, against one
// memcpy of the same number of bytes: the bound any copy is measured by. A rectangle one column
// narrower shows the row-by-row path beside it.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "imaging/core/bitmap/bitmap.h"

namespace {

constexpr int32_t kWidth = 8000;
constexpr int32_t kHeight = 6000;

// A memory bitmap with every page touched, so the copy does not measure first-use page faults.
calmora::TPVBitmap& TouchedBitmap(calmora::TPVBitmap& bitmap, double fill) {
  bitmap.Location = calmora::pvMemory;
  bitmap.FileThreshold = INT64_MAX;
  bitmap.Allocate(kWidth, kHeight, calmora::pv24RGB);
  bitmap.Fill(fill);
  return bitmap;
}

void BM_Memcpy(benchmark::State& state) {
  const size_t bytes = static_cast<size_t>(kWidth) * 3 * kHeight;
  const std::vector<uint8_t> source(bytes, 7);
  std::vector<uint8_t> target(bytes, 1);
  for (auto _ : state) {
    std::memcpy(target.data(), source.data(), bytes);
    benchmark::DoNotOptimize(target.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes));
}

void CopyRectRun(benchmark::State& state, int32_t width) {
  calmora::TPVBitmap source, target;
  TouchedBitmap(source, 0x123456);
  TouchedBitmap(target, 0);
  if (source.IsEmpty() || target.IsEmpty()) {
    state.SkipWithError("the bitmaps could not be allocated");
    return;
  }
  for (auto _ : state) {
    source.CopyRectTo(target, 0, 0, 0, 0, width, kHeight);
    benchmark::DoNotOptimize(target.GetScanline(0));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(width) * 3 * kHeight);
}

void BM_CopyRectTo(benchmark::State& state) { CopyRectRun(state, kWidth); }
void BM_CopyRectToOneColumnNarrower(benchmark::State& state) { CopyRectRun(state, kWidth - 1); }

}  // namespace

BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CopyRectTo)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CopyRectToOneColumnNarrower)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
