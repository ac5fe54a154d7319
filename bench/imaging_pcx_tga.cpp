// The Targa and PCX readers on a 4000 x 3000 true-colour RLE file held in memory, beside
// tgatoppm, pcxtoppm and ImageMagick (one thread) decoding the same file; uncompressed Targa
// reading and writing beside a plain copy of the pixel bytes.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "bench/peer_runs.h"
#include "imaging/base/defs.h"
#include "imaging/base/streams/streams.h"
#include "imaging/codecs/pcx/pcx_codec.h"
#include "imaging/codecs/tga/tga_codec.h"
#include "imaging/core/bitmap/bitmap.h"
#include "imaging/params/io_params.h"

namespace calmora {
namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

// Flat bands (long runs) beside textured stretches (literals), as a scan or drawing has.
TPVBitmap& Picture() {
  static TPVBitmap* picture = [] {
    auto* bitmap = new TPVBitmap(kWidth, kHeight, pv24RGB);
    uint32_t noise = 1;
    for (int y = 0; y < kHeight; ++y) {
      uint8_t* row = bitmap->GetScanline(y);
      for (int x = 0; x < kWidth; ++x) {
        noise = noise * 1103515245u + 12345u;
        const bool flat = (x / 500 + y / 400) % 2 == 0;
        row[x * 3] = static_cast<uint8_t>(flat ? y / 40 : x / 8 + ((noise >> 16) & 15));
        row[x * 3 + 1] = static_cast<uint8_t>(flat ? 90 : (x + y) / 16);
        row[x * 3 + 2] = static_cast<uint8_t>(flat ? 200 : y / 12);
      }
    }
    return bitmap;
  }();
  return *picture;
}

std::string ToString(TMemoryStream& stream) {
  return std::string(static_cast<const char*>(stream.GetMemory()),
                     static_cast<size_t>(stream.GetSize()));
}

const std::string& TGAFile(bool rle) {
  static std::string files[2];
  std::string& file = files[rle ? 1 : 0];
  if (file.empty()) {
    TIOParamsVals params(nullptr);
    params.TGA_Compressed = rle;
    TMemoryStream stream;
    bool aborting = false;
    TPVProgressRecord progress;
    progress.Aborting = &aborting;
    WriteTGAStream(&stream, Picture(), params, progress, nullptr);
    file = ToString(stream);
  }
  return file;
}

const std::string& PCXFile() {
  static const std::string file = [] {
    TIOParamsVals params(nullptr);
    TMemoryStream stream;
    bool aborting = false;
    TPVProgressRecord progress;
    progress.Aborting = &aborting;
    WritePCXStream(&stream, Picture(), params, progress);
    return ToString(stream);
  }();
  return file;
}

void BM_ReadTGAStream(benchmark::State& state) {
  const std::string& file = TGAFile(state.range(0) != 0);
  TIOParamsVals params(nullptr);
  TPVBitmap bitmap;
  for (auto _ : state) {
    TPVMemStream stream(file.data(), static_cast<int64_t>(file.size()));
    bool aborting = false;
    TPVProgressRecord progress;
    progress.Aborting = &aborting;
    std::unique_ptr<TPVMask> mask;
    ReadTGAStream(&stream, bitmap, params, progress, false, mask, false);
    benchmark::DoNotOptimize(aborting);
  }
}
BENCHMARK(BM_ReadTGAStream)->ArgName("rle")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

void BM_ReadPCXStream(benchmark::State& state) {
  const std::string& file = PCXFile();
  TIOParamsVals params(nullptr);
  TPVBitmap bitmap;
  for (auto _ : state) {
    TPVMemStream stream(file.data(), static_cast<int64_t>(file.size()));
    bool aborting = false;
    TPVProgressRecord progress;
    progress.Aborting = &aborting;
    ReadPCXStream(&stream, bitmap, params, static_cast<int64_t>(file.size()), progress, false);
    benchmark::DoNotOptimize(aborting);
  }
}
BENCHMARK(BM_ReadPCXStream)->Unit(benchmark::kMillisecond);

void BM_WriteTGAStreamRaw(benchmark::State& state) {
  TIOParamsVals params(nullptr);
  params.TGA_Compressed = false;
  TMemoryStream stream;
  for (auto _ : state) {
    // Rewritten in place: the stream's memory is had once, as a file's blocks would be.
    stream.SetPosition(0);
    bool aborting = false;
    TPVProgressRecord progress;
    progress.Aborting = &aborting;
    WriteTGAStream(&stream, Picture(), params, progress, nullptr);
    benchmark::DoNotOptimize(aborting);
  }
}
BENCHMARK(BM_WriteTGAStreamRaw)->Unit(benchmark::kMillisecond);

// The floor for uncompressed reading and writing: the pixel bytes copied once.
void BM_MemcpyPixelBytes(benchmark::State& state) {
  const size_t bytes = size_t{kWidth} * kHeight * 3;
  std::vector<uint8_t> from(bytes, 7), to(bytes);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), bytes);
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_MemcpyPixelBytes)->Unit(benchmark::kMillisecond);

// A peer decoding the same file into /dev/null, timed whole (its start-up included).
void PeerRun(benchmark::State& state, const std::string& name, const std::string& bytes,
             const std::string& command, const std::string& after = "") {
  const std::string path = "/tmp/calmora-bench-" + name;
  std::ofstream(path, std::ios::binary)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  for (auto _ : state) {
    const double seconds = bench::TimedRun(command + " " + bench::Quoted(path) + after);
    if (seconds < 0) {
      state.SkipWithError((command + " failed").c_str());
      break;
    }
    state.SetIterationTime(seconds);
  }
  std::remove(path.c_str());
}

void BM_Tgatoppm(benchmark::State& state) { PeerRun(state, "rle.tga", TGAFile(true), "tgatoppm"); }
BENCHMARK(BM_Tgatoppm)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_Pcxtoppm(benchmark::State& state) { PeerRun(state, "rle.pcx", PCXFile(), "pcxtoppm"); }
BENCHMARK(BM_Pcxtoppm)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_ImageMagickTGA(benchmark::State& state) {
  PeerRun(state, "magick.tga", TGAFile(true), "/usr/bin/convert -limit thread 1", " ppm:-");
}
BENCHMARK(BM_ImageMagickTGA)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_ImageMagickPCX(benchmark::State& state) {
  PeerRun(state, "magick.pcx", PCXFile(), "/usr/bin/convert -limit thread 1", " ppm:-");
}
BENCHMARK(BM_ImageMagickPCX)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace calmora

BENCHMARK_MAIN();
