// PNG decoding and encoding: ReadPNGStream beside a plain libpng read loop with the same file
// and transformations, WritePNGStream beside ImageMagick on one thread with the same zlib level
// and filter.
#include <benchmark/benchmark.h>
#include <png.h>

#include <cstring>
#include <string>
#include <vector>

#include "bench/peer_runs.h"
#include "imaging/base/color_helpers.h"
#include "imaging/base/streams/streams.h"
#include "imaging/codecs/png/png_codec.h"
#include "imaging/core/bitmap/bitmap.h"
#include "imaging/params/io_params.h"

namespace {

using namespace calmora;

constexpr int32_t kWidth = 2000;
constexpr int32_t kHeight = 1500;
constexpr int32_t kLevel = 6;

void Fill(TPVBitmap& bitmap) {
  uint32_t noise = 1;
  for (int32_t y = 0; y < kHeight; ++y) {
    uint8_t* line = bitmap.GetScanline(y);
    for (int32_t x = 0; x < kWidth; ++x) {
      noise = noise * 1103515245u + 12345u;
      line[3 * x] = static_cast<uint8_t>(x + ((noise >> 20) & 7));
      line[3 * x + 1] = static_cast<uint8_t>(y / 3);
      line[3 * x + 2] = static_cast<uint8_t>((x ^ y) & 0xF0);
    }
  }
}

const std::string& PngFile() {
  static const std::string png = [] {
    TPVBitmap bitmap(kWidth, kHeight, pv24RGB);
    Fill(bitmap);
    TIOParamsVals params(nullptr);
    params.SamplesPerPixel = 3;
    params.PNG_Compression = kLevel;
    params.PNG_Filter = 2;
    TMemoryStream stream;
    TPVProgressRecord progress;
    WritePNGStream(&stream, bitmap, params, progress, nullptr);
    return std::string(static_cast<const char*>(stream.GetMemory()),
                       static_cast<size_t>(stream.GetSize()));
  }();
  return png;
}

void BM_ReadPNGStream(benchmark::State& state) {
  const std::string& png = PngFile();
  for (auto _ : state) {
    TPVMemStream stream(png.data(), static_cast<int64_t>(png.size()));
    TPVBitmap bitmap;
    TIOParamsVals params(nullptr);
    bool aborting = false;
    TPVProgressRecord progress;
    progress.Aborting = &aborting;
    ReadPNGStream(&stream, bitmap, params, progress, false);
    benchmark::DoNotOptimize(bitmap.GetScanline(0));
  }
}
BENCHMARK(BM_ReadPNGStream)->Unit(benchmark::kMillisecond);

struct MemorySource {
  const std::string* Bytes;
  size_t At;
};

void ReadFromMemory(png_structp png, png_bytep data, size_t length) {
  auto* source = static_cast<MemorySource*>(png_get_io_ptr(png));
  if (source->At + length > source->Bytes->size()) png_error(png, "short");
  std::memcpy(data, source->Bytes->data() + source->At, length);
  source->At += length;
}

// The same file and transformations (blue-green-red) into one row buffer after another.
void BM_LibpngDecode(benchmark::State& state) {
  const std::string& png = PngFile();
  std::vector<uint8_t> pixels(size_t(kWidth) * kHeight * 3);
  for (auto _ : state) {
    png_structp read = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(read);
    MemorySource source{&png, 0};
    if (setjmp(png_jmpbuf(read)) == 0) {
      png_set_read_fn(read, &source, ReadFromMemory);
      png_read_info(read, info);
      png_set_bgr(read);
      png_read_update_info(read, info);
      for (int32_t y = 0; y < kHeight; ++y) {
        png_read_row(read, pixels.data() + size_t(y) * kWidth * 3, nullptr);
      }
      png_read_end(read, nullptr);
    }
    png_destroy_read_struct(&read, &info, nullptr);
    benchmark::DoNotOptimize(pixels.data());
  }
}
BENCHMARK(BM_LibpngDecode)->Unit(benchmark::kMillisecond);

void BM_WritePNGStream(benchmark::State& state) {
  TPVBitmap bitmap(kWidth, kHeight, pv24RGB);
  Fill(bitmap);
  for (auto _ : state) {
    TIOParamsVals params(nullptr);
    params.SamplesPerPixel = 3;
    params.PNG_Compression = kLevel;
    params.PNG_Filter = 2;
    TMemoryStream stream;
    TPVProgressRecord progress;
    WritePNGStream(&stream, bitmap, params, progress, nullptr);
    benchmark::DoNotOptimize(stream.GetMemory());
  }
}
BENCHMARK(BM_WritePNGStream)->Unit(benchmark::kMillisecond);

// ImageMagick on one thread: quality 64 is zlib level 6 with the Paeth filter; the time
// includes reading the PPM and starting the program.
void BM_ImageMagickEncode(benchmark::State& state) {
  TPVBitmap bitmap(kWidth, kHeight, pv24RGB);
  Fill(bitmap);
  const std::string ppm = "/tmp/calmora_bench_png.ppm";
  bench::SavePPM(bitmap, ppm);
  for (auto _ : state) {
    const double seconds = bench::TimedRun("/usr/bin/convert -limit thread 1 " +
                                           bench::Quoted(ppm) +
                                           " -quality 64 /tmp/calmora_bench_png_im.png");
    if (seconds < 0) {
      state.SkipWithError("convert failed");
      break;
    }
    state.SetIterationTime(seconds);
  }
}
BENCHMARK(BM_ImageMagickEncode)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
