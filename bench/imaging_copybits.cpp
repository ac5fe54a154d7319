// CopyBits over byte-aligned and unaligned runs against memcpy of the same number of bytes,
// the baseline a 1-bit row copy cannot beat.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "imaging/base/bit_helpers.h"

namespace {

std::vector<uint8_t> Pattern(size_t size) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i * 131 + 7);
  return bytes;
}

void BM_Memcpy(benchmark::State& state) {
  const auto bytes = static_cast<size_t>(state.range(0));
  const std::vector<uint8_t> source = Pattern(bytes + 2);
  std::vector<uint8_t> dest(bytes + 2);
  for (auto _ : state) {
    std::memcpy(dest.data(), source.data(), bytes);
    benchmark::DoNotOptimize(dest.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes));
}

void CopyBitsRun(benchmark::State& state, int destBit, int srcBit) {
  const auto bytes = static_cast<size_t>(state.range(0));
  const std::vector<uint8_t> source = Pattern(bytes + 2);
  std::vector<uint8_t> dest(bytes + 2);
  const auto bits = static_cast<int32_t>(bytes * 8);
  for (auto _ : state) {
    calmora::CopyBits(dest.data(), source.data(), destBit, srcBit, bits,
                      static_cast<int32_t>(source.size()));
    benchmark::DoNotOptimize(dest.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes));
}

void BM_CopyBitsAligned(benchmark::State& state) { CopyBitsRun(state, 0, 0); }
void BM_CopyBitsSameOffset(benchmark::State& state) { CopyBitsRun(state, 3, 3); }
void BM_CopyBitsShiftLeft(benchmark::State& state) { CopyBitsRun(state, 2, 7); }
void BM_CopyBitsShiftRight(benchmark::State& state) { CopyBitsRun(state, 5, 1); }

}  // namespace

BENCHMARK(BM_Memcpy)->Arg(64)->Arg(4096)->Arg(1 << 20);
BENCHMARK(BM_CopyBitsAligned)->Arg(64)->Arg(4096)->Arg(1 << 20);
BENCHMARK(BM_CopyBitsSameOffset)->Arg(64)->Arg(4096)->Arg(1 << 20);
BENCHMARK(BM_CopyBitsShiftLeft)->Arg(64)->Arg(4096)->Arg(1 << 20);
BENCHMARK(BM_CopyBitsShiftRight)->Arg(64)->Arg(4096)->Arg(1 << 20);
BENCHMARK_MAIN();
