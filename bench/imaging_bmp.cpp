// The BMP codec on a 6000 x 4000 24-bit image: decoding against a memcpy of its pixel bytes
// and against ImageMagick limited to one thread in the same run, encoding against a memcpy.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "bench/peer_runs.h"
#include "imaging/base/streams/streams.h"
#include "imaging/codecs/bmp/bmp_codec.h"
#include "imaging/core/bitmap/bitmap.h"
#include "imaging/params/io_params.h"

namespace calmora {
namespace {

constexpr int32_t kWidth = 6000;
constexpr int32_t kHeight = 4000;

TPVBitmap& Picture() {
  static TPVBitmap* picture = [] {
    // In memory whatever the machine's free memory says: the codec is timed, not the disk.
    BitmapFileThreshold = std::numeric_limits<int64_t>::max();
    auto* bitmap = new TPVBitmap(kWidth, kHeight, pv24RGB);
    for (int32_t y = 0; y < kHeight; ++y) {
      uint8_t* row = bitmap->GetScanline(y);
      for (int32_t i = 0; i < kWidth * 3; ++i) row[i] = static_cast<uint8_t>(i * 7 + y * 13);
    }
    return bitmap;
  }();
  return *picture;
}

const std::string& Encoded() {
  static const std::string* bytes = [] {
    TIOParamsVals params(nullptr);
    TMemoryStream stream;
    TPVProgressRecord progress;
    WriteBMPStream(&stream, Picture(), params, progress, false);
    return new std::string(static_cast<const char*>(stream.GetMemory()),
                           static_cast<size_t>(stream.GetSize()));
  }();
  return *bytes;
}

void Decode(benchmark::State& state) {
  const std::string& bytes = Encoded();
  Picture();
  TPVBitmap bitmap;
  bitmap.ForceReallocate = false;  // the storage is had once; the rows are what is timed
  TIOParamsVals params(nullptr);  // made once: it opens a colour profile when created
  for (auto _ : state) {
    TPVMemStream stream(bytes.data(), static_cast<int64_t>(bytes.size()));
    TPVProgressRecord progress;
    bool aborting = false;
    progress.Aborting = &aborting;
    std::unique_ptr<TPVMask> mask;
    ReadBMPStream(&stream, bitmap, 0, params, progress, false, false, mask, true);
    if (aborting) state.SkipWithError("the decode failed");
    benchmark::DoNotOptimize(bitmap.GetScanline(0));
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
}

// What a decode cannot beat: the pixel bytes copied once.
void MemcpyPixels(benchmark::State& state) {
  const std::string& bytes = Encoded();
  std::vector<uint8_t> target(bytes.size());
  for (auto _ : state) {
    std::memcpy(target.data(), bytes.data(), bytes.size());
    benchmark::DoNotOptimize(target.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
}

void Encode(benchmark::State& state) {
  TPVBitmap& picture = Picture();
  TMemoryStream stream;
  stream.SetSize(static_cast<int64_t>(Encoded().size()));
  TIOParamsVals params(nullptr);
  for (auto _ : state) {
    stream.SetPosition(0);  // the stream keeps its memory, as the memcpy's target does
    TPVProgressRecord progress;
    bool aborting = false;
    progress.Aborting = &aborting;
    WriteBMPStream(&stream, picture, params, progress, false);
    if (aborting) state.SkipWithError("the encode failed");
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(Encoded().size()));
}

// ImageMagick on one thread decoding the same file, less its start-up (a 1 x 1 file).
void ImageMagickDecode(benchmark::State& state) {
  const std::string folder = "/tmp/calmora-bench-bmp-" + std::to_string(::getpid());
  std::system(("mkdir -p " + bench::Quoted(folder)).c_str());
  const std::string big = folder + "/big.bmp";
  const std::string tiny = folder + "/tiny.bmp";
  {
    std::FILE* file = std::fopen(big.c_str(), "wb");
    std::fwrite(Encoded().data(), 1, Encoded().size(), file);
    std::fclose(file);
    TPVBitmap one(1, 1, pv24RGB);
    TIOParamsVals params(nullptr);
    TMemoryStream stream;
    TPVProgressRecord progress;
    WriteBMPStream(&stream, one, params, progress, false);
    file = std::fopen(tiny.c_str(), "wb");
    std::fwrite(stream.GetMemory(), 1, static_cast<size_t>(stream.GetSize()), file);
    std::fclose(file);
  }
  const std::string convert = "convert -limit thread 1 ";
  for (auto _ : state) {
    const double whole = bench::TimedRun(convert + bench::Quoted(big) + " null:");
    const double startUp = bench::TimedRun(convert + bench::Quoted(tiny) + " null:");
    if (whole < 0 || startUp < 0) {
      state.SkipWithError("ImageMagick did not run");
      break;
    }
    state.SetIterationTime(whole - startUp);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(Encoded().size()));
  std::system(("rm -rf " + bench::Quoted(folder)).c_str());
}

BENCHMARK(Decode)->Unit(benchmark::kMillisecond);
BENCHMARK(MemcpyPixels)->Unit(benchmark::kMillisecond);
BENCHMARK(Encode)->Unit(benchmark::kMillisecond);
BENCHMARK(ImageMagickDecode)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);

}  // namespace
}  // namespace calmora

BENCHMARK_MAIN();
