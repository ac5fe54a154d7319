// Every transition kind at 1920 x 1080: the time to paint one frame half-way through, beside
// a memcpy of one frame's bytes in the same run (the ratio is the measure: 1x is a copy).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "imaging/base/random.h"
#include "imaging/core/bitmap/bitmap.h"
#include "imaging/proc/transition/transition_effects.h"
#include "platform/device_bitmap.h"

namespace {

using calmora::TPVTransitionEffects;
using calmora::TPVTransitionKind;

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kStep = 512;
// A frame at the usual pace follows the last one by about 8 steps.
constexpr int kPreviousStep = kStep - 8;

void FillPicture(calmora::platform::TBitmap& bitmap, uint32_t salt) {
  bitmap.SetPixelFormat(calmora::platform::pf24bit);
  bitmap.SetSize(kWidth, kHeight);
  for (int y = 0; y < kHeight; ++y)
    for (int i = 0; i < 3 * kWidth; ++i)
      bitmap.GetScanLine(y)[i] = static_cast<uint8_t>((i * 7 + y * 13) ^ salt);
}

void BM_FrameCopy(benchmark::State& state) {
  const size_t bytes = size_t{3} * kWidth * kHeight;
  std::vector<uint8_t> from(bytes, 1), to(bytes);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), bytes);
    benchmark::ClobberMemory();
  }
  state.counters["frames/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FrameCopy)->Unit(benchmark::kMillisecond);

void BM_Transition(benchmark::State& state) {
  const auto kind = static_cast<int>(state.range(0));
  calmora::platform::TBitmap source, target;
  FillPicture(source, 0x55);
  FillPicture(target, 0xAA);
  calmora::TPVBitmap picture;
  picture.Allocate(kWidth, kHeight, calmora::pv24RGB);
  TPVTransitionEffects engine(nullptr);
  if (kind == calmora::kPanZoomTransition)
    engine.StartPanZoom(&picture, {0, 0, kWidth, kHeight}, {400, 200, 1400, 800}, kWidth, kHeight,
                        1000, calmora::pvtLinear, false);
  else
    engine.Start(static_cast<TPVTransitionKind>(kind), source, target, 1000, calmora::pvtLinear, false);
  calmora::SetRandomSeed(1);
  const auto paint = [&](int step) {
    if (kind <= 30)
      engine.PaintEngineTransition(step);
    else if (kind == calmora::kPanZoomTransition)
      engine.PaintPanZoom(step);
    else
      engine.PaintTableTransition(step);
  };
  paint(0);
  paint(kPreviousStep);
  const int32_t randomDone = engine.RandomDone;
  for (auto _ : state) {
    // The random kinds copy what the frame owes since the previous one.
    engine.RandomDone = randomDone;
    paint(kStep);
    benchmark::ClobberMemory();
  }
  state.counters["frames/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Transition)->DenseRange(1, 164)->Unit(benchmark::kMillisecond);

}  // namespace
BENCHMARK_MAIN();
