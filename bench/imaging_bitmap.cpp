// Benchmarks of the bitmap model on a 10000 x 10000 pv24RGB image: allocation, a full pass
// through GetScanline against plain pointer arithmetic (memory and temporary file), and the raw
// stream against a plain file write and read of the same bytes.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "imaging/core/bitmap/bitmap.h"
#include "imaging/base/streams/streams.h"

namespace calmora {
namespace {

constexpr int32_t kSide = 10000;

void Prepare(TPVBitmap& bitmap, TPVLocation location) {
  bitmap.Location = location;
  bitmap.FileThreshold = location == pvFile ? 0 : INT64_MAX;
}

// The same work per row for every variant: every byte plus one.
inline void TouchRow(uint8_t* row, int32_t bytes) {
  for (int32_t i = 0; i < bytes; ++i) row[i] = static_cast<uint8_t>(row[i] + 1);
}

void BM_Allocate(benchmark::State& state) {
  const auto location = static_cast<TPVLocation>(state.range(0));
  for (auto _ : state) {
    TPVBitmap bitmap;
    Prepare(bitmap, location);
    if (!bitmap.Allocate(kSide, kSide, pv24RGB)) state.SkipWithError("allocation failed");
    benchmark::DoNotOptimize(bitmap.GetScanline(0));
  }
}
BENCHMARK(BM_Allocate)->Arg(pvMemory)->Arg(pvFile)->Unit(benchmark::kMillisecond);

void BM_PassGetScanline(benchmark::State& state) {
  const auto location = static_cast<TPVLocation>(state.range(0));
  TPVBitmap bitmap;
  Prepare(bitmap, location);
  if (!bitmap.Allocate(kSide, kSide, pv24RGB)) state.SkipWithError("allocation failed");
  bitmap.Fill(0);
  for (auto _ : state) {
    for (int32_t y = 0; y < bitmap.Height; ++y) TouchRow(bitmap.GetScanline(y), bitmap.RowBytes);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * int64_t{bitmap.RowBytes} * bitmap.Height);
}
BENCHMARK(BM_PassGetScanline)->Arg(pvMemory)->Arg(pvFile)->Unit(benchmark::kMillisecond);

// The same pass with the row address computed by hand over the single block.
void BM_PassPointer(benchmark::State& state) {
  TPVBitmap bitmap;
  Prepare(bitmap, pvMemory);
  if (!bitmap.Allocate(kSide, kSide, pv24RGB) || !bitmap.Storage.Pixels)
    state.SkipWithError("allocation failed");
  bitmap.Fill(0);
  for (auto _ : state) {
    for (int32_t y = 0; y < bitmap.Height; ++y)
      TouchRow(bitmap.Storage.Pixels + static_cast<int64_t>(bitmap.Height - 1 - y) * bitmap.RowBytes,
               bitmap.RowBytes);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * int64_t{bitmap.RowBytes} * bitmap.Height);
}
BENCHMARK(BM_PassPointer)->Unit(benchmark::kMillisecond);

// On a memory file system when there is one, so that the figures show our code, not the disk.
std::string BenchFile() {
  return access("/dev/shm", W_OK) == 0 ? "/dev/shm/calmora-bench-bitmap.raw"
                                       : "/tmp/calmora-bench-bitmap.raw";
}

void BM_RawSave(benchmark::State& state) {
  TPVBitmap bitmap;
  Prepare(bitmap, pvMemory);
  if (!bitmap.Allocate(kSide, kSide, pv24RGB)) state.SkipWithError("allocation failed");
  bitmap.Fill(0x123456);
  for (auto _ : state) {
    TFileStream file(BenchFile(), fmCreate);
    if (!bitmap.SaveRawToStream(&file)) state.SkipWithError("save failed");
  }
  state.SetBytesProcessed(state.iterations() * int64_t{bitmap.RowBytes} * bitmap.Height);
}
BENCHMARK(BM_RawSave)->Unit(benchmark::kMillisecond);

void BM_RawLoad(benchmark::State& state) {
  {
    TPVBitmap bitmap(kSide, kSide, pv24RGB);
    bitmap.Fill(0x123456);
    TFileStream file(BenchFile(), fmCreate);
    bitmap.SaveRawToStream(&file);
  }
  int64_t bytes = 0;
  for (auto _ : state) {
    TFileStream file(BenchFile(), fmOpenRead);
    TPVBitmap bitmap;
    Prepare(bitmap, pvMemory);
    if (!bitmap.LoadRawFromStream(&file)) state.SkipWithError("load failed");
    bytes = int64_t{bitmap.RowBytes} * bitmap.Height;
  }
  state.SetBytesProcessed(state.iterations() * bytes);
}
BENCHMARK(BM_RawLoad)->Unit(benchmark::kMillisecond);

// The reference: the same bytes in one buffer, written and read with plain write and read in
// chunks of 1 MiB.
constexpr size_t kChunk = 1 << 20;

void BM_PlainWrite(benchmark::State& state) {
  std::vector<uint8_t> buffer(static_cast<size_t>(kSide) * 3 * kSide, 0x56);
  for (auto _ : state) {
    const int fd = open(BenchFile().c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0600);
    for (size_t done = 0; done < buffer.size();) {
      const ssize_t n = write(fd, buffer.data() + done, std::min(kChunk, buffer.size() - done));
      if (n <= 0) break;
      done += static_cast<size_t>(n);
    }
    close(fd);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(buffer.size()));
}
BENCHMARK(BM_PlainWrite)->Unit(benchmark::kMillisecond);

void BM_PlainRead(benchmark::State& state) {
  std::vector<uint8_t> buffer(static_cast<size_t>(kSide) * 3 * kSide, 0x56);
  {
    const int fd = open(BenchFile().c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0600);
    if (write(fd, buffer.data(), buffer.size()) < 0) state.SkipWithError("write failed");
    close(fd);
  }
  for (auto _ : state) {
    // A fresh buffer each time, as a loaded bitmap gets fresh storage.
    std::unique_ptr<uint8_t[]> target(new uint8_t[buffer.size()]);
    const int fd = open(BenchFile().c_str(), O_RDONLY);
    for (size_t done = 0; done < buffer.size();) {
      const ssize_t n = read(fd, target.get() + done, std::min(kChunk, buffer.size() - done));
      if (n <= 0) break;
      done += static_cast<size_t>(n);
    }
    close(fd);
    benchmark::DoNotOptimize(target.get());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(buffer.size()));
  unlink(BenchFile().c_str());
}
BENCHMARK(BM_PlainRead)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace calmora

BENCHMARK_MAIN();
