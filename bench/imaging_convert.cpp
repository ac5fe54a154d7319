// SetPixelFormat on a 6000 x 4000 image, from 24 bits to pv8g, pv32RGB, pvRGB48, pv32f and pv8p
// and from pv8g to 24 bits, in megapixels per second; ConvertFrom into a bitmap in use; memcpy
// of the target's bytes into a block in use and into a fresh one (as the new storage of
// SetPixelFormat is); for the grey conversion libvips (colourspace b-w on one thread, its plain
// copy subtracted).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bench/peer_runs.h"
#include "imaging/core/bitmap/bitmap.h"

namespace calmora {
namespace {

constexpr int32_t kWidth = 6000;
constexpr int32_t kHeight = 4000;
constexpr double kMegapixels = kWidth * static_cast<double>(kHeight) / 1e6;

// The source in pv24RGB or pv8g: a photograph-like image, smooth colour fields with some
// texture, so the quantiser has the work of a real picture rather than of noise or flat colour.
TPVBitmap& Source(TPVPixelFormat format) {
  static const std::unique_ptr<TPVBitmap> rgb = [] {
    auto bitmap = std::make_unique<TPVBitmap>();
    bitmap->FileThreshold = INT64_MAX;
    bitmap->Allocate(kWidth, kHeight, pv24RGB);
    for (int32_t y = 0; y < kHeight; ++y) {
      uint8_t* row = bitmap->GetScanline(y);
      for (int32_t x = 0; x < kWidth; ++x) {
        const double u = x / 600.0, v = y / 400.0;
        const auto texture = static_cast<int>((x * 7 + y * 13) % 11);
        row[3 * x] = static_cast<uint8_t>(127 + 100 * std::sin(u + 0.3 * v) + texture);
        row[3 * x + 1] = static_cast<uint8_t>(127 + 100 * std::cos(0.7 * u - v) + texture);
        row[3 * x + 2] = static_cast<uint8_t>(127 + 100 * std::sin(1.3 * v) * std::cos(0.5 * u));
      }
    }
    return bitmap;
  }();
  static const std::unique_ptr<TPVBitmap> grey = [] {
    auto bitmap = std::make_unique<TPVBitmap>();
    bitmap->FileThreshold = INT64_MAX;
    bitmap->Assign(rgb.get());
    bitmap->SetPixelFormat(pv8g);
    return bitmap;
  }();
  return format == pv8g ? *grey : *rgb;
}

void SetMegapixelRate(benchmark::State& state) {
  state.counters["MP/s"] = benchmark::Counter(kMegapixels * static_cast<double>(state.iterations()),
                                              benchmark::Counter::kIsRate);
}

void Convert(benchmark::State& state, TPVPixelFormat from, TPVPixelFormat to) {
  TPVBitmap& source = Source(from);
  TPVBitmap work;
  work.FileThreshold = INT64_MAX;
  for (auto _ : state) {
    state.PauseTiming();
    work.Assign(&source);
    state.ResumeTiming();
    if (!work.SetPixelFormat(to)) state.SkipWithError("SetPixelFormat failed");
    benchmark::ClobberMemory();
  }
  SetMegapixelRate(state);
}

// ConvertFrom into a target allocated once: the conversion alone, without the new storage's
// first touch of its pages.
void ConvertInto(benchmark::State& state, TPVPixelFormat from, TPVPixelFormat to) {
  TPVBitmap& source = Source(from);
  TPVBitmap target;
  target.FileThreshold = INT64_MAX;
  target.Allocate(kWidth, kHeight, to);
  for (auto _ : state) {
    if (!target.ConvertFrom(source)) state.SkipWithError("ConvertFrom failed");
    benchmark::ClobberMemory();
  }
  SetMegapixelRate(state);
}

// The target's bytes copied: into a block already in use, or into a fresh zeroed block as the
// conversion's new storage is (its pages are first touched by the copy).
void Memcpy(benchmark::State& state, int32_t targetBytesPerPixel, bool fresh) {
  const auto bytes = static_cast<size_t>(kWidth) * kHeight * targetBytesPerPixel;
  std::vector<uint8_t> from(bytes, 1);
  std::vector<uint8_t> warm(fresh ? 0 : bytes, 2);
  for (auto _ : state) {
    uint8_t* to = fresh ? static_cast<uint8_t*>(std::calloc(bytes, 1)) : warm.data();
    std::memcpy(to, from.data(), bytes);
    benchmark::DoNotOptimize(to);
    benchmark::ClobberMemory();
    if (fresh) std::free(to);
  }
  SetMegapixelRate(state);
}

// ---- libvips on the same pixels ----

// The image as a libvips file in a private folder, made once per run.
struct VipsImage {
  std::string folder;
  bool ready = false;

  VipsImage() {
    char pattern[] = "/tmp/calmora-convert-XXXXXX";
    if (!mkdtemp(pattern)) return;
    folder = pattern;
    ready = bench::SavePPM(Source(pv24RGB), File("in.ppm")) &&
            bench::TimedRun("vips copy " + bench::Quoted(File("in.ppm")) + " " +
                            bench::Quoted(File("in.v"))) >= 0;
  }
  ~VipsImage() {
    if (!folder.empty()) bench::TimedRun("rm -rf " + bench::Quoted(folder));
  }
  std::string File(const std::string& name) const { return folder + "/" + name; }
};

// Each iteration times colourspace b-w and a plain copy of the same file, and counts the
// difference: the conversion alone, on one thread.
void VipsGrey(benchmark::State& state) {
  static const VipsImage image;
  if (!image.ready) {
    state.SkipWithError("no libvips image (vips missing?)");
    return;
  }
  const std::string vips = "VIPS_CONCURRENCY=1 vips ";
  const std::string in = bench::Quoted(image.File("in.v"));
  double plainTotal = 0;
  for (auto _ : state) {
    const double grey = bench::TimedRun(vips + "colourspace " + in + " " +
                                        bench::Quoted(image.File("grey.v")) + " b-w");
    const double copied =
        bench::TimedRun(vips + "copy " + in + " " + bench::Quoted(image.File("copy.v")));
    if (grey < 0 || copied < 0) {
      state.SkipWithError("vips failed");
      return;
    }
    plainTotal += copied;
    state.SetIterationTime(grey - copied);
  }
  state.counters["PlainCopy_s"] = plainTotal / static_cast<double>(state.iterations());
  SetMegapixelRate(state);
}

#define CALMORA_CONVERT(from, to, bytes)                                                   \
  BENCHMARK_CAPTURE(Convert, from##_to_##to, from, to)->Unit(benchmark::kMillisecond);     \
  BENCHMARK_CAPTURE(ConvertInto, from##_to_##to, from, to)->Unit(benchmark::kMillisecond); \
  BENCHMARK_CAPTURE(Memcpy, to##_bytes_warm, bytes, false)->Unit(benchmark::kMillisecond); \
  BENCHMARK_CAPTURE(Memcpy, to##_bytes_fresh, bytes, true)->Unit(benchmark::kMillisecond)

CALMORA_CONVERT(pv24RGB, pv8g, 1);
BENCHMARK(VipsGrey)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
CALMORA_CONVERT(pv24RGB, pv32RGB, 4);
CALMORA_CONVERT(pv24RGB, pvRGB48, 6);
CALMORA_CONVERT(pv24RGB, pv32f, 4);
CALMORA_CONVERT(pv24RGB, pv8p, 1);
CALMORA_CONVERT(pv8g, pv24RGB, 3);

}  // namespace
}  // namespace calmora

BENCHMARK_MAIN();
