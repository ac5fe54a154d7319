// Rendering a 4000 x 3000 pv24RGB photo on one thread, as a view paints it: fitted into
// 1440 x 1080 by nearest neighbour (tables kept between frames, and built each frame) and with
// the triangle filter, shown 1:1 in a 1920 x 1080 window, and the nearest fit at transparency
// 128 through a blend operation. Against memcpy of the target's bytes, and for the filtered
// fit libvips (resize --kernel linear, VIPS_CONCURRENCY=1) minus its plain load and save.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/peer_runs.h"
#include "imaging/core/bitmap/bitmap.h"
#include "imaging/library_statics.h"

namespace calmora {
namespace {

constexpr int32_t kWidth = 4000;
constexpr int32_t kHeight = 3000;
constexpr int32_t kFitWidth = 1440;
constexpr int32_t kFitHeight = 1080;
constexpr int32_t kWindowWidth = 1920;
constexpr int32_t kWindowHeight = 1080;

// A smooth picture with some texture.
TPVBitmap& Source() {
  static TPVBitmap* source = [] {
    auto* bitmap = new TPVBitmap();
    bitmap->Location = pvMemory;
    bitmap->FileThreshold = INT64_MAX;
    bitmap->Allocate(kWidth, kHeight, pv24RGB);
    uint32_t state = 12345;
    for (int32_t y = 0; y < kHeight; ++y) {
      uint8_t* row = bitmap->GetScanline(y);
      for (int32_t x = 0; x < kWidth; ++x) {
        state = state * 1664525u + 1013904223u;
        const auto noise = static_cast<int32_t>(state >> 28);
        row[3 * x] = static_cast<uint8_t>((x * 255 / kWidth + noise) & 255);
        row[3 * x + 1] = static_cast<uint8_t>((y * 255 / kHeight + noise) & 255);
        row[3 * x + 2] = static_cast<uint8_t>(((x + y) / 40 + noise) & 255);
      }
    }
    return bitmap;
  }();
  return *source;
}

// A painted view: a memory bitmap with every page touched.
struct View {
  TPVBitmap Bitmap;
  View(int32_t width, int32_t height) {
    Bitmap.Location = pvMemory;
    Bitmap.FileThreshold = INT64_MAX;
    Bitmap.Allocate(width, height, pv24RGB);
    Bitmap.Fill(0x404040);
  }
};

void Frames(benchmark::State& state) {
  state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                             benchmark::Counter::kIsRate);
}

void Memcpy(benchmark::State& state, int32_t width, int32_t height) {
  const size_t bytes = static_cast<size_t>(width) * 3 * height;
  const std::vector<uint8_t> from(bytes, 7);
  std::vector<uint8_t> to(bytes, 1);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), bytes);
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
  Frames(state);
}

struct Render {
  TResampleFilter Filter = rfNone;
  bool KeepTables = true;  // the view's repaint: row table and maps from the frame before
  int32_t Transparency = 255;
  TPVBlendOperation Operation = pvboNormal;
};

void Fit(benchmark::State& state, Render how) {
  static const bool initialised = [] {
    InitLibraryStatics();  // installs the processing layer's resampler
    return true;
  }();
  benchmark::DoNotOptimize(initialised);
  TPVBitmap& source = Source();
  View view(kFitWidth, kFitHeight);
  TPVRenderRowTable rows;
  TPVRenderMap xMap, yMap;
  for (auto _ : state) {
    source.RenderToBitmap(view.Bitmap, rows, xMap, yMap, nullptr, 0, 0, kFitWidth, kFitHeight,
                          0, 0, kWidth, kHeight, false, true, how.Transparency, how.Filter,
                          !how.KeepTables, how.Operation);
    benchmark::DoNotOptimize(view.Bitmap.GetScanline(0));
  }
  Frames(state);
}

void OneToOne(benchmark::State& state) {
  TPVBitmap& source = Source();
  View view(kWindowWidth, kWindowHeight);
  TPVRenderRowTable rows;
  TPVRenderMap xMap, yMap;
  for (auto _ : state) {
    source.RenderToBitmap(view.Bitmap, rows, xMap, yMap, nullptr, 0, 0, kWindowWidth,
                          kWindowHeight, 1000, 900, kWindowWidth, kWindowHeight, false, false,
                          255, rfNone, false, pvboNormal);
    benchmark::DoNotOptimize(view.Bitmap.GetScanline(0));
  }
  Frames(state);
}

// ---- libvips on the same pixels ----

class VipsFiles {
 public:
  VipsFiles() {
    char pattern[] = "/dev/shm/calmora-render-XXXXXX";
    if (!mkdtemp(pattern)) return;
    folder_ = pattern;
    ready_ = bench::SavePPM(Source(), Path("source.ppm")) &&
             Run("vips copy " + Path("source.ppm") + " " + Path("source.v")) == 0;
  }
  ~VipsFiles() {
    if (!folder_.empty()) std::filesystem::remove_all(folder_);
  }
  bool Ready() const { return ready_; }
  std::string Path(const std::string& name) const { return folder_ + "/" + name; }
  int Run(const std::string& command) const {
    const int status =
        std::system(("VIPS_CONCURRENCY=1 " + command + " >/dev/null 2>&1").c_str());
    return status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  std::string folder_;
  bool ready_ = false;
};

void VipsLinearFit(benchmark::State& state) {
  static const VipsFiles files;
  if (!files.Ready()) {
    state.SkipWithError("vips could not read the source (is libvips-tools installed?)");
    return;
  }
  const std::string in = files.Path("source.v"), out = files.Path("out.v");
  const std::string resize = "vips resize " + in + " " + out + " " +
                             std::to_string(static_cast<double>(kFitWidth) / kWidth) +
                             " --kernel linear";
  const std::string plain = "vips crop " + in + " " + out + " 0 0 " +
                            std::to_string(kFitWidth) + " " + std::to_string(kFitHeight);
  const auto seconds = [&](const std::string& command, bool& failed) {
    const auto start = std::chrono::steady_clock::now();
    failed = failed || files.Run(command) != 0;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  };
  for (auto _ : state) {
    bool failed = false;
    const double run = seconds(resize, failed);
    const double base = seconds(plain, failed);
    if (failed) {
      state.SkipWithError("a vips command failed");
      break;
    }
    state.SetIterationTime(run > base ? run - base : 0);
  }
  Frames(state);
}

#define CALMORA_FRAMES(name, ...) \
  BENCHMARK_CAPTURE(name, __VA_ARGS__)->Unit(benchmark::kMillisecond)->MinTime(1)

CALMORA_FRAMES(Memcpy, FitTarget, kFitWidth, kFitHeight);
CALMORA_FRAMES(Fit, Nearest, Render{});
CALMORA_FRAMES(Fit, NearestBuildingTables, Render{rfNone, false});
CALMORA_FRAMES(Fit, NearestTransparency128, Render{rfNone, true, 128, pvboNormal});
CALMORA_FRAMES(Fit, NearestTransparency128Screen, Render{rfNone, true, 128, pvboScreen});
CALMORA_FRAMES(Fit, Triangle, Render{rfTriangle});
BENCHMARK(VipsLinearFit)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
CALMORA_FRAMES(Memcpy, WindowTarget, kWindowWidth, kWindowHeight);
BENCHMARK(OneToOne)->Unit(benchmark::kMillisecond)->MinTime(1);

}  // namespace
}  // namespace calmora

BENCHMARK_MAIN();
