// Resampling a 24-bit 6000 x 4000 image on one thread: reduced to 1500 x 1000 and enlarged
// x2 by the fast-linear and area-weighted engines and by the kernel engine with each of its
// kernels, against libvips (resize --kernel) and ImageMagick (-filter ... -resize) with the
// same kernel where they have one, on the same pixels. A peer's time is its run minus a run
// that only loads the source and saves an image of the output's size.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "imaging/core/bitmap/bitmap.h"
#include "imaging/proc/resample/resample_engines.h"
#include "imaging/proc/resample/resample_kernels.h"

namespace calmora {
namespace {

constexpr int32_t kWidth = 6000;
constexpr int32_t kHeight = 4000;
constexpr int32_t kReducedWidth = 1500;
constexpr int32_t kReducedHeight = 1000;

// A smooth picture with some texture, the same for every engine and peer.
void PaintSource(TPVBitmap& bitmap) {
  uint32_t state = 12345;
  for (int32_t y = 0; y < kHeight; ++y) {
    uint8_t* row = bitmap.GetScanline(y);
    for (int32_t x = 0; x < kWidth; ++x) {
      state = state * 1664525u + 1013904223u;
      const auto noise = static_cast<int32_t>(state >> 28);
      row[3 * x] = static_cast<uint8_t>((x * 255 / kWidth + noise) & 255);
      row[3 * x + 1] = static_cast<uint8_t>((y * 255 / kHeight + noise) & 255);
      row[3 * x + 2] = static_cast<uint8_t>(((x + y) / 40 + noise) & 255);
    }
  }
}

TPVBitmap& Source() {
  static TPVBitmap* source = [] {
    auto* bitmap = new TPVBitmap();
    bitmap->Location = pvMemory;
    bitmap->FileThreshold = INT64_MAX;
    bitmap->Allocate(kWidth, kHeight, pv24RGB);
    PaintSource(*bitmap);
    return bitmap;
  }();
  return *source;
}

enum class Engine { FastLinear, AreaBilinear, AreaBicubic };

void Ours(benchmark::State& state, Engine engine, int32_t width, int32_t height) {
  TPVBitmap& source = Source();
  TPVBitmap destination;
  destination.Location = pvMemory;
  destination.FileThreshold = INT64_MAX;
  destination.Allocate(width, height, pv24RGB);
  for (auto _ : state) {
    bool done = false;
    switch (engine) {
      case Engine::FastLinear: done = ResampleFastLinear24(source, destination, nullptr, nullptr); break;
      case Engine::AreaBilinear: done = ResampleArea8(source, destination, false, nullptr, nullptr); break;
      case Engine::AreaBicubic: done = ResampleArea8(source, destination, true, nullptr, nullptr); break;
    }
    if (!done) state.SkipWithError("the engine refused");
    benchmark::DoNotOptimize(destination.GetScanline(0));
  }
}

// The kernel engine through the entry point its callers use.
void OursKernel(benchmark::State& state, TResampleFilter filter, int32_t width, int32_t height) {
  TPVBitmap& source = Source();
  TPVBitmap destination;
  destination.Location = pvMemory;
  destination.FileThreshold = INT64_MAX;
  destination.Allocate(width, height, pv24RGB);
  for (auto _ : state) {
    if (!ResampleFiltered(source, destination, filter, nullptr, nullptr))
      state.SkipWithError("the engine refused");
    benchmark::DoNotOptimize(destination.GetScanline(0));
  }
}

// ---- Peers ----

// A scratch folder with the source as PPM (for ImageMagick) and as a VIPS file, and an
// ImageMagick policy that lets a 12000 x 8000 image stay in memory (Debian's keeps it at 256 MiB
// and spills to disk).
class PeerFiles {
 public:
  PeerFiles() {
    char pattern[] = "/dev/shm/calmora-bench-XXXXXX";
    if (!mkdtemp(pattern)) return;
    folder_ = pattern;
    std::ofstream ppm(Path("source.ppm"), std::ios::binary);
    ppm << "P6\n" << kWidth << " " << kHeight << "\n255\n";
    std::vector<char> rgb(static_cast<size_t>(kWidth) * 3);
    const TPVBitmap& source = Source();
    for (int32_t y = 0; y < kHeight; ++y) {
      const uint8_t* row = source.GetScanline(y);
      for (int32_t x = 0; x < kWidth; ++x) {
        rgb[3 * x] = static_cast<char>(row[3 * x + 2]);
        rgb[3 * x + 1] = static_cast<char>(row[3 * x + 1]);
        rgb[3 * x + 2] = static_cast<char>(row[3 * x]);
      }
      ppm.write(rgb.data(), static_cast<std::streamsize>(rgb.size()));
    }
    ppm.close();
    std::ofstream(Path("policy.xml"))
        << "<policymap>\n"
           "  <policy domain=\"resource\" name=\"memory\" value=\"8GiB\"/>\n"
           "  <policy domain=\"resource\" name=\"map\" value=\"8GiB\"/>\n"
           "  <policy domain=\"resource\" name=\"area\" value=\"1GP\"/>\n"
           "  <policy domain=\"resource\" name=\"disk\" value=\"16GiB\"/>\n"
           "</policymap>\n";
    ready_ = Run("vips copy " + Path("source.ppm") + " " + Path("source.v")) == 0;
  }
  ~PeerFiles() {
    if (!folder_.empty()) std::filesystem::remove_all(folder_);
  }
  bool Ready() const { return ready_; }
  std::string Path(const std::string& name) const { return folder_ + "/" + name; }

  // Runs a command through the shell, one thread for each peer; the exit status.
  int Run(const std::string& command) const {
    const std::string line = "VIPS_CONCURRENCY=1 MAGICK_CONFIGURE_PATH=" + folder_ + " " +
                             command + " >/dev/null 2>&1";
    const int status = std::system(line.c_str());
    return status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  std::string folder_;
  bool ready_ = false;
};

PeerFiles& Files() {
  static PeerFiles files;
  return files;
}

enum class Peer { Vips, ImageMagick };

// The peer's command for the kernel as the peer names it ("linear", "lanczos3" for libvips;
// "Triangle", "Lanczos" for ImageMagick), and its plain load and save of an image of the
// output's size.
struct PeerCommands {
  std::string run;
  std::string plain;
};

PeerCommands CommandsFor(Peer peer, const std::string& kernel, int32_t width, int32_t height) {
  const PeerFiles& f = Files();
  const std::string size = std::to_string(width) + "x" + std::to_string(height);
  const bool enlarge = width > kWidth;
  if (peer == Peer::Vips) {
    const std::string scale = enlarge ? "2" : "0.25";
    const std::string in = f.Path("source.v"), out = f.Path("out.v");
    const std::string plain = enlarge ? "vips embed " + in + " " + out + " 0 0 " +
                                            std::to_string(width) + " " + std::to_string(height)
                                      : "vips crop " + in + " " + out + " 0 0 " +
                                            std::to_string(width) + " " + std::to_string(height);
    return {"vips resize " + in + " " + out + " " + scale + " --kernel " + kernel, plain};
  }
  const std::string convert = "convert -limit thread 1 " + f.Path("source.ppm") + " ";
  const std::string out = " " + f.Path("out.ppm");
  return {convert + "-filter " + kernel + " -resize " + size + "!" + out,
          convert + (enlarge ? "-background black -extent " + size : "-crop " + size + "+0+0") +
              out};
}

double Seconds(const PeerFiles& files, const std::string& command, bool& failed) {
  const auto start = std::chrono::steady_clock::now();
  failed = failed || files.Run(command) != 0;
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void PeerRun(benchmark::State& state, Peer peer, const char* kernel, int32_t width,
             int32_t height) {
  const PeerFiles& files = Files();
  if (!files.Ready()) {
    state.SkipWithError("vips could not read the source (is libvips-tools installed?)");
    return;
  }
  const PeerCommands commands = CommandsFor(peer, kernel, width, height);
  double whole = 0, plain = 0;
  for (auto _ : state) {
    bool failed = false;
    const double run = Seconds(files, commands.run, failed);
    const double base = Seconds(files, commands.plain, failed);
    if (failed) {
      state.SkipWithError(("a peer command failed: " + commands.run).c_str());
      break;
    }
    whole += run;
    plain += base;
    state.SetIterationTime(run > base ? run - base : 0);
  }
  const double n = static_cast<double>(state.iterations());
  if (n > 0) {
    state.counters["whole_ms"] = whole / n * 1000;
    state.counters["plain_ms"] = plain / n * 1000;
  }
}

constexpr int32_t kLargeWidth = 2 * kWidth;
constexpr int32_t kLargeHeight = 2 * kHeight;

#define CALMORA_OURS(name, engine, w, h) \
  BENCHMARK_CAPTURE(Ours, name, engine, w, h)->Unit(benchmark::kMillisecond)->MinTime(2)
#define CALMORA_PEER(name, peer, kernel, w, h)                                         \
  BENCHMARK_CAPTURE(PeerRun, name, peer, kernel, w, h)                                 \
      ->Unit(benchmark::kMillisecond)                                                  \
      ->UseManualTime()                                                                \
      ->Iterations(3)

CALMORA_OURS(FastLinear_Reduce, Engine::FastLinear, kReducedWidth, kReducedHeight);
CALMORA_OURS(AreaBilinear_Reduce, Engine::AreaBilinear, kReducedWidth, kReducedHeight);
CALMORA_OURS(AreaBicubic_Reduce, Engine::AreaBicubic, kReducedWidth, kReducedHeight);
CALMORA_PEER(Vips_Linear_Reduce, Peer::Vips, "linear", kReducedWidth, kReducedHeight);
CALMORA_PEER(Vips_Cubic_Reduce, Peer::Vips, "cubic", kReducedWidth, kReducedHeight);
CALMORA_PEER(Magick_Triangle_Reduce, Peer::ImageMagick, "Triangle", kReducedWidth, kReducedHeight);
CALMORA_PEER(Magick_Cubic_Reduce, Peer::ImageMagick, "Cubic", kReducedWidth, kReducedHeight);

CALMORA_OURS(FastLinear_Enlarge, Engine::FastLinear, kLargeWidth, kLargeHeight);
CALMORA_OURS(AreaBilinear_Enlarge, Engine::AreaBilinear, kLargeWidth, kLargeHeight);
CALMORA_OURS(AreaBicubic_Enlarge, Engine::AreaBicubic, kLargeWidth, kLargeHeight);
CALMORA_PEER(Vips_Linear_Enlarge, Peer::Vips, "linear", kLargeWidth, kLargeHeight);
CALMORA_PEER(Vips_Cubic_Enlarge, Peer::Vips, "cubic", kLargeWidth, kLargeHeight);
CALMORA_PEER(Magick_Triangle_Enlarge, Peer::ImageMagick, "Triangle", kLargeWidth, kLargeHeight);
CALMORA_PEER(Magick_Cubic_Enlarge, Peer::ImageMagick, "Cubic", kLargeWidth, kLargeHeight);

// The kernel engine with every kernel; the peers' kernels of the same shape: the box is
// ImageMagick's Box and libvips' nearest, the quadratic bell ImageMagick's Quadratic, the
// cubic B-spline its Spline. Triangle and linear are the same kernel, whose peers run above.
#define CALMORA_KERNEL(name, filter, w, h) \
  BENCHMARK_CAPTURE(OursKernel, name, filter, w, h)->Unit(benchmark::kMillisecond)->MinTime(2)

CALMORA_KERNEL(Triangle_Reduce, rfTriangle, kReducedWidth, kReducedHeight);
CALMORA_KERNEL(Hermite_Reduce, rfHermite, kReducedWidth, kReducedHeight);
CALMORA_KERNEL(Bell_Reduce, rfBell, kReducedWidth, kReducedHeight);
CALMORA_KERNEL(BSpline_Reduce, rfBSpline, kReducedWidth, kReducedHeight);
CALMORA_KERNEL(Lanczos3_Reduce, rfLanczos3, kReducedWidth, kReducedHeight);
CALMORA_KERNEL(Mitchell_Reduce, rfMitchell, kReducedWidth, kReducedHeight);
CALMORA_KERNEL(Box_Reduce, rfNearest, kReducedWidth, kReducedHeight);
CALMORA_KERNEL(Linear_Reduce, rfLinear, kReducedWidth, kReducedHeight);
CALMORA_PEER(Vips_Lanczos3_Reduce, Peer::Vips, "lanczos3", kReducedWidth, kReducedHeight);
CALMORA_PEER(Vips_Mitchell_Reduce, Peer::Vips, "mitchell", kReducedWidth, kReducedHeight);
CALMORA_PEER(Vips_Nearest_Reduce, Peer::Vips, "nearest", kReducedWidth, kReducedHeight);
CALMORA_PEER(Magick_Hermite_Reduce, Peer::ImageMagick, "Hermite", kReducedWidth, kReducedHeight);
CALMORA_PEER(Magick_Quadratic_Reduce, Peer::ImageMagick, "Quadratic", kReducedWidth, kReducedHeight);
CALMORA_PEER(Magick_Spline_Reduce, Peer::ImageMagick, "Spline", kReducedWidth, kReducedHeight);
CALMORA_PEER(Magick_Lanczos_Reduce, Peer::ImageMagick, "Lanczos", kReducedWidth, kReducedHeight);
CALMORA_PEER(Magick_Mitchell_Reduce, Peer::ImageMagick, "Mitchell", kReducedWidth, kReducedHeight);
CALMORA_PEER(Magick_Box_Reduce, Peer::ImageMagick, "Box", kReducedWidth, kReducedHeight);

CALMORA_KERNEL(Triangle_Enlarge, rfTriangle, kLargeWidth, kLargeHeight);
CALMORA_KERNEL(Hermite_Enlarge, rfHermite, kLargeWidth, kLargeHeight);
CALMORA_KERNEL(Bell_Enlarge, rfBell, kLargeWidth, kLargeHeight);
CALMORA_KERNEL(BSpline_Enlarge, rfBSpline, kLargeWidth, kLargeHeight);
CALMORA_KERNEL(Lanczos3_Enlarge, rfLanczos3, kLargeWidth, kLargeHeight);
CALMORA_KERNEL(Mitchell_Enlarge, rfMitchell, kLargeWidth, kLargeHeight);
CALMORA_KERNEL(Box_Enlarge, rfNearest, kLargeWidth, kLargeHeight);
CALMORA_KERNEL(Linear_Enlarge, rfLinear, kLargeWidth, kLargeHeight);
CALMORA_PEER(Vips_Lanczos3_Enlarge, Peer::Vips, "lanczos3", kLargeWidth, kLargeHeight);
CALMORA_PEER(Vips_Mitchell_Enlarge, Peer::Vips, "mitchell", kLargeWidth, kLargeHeight);
CALMORA_PEER(Vips_Nearest_Enlarge, Peer::Vips, "nearest", kLargeWidth, kLargeHeight);
CALMORA_PEER(Magick_Hermite_Enlarge, Peer::ImageMagick, "Hermite", kLargeWidth, kLargeHeight);
CALMORA_PEER(Magick_Quadratic_Enlarge, Peer::ImageMagick, "Quadratic", kLargeWidth, kLargeHeight);
CALMORA_PEER(Magick_Spline_Enlarge, Peer::ImageMagick, "Spline", kLargeWidth, kLargeHeight);
CALMORA_PEER(Magick_Lanczos_Enlarge, Peer::ImageMagick, "Lanczos", kLargeWidth, kLargeHeight);
CALMORA_PEER(Magick_Mitchell_Enlarge, Peer::ImageMagick, "Mitchell", kLargeWidth, kLargeHeight);
CALMORA_PEER(Magick_Box_Enlarge, Peer::ImageMagick, "Box", kLargeWidth, kLargeHeight);

}  // namespace
}  // namespace calmora

BENCHMARK_MAIN();
