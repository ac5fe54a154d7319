// LoadBitmapFromDIB of a 6000 x 4000 DIB against memcpy of the bitmap's bytes (the bound of a
// 24-bit load, which copies rows), with the 8-bit and YUY2 conversions beside it. The target
// bitmap is reused as a loader's caller reuses it; the fresh case adds its allocation.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "imaging/proc/dib/dib_interchange.h"
#include "imaging/proc/dib/yuv_rows.h"

namespace calmora {
namespace {

constexpr int32_t kWidth = 6000;
constexpr int32_t kHeight = 4000;

void Put32(std::vector<uint8_t>& block, size_t at, uint32_t value) {
  for (int b = 0; b < 4; ++b) block[at + b] = static_cast<uint8_t>(value >> (8 * b));
}

// Header, table of tableEntries and pattern rows (or only the header when rows is false).
std::vector<uint8_t> MakeDib(uint16_t bitCount, uint32_t compression, int32_t tableEntries,
                             bool rows) {
  const size_t rowLength = (size_t{kWidth} * bitCount + 31) / 32 * 4;
  std::vector<uint8_t> block(40 + 4 * size_t(tableEntries) + (rows ? rowLength * kHeight : 0));
  Put32(block, 0, 40);
  Put32(block, 4, kWidth);
  Put32(block, 8, kHeight);
  block[12] = 1;
  block[14] = static_cast<uint8_t>(bitCount);
  Put32(block, 16, compression);
  for (size_t i = 40; i < block.size(); ++i) block[i] = static_cast<uint8_t>(i * 131 + 7);
  return block;
}

void BM_Memcpy24(benchmark::State& state) {
  const std::vector<uint8_t> source = MakeDib(24, 0, 0, true);
  TPVBitmap target(kWidth, kHeight, pv24RGB);
  const size_t bytes = size_t{kWidth} * 3 * kHeight;
  uint8_t* pixels = target.Storage.Pixels;
  if (!pixels) state.SkipWithError("no single block");
  for (auto _ : state) {
    std::memcpy(pixels, source.data() + 40, bytes);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes));
}
BENCHMARK(BM_Memcpy24)->Unit(benchmark::kMillisecond);

void LoadRun(benchmark::State& state, const std::vector<uint8_t>& dib,
             const std::vector<uint8_t>& frame, bool fresh) {
  TPVBitmap reused;
  for (auto _ : state) {
    TPVBitmap freshBitmap;
    TPVBitmap& bitmap = fresh ? freshBitmap : reused;
    const int32_t bitCount = LoadBitmapFromDIB(dib.data(), static_cast<int64_t>(dib.size()), bitmap,
                                               frame.empty() ? nullptr : frame.data(),
                                               static_cast<int64_t>(frame.size()));
    if (bitCount == 0 || bitmap.IsEmpty()) state.SkipWithError("not loaded");
    benchmark::DoNotOptimize(bitmap.GetScanline(0));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * int64_t{kWidth} * 3 * kHeight);
}

void BM_Load24(benchmark::State& state) { LoadRun(state, MakeDib(24, 0, 0, true), {}, false); }
BENCHMARK(BM_Load24)->Unit(benchmark::kMillisecond);

void BM_Load24Fresh(benchmark::State& state) { LoadRun(state, MakeDib(24, 0, 0, true), {}, true); }
BENCHMARK(BM_Load24Fresh)->Unit(benchmark::kMillisecond);

void BM_Load8(benchmark::State& state) { LoadRun(state, MakeDib(8, 0, 256, true), {}, false); }
BENCHMARK(BM_Load8)->Unit(benchmark::kMillisecond);

void BM_LoadYUY2(benchmark::State& state) {
  std::vector<uint8_t> frame(size_t{kWidth} * 2 * kHeight);
  for (size_t i = 0; i < frame.size(); ++i) frame[i] = static_cast<uint8_t>(i * 37 + 11);
  LoadRun(state, MakeDib(16, MakeFourCC("YUY2"), 0, false), frame, false);
}
BENCHMARK(BM_LoadYUY2)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace calmora

BENCHMARK_MAIN();
