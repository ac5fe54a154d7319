// GIF decoding of a 4000 x 4000 frame beside giftopnm, encoding of a pv8p image beside
// ppmtogif, with the library's LZW coders installed as the defaults.
#include <benchmark/benchmark.h>

#include <fstream>
#include <string>

#include "bench/peer_runs.h"
#include "imaging/base/color_helpers.h"
#include "imaging/base/streams/streams.h"
#include "imaging/codecs/gif/gif_codec.h"
#include "imaging/codecs/lzw/lzw_codec.h"
#include "imaging/core/bitmap/bitmap.h"
#include "imaging/params/io_params.h"

namespace {

using namespace calmora;

constexpr int32_t kSide = 4000;

void Install() {
  DefaultGIFLZWDecompress = DecompressGIFLZW;
  DefaultGIFLZWCompress = CompressGIFLZW;
}

// A pv8p picture of 256 colours with areas, gradients and noise.
void Fill(TPVBitmap& bitmap) {
  for (int32_t i = 0; i < 256; ++i) {
    bitmap.SetPaletteColor(i, MakeRGB(static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i),
                                      static_cast<uint8_t>(i * 7)));
  }
  uint32_t noise = 1;
  for (int32_t y = 0; y < kSide; ++y) {
    uint8_t* line = bitmap.GetScanline(y);
    for (int32_t x = 0; x < kSide; ++x) {
      noise = noise * 1103515245u + 12345u;
      line[x] = static_cast<uint8_t>((x / 16 + y / 16) + ((noise >> 28) & 1));
    }
  }
}

std::string Encode(TPVBitmap& bitmap) {
  TIOParamsVals params(nullptr);
  params.BitsPerSample = 8;
  TMemoryStream stream;
  TPVProgressRecord progress;
  WriteGIFStream(&stream, bitmap, params, progress);
  return std::string(static_cast<const char*>(stream.GetMemory()),
                     static_cast<size_t>(stream.GetSize()));
}

const std::string& GifFile() {
  static const std::string gif = [] {
    Install();
    TPVBitmap bitmap(kSide, kSide, pv8p);
    Fill(bitmap);
    return Encode(bitmap);
  }();
  return gif;
}

void BM_ReadGIFStream(benchmark::State& state) {
  const std::string& gif = GifFile();
  for (auto _ : state) {
    TPVMemStream stream(gif.data(), static_cast<int64_t>(gif.size()));
    TPVBitmap bitmap;
    TIOParamsVals params(nullptr);
    bool aborting = false;
    TPVProgressRecord progress;
    progress.Aborting = &aborting;
    int32_t frames = 0;
    std::unique_ptr<TPVMask> mask;
    ReadGIFStream(&stream, bitmap, frames, params, progress, false, mask, false);
    if (aborting) state.SkipWithError("read failed");
    benchmark::DoNotOptimize(bitmap.GetScanline(0));
  }
}
BENCHMARK(BM_ReadGIFStream)->Unit(benchmark::kMillisecond);

// giftopnm writes PPM to /dev/null; the time includes starting the program.
void BM_Giftopnm(benchmark::State& state) {
  const std::string path = "/tmp/calmora_bench_gif.gif";
  std::ofstream(path, std::ios::binary) << GifFile();
  for (auto _ : state) {
    const double seconds = bench::TimedRun("giftopnm " + bench::Quoted(path));
    if (seconds < 0) {
      state.SkipWithError("giftopnm failed");
      break;
    }
    state.SetIterationTime(seconds);
  }
}
BENCHMARK(BM_Giftopnm)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_WriteGIFStream(benchmark::State& state) {
  Install();
  TPVBitmap bitmap(kSide, kSide, pv8p);
  Fill(bitmap);
  for (auto _ : state) benchmark::DoNotOptimize(Encode(bitmap).size());
}
BENCHMARK(BM_WriteGIFStream)->Unit(benchmark::kMillisecond);

// ppmtogif on the same picture as PPM (it maps the at most 256 colours itself).
void BM_Ppmtogif(benchmark::State& state) {
  Install();
  TPVBitmap bitmap(kSide, kSide, pv8p);
  Fill(bitmap);
  bitmap.SetPixelFormat(pv24RGB);
  const std::string ppm = "/tmp/calmora_bench_gif.ppm";
  bench::SavePPM(bitmap, ppm);
  for (auto _ : state) {
    const double seconds = bench::TimedRun("ppmtogif " + bench::Quoted(ppm));
    if (seconds < 0) {
      state.SkipWithError("ppmtogif failed");
      break;
    }
    state.SetIterationTime(seconds);
  }
}
BENCHMARK(BM_Ppmtogif)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
