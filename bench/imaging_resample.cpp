// Resampling a 24-bit 6000 x 4000 image on one thread: reduced to 1500 x 1000 and enlarged
// x2 by the fast-linear and area-weighted engines, against libvips (resize --kernel linear /
// cubic) and ImageMagick (-filter Triangle / Cubic -resize) on the same pixels. A peer's time
// is its run minus a run that only loads the source and saves an image of the output's size.
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

#include "imaging/core/bitmap.h"
#include "imaging/proc/resample_engines.h"

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

// The peer's command for the kernel ("linear" or "cubic"), and its plain load and save of an
// image of the output's size.
struct PeerCommands {
  std::string run;
  std::string plain;
};

PeerCommands CommandsFor(Peer peer, bool cubic, int32_t width, int32_t height) {
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
    return {"vips resize " + in + " " + out + " " + scale + " --kernel " +
                (cubic ? "cubic" : "linear"),
            plain};
  }
  const std::string convert = "convert -limit thread 1 " + f.Path("source.ppm") + " ";
  const std::string out = " " + f.Path("out.ppm");
  return {convert + "-filter " + (cubic ? "Cubic" : "Triangle") + " -resize " + size + "!" + out,
          convert + (enlarge ? "-background black -extent " + size : "-crop " + size + "+0+0") +
              out};
}

double Seconds(const PeerFiles& files, const std::string& command, bool& failed) {
  const auto start = std::chrono::steady_clock::now();
  failed = failed || files.Run(command) != 0;
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void PeerRun(benchmark::State& state, Peer peer, bool cubic, int32_t width, int32_t height) {
  const PeerFiles& files = Files();
  if (!files.Ready()) {
    state.SkipWithError("vips could not read the source (is libvips-tools installed?)");
    return;
  }
  const PeerCommands commands = CommandsFor(peer, cubic, width, height);
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
#define CALMORA_PEER(name, peer, cubic, w, h)                                          \
  BENCHMARK_CAPTURE(PeerRun, name, peer, cubic, w, h)                                  \
      ->Unit(benchmark::kMillisecond)                                                  \
      ->UseManualTime()                                                                \
      ->Iterations(3)

CALMORA_OURS(FastLinear_Reduce, Engine::FastLinear, kReducedWidth, kReducedHeight);
CALMORA_OURS(AreaBilinear_Reduce, Engine::AreaBilinear, kReducedWidth, kReducedHeight);
CALMORA_OURS(AreaBicubic_Reduce, Engine::AreaBicubic, kReducedWidth, kReducedHeight);
CALMORA_PEER(Vips_Linear_Reduce, Peer::Vips, false, kReducedWidth, kReducedHeight);
CALMORA_PEER(Vips_Cubic_Reduce, Peer::Vips, true, kReducedWidth, kReducedHeight);
CALMORA_PEER(Magick_Triangle_Reduce, Peer::ImageMagick, false, kReducedWidth, kReducedHeight);
CALMORA_PEER(Magick_Cubic_Reduce, Peer::ImageMagick, true, kReducedWidth, kReducedHeight);

CALMORA_OURS(FastLinear_Enlarge, Engine::FastLinear, kLargeWidth, kLargeHeight);
CALMORA_OURS(AreaBilinear_Enlarge, Engine::AreaBilinear, kLargeWidth, kLargeHeight);
CALMORA_OURS(AreaBicubic_Enlarge, Engine::AreaBicubic, kLargeWidth, kLargeHeight);
CALMORA_PEER(Vips_Linear_Enlarge, Peer::Vips, false, kLargeWidth, kLargeHeight);
CALMORA_PEER(Vips_Cubic_Enlarge, Peer::Vips, true, kLargeWidth, kLargeHeight);
CALMORA_PEER(Magick_Triangle_Enlarge, Peer::ImageMagick, false, kLargeWidth, kLargeHeight);
CALMORA_PEER(Magick_Cubic_Enlarge, Peer::ImageMagick, true, kLargeWidth, kLargeHeight);

}  // namespace
}  // namespace calmora

BENCHMARK_MAIN();
