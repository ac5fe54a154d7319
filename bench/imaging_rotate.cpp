// Rotating a 24-bit 6000 x 4000 image by 17 degrees on one thread: three shears with blending
// and the bilinear rotation, against ImageMagick (-rotate, itself three shears) and libvips
// (rotate, bilinear) on the same pixels. A peer's time is its run minus a run that only loads
// the source and saves an image of the rotated size.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "imaging/core/bitmap/bitmap.h"
#include "imaging/proc/rotate/rotation.h"

namespace calmora {
namespace {

constexpr int32_t kWidth = 6000;
constexpr int32_t kHeight = 4000;
constexpr double kAngle = 17;

// Gradients with a little noise, the same for us and for the peers.
const TPVBitmap& Source() {
  static TPVBitmap* source = [] {
    auto* bitmap = new TPVBitmap();
    bitmap->Location = pvMemory;
    bitmap->FileThreshold = INT64_MAX;
    bitmap->Allocate(kWidth, kHeight, pv24RGB);
    uint32_t state = 99;
    for (int32_t y = 0; y < kHeight; ++y) {
      uint8_t* row = bitmap->GetScanline(y);
      for (int32_t x = 0; x < kWidth; ++x) {
        state = state * 1664525u + 1013904223u;
        const auto noise = static_cast<int32_t>(state >> 29);
        row[3 * x] = static_cast<uint8_t>((x / 24 + noise) & 255);
        row[3 * x + 1] = static_cast<uint8_t>((y / 16 + noise) & 255);
        row[3 * x + 2] = static_cast<uint8_t>(((x ^ y) / 32 + noise) & 255);
      }
    }
    return bitmap;
  }();
  return *source;
}

enum class Rotation { ShearsBlended, Shears, Bilinear, Bicubic };

void Ours(benchmark::State& state, Rotation rotation) {
  TPVBitmap bitmap;
  bitmap.Location = pvMemory;
  bitmap.FileThreshold = INT64_MAX;
  for (auto _ : state) {
    state.PauseTiming();
    bitmap.Assign(const_cast<TPVBitmap*>(&Source()));
    state.ResumeTiming();
    bool done = false;
    switch (rotation) {
      case Rotation::ShearsBlended:
      case Rotation::Shears:
        done = RotateByShears(bitmap, rotation == Rotation::ShearsBlended, nullptr, nullptr,
                              TPVRGB{0, 0, 0}, kAngle);
        break;
      case Rotation::Bilinear:
      case Rotation::Bicubic:
        done = RotateInterpolated(bitmap, 0, rotation == Rotation::Bilinear ? 1 : 2, nullptr,
                                  nullptr, kAngle);
        break;
    }
    if (!done) state.SkipWithError("the rotation refused");
    benchmark::DoNotOptimize(bitmap.GetScanline(0));
  }
  state.counters["width"] = bitmap.GetWidth();
  state.counters["height"] = bitmap.GetHeight();
}

// The source as PPM and as a VIPS file in a scratch folder in memory, with an ImageMagick
// policy that keeps the images in memory (Debian's stops at 256 MiB and spills to disk).
class Peers {
 public:
  Peers() {
    char pattern[] = "/dev/shm/calmora-rotate-XXXXXX";
    if (!mkdtemp(pattern)) return;
    folder_ = pattern;
    std::ofstream ppm(File("source.ppm"), std::ios::binary);
    ppm << "P6\n" << kWidth << " " << kHeight << "\n255\n";
    std::vector<char> rgb(static_cast<size_t>(kWidth) * 3);
    for (int32_t y = 0; y < kHeight; ++y) {
      const uint8_t* row = Source().GetScanline(y);
      for (int32_t i = 0; i < kWidth * 3; i += 3) {
        rgb[i] = static_cast<char>(row[i + 2]);
        rgb[i + 1] = static_cast<char>(row[i + 1]);
        rgb[i + 2] = static_cast<char>(row[i]);
      }
      ppm.write(rgb.data(), static_cast<std::streamsize>(rgb.size()));
    }
    ppm.close();
    std::ofstream(File("policy.xml"))
        << "<policymap>\n"
           "  <policy domain=\"resource\" name=\"memory\" value=\"8GiB\"/>\n"
           "  <policy domain=\"resource\" name=\"map\" value=\"8GiB\"/>\n"
           "  <policy domain=\"resource\" name=\"area\" value=\"1GP\"/>\n"
           "</policymap>\n";
    ready_ = Run("vips copy " + File("source.ppm") + " " + File("source.v")) == 0;
  }
  ~Peers() {
    if (!folder_.empty()) std::filesystem::remove_all(folder_);
  }
  bool Ready() const { return ready_; }
  std::string File(const std::string& name) const { return folder_ + "/" + name; }

  // One thread for each peer; the exit status, or -1.
  int Run(const std::string& command) const {
    const std::string line =
        "VIPS_CONCURRENCY=1 MAGICK_CONFIGURE_PATH=" + folder_ + " " + command + " >/dev/null 2>&1";
    const int status = std::system(line.c_str());
    return status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  std::string folder_;
  bool ready_ = false;
};

const Peers& ThePeers() {
  static const Peers peers;
  return peers;
}

enum class Peer { ImageMagick, Vips };

// The rotated bounding box, which the plain runs save.
std::string RotatedSize(char separator) {
  const double theta = kAngle * 3.14159265358979323846 / 180;
  const auto w = static_cast<int>(std::ceil(kWidth * std::cos(theta) + kHeight * std::sin(theta)));
  const auto h = static_cast<int>(std::ceil(kWidth * std::sin(theta) + kHeight * std::cos(theta)));
  return std::to_string(w) + separator + std::to_string(h);
}

void PeerRun(benchmark::State& state, Peer peer) {
  const Peers& peers = ThePeers();
  if (!peers.Ready()) {
    state.SkipWithError("vips could not read the source (is libvips-tools installed?)");
    return;
  }
  std::string run, plain;
  if (peer == Peer::ImageMagick) {
    const std::string convert = "convert -limit thread 1 " + peers.File("source.ppm") + " ";
    run = convert + "-background black -rotate 17 " + peers.File("out.ppm");
    plain = convert + "-background black -extent " + RotatedSize('x') + " " + peers.File("out.ppm");
  } else {
    run = "vips rotate " + peers.File("source.v") + " " + peers.File("out.v") + " 17";
    plain = "vips embed " + peers.File("source.v") + " " + peers.File("out.v") + " 0 0 " +
            RotatedSize(' ');
  }
  const auto seconds = [&](const std::string& command, bool& failed) {
    const auto start = std::chrono::steady_clock::now();
    failed = failed || peers.Run(command) != 0;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  };
  double whole = 0, base = 0;
  for (auto _ : state) {
    bool failed = false;
    const double a = seconds(run, failed), b = seconds(plain, failed);
    if (failed) {
      state.SkipWithError(("a peer command failed: " + run).c_str());
      break;
    }
    whole += a;
    base += b;
    state.SetIterationTime(a > b ? a - b : 0);
  }
  if (state.iterations() > 0) {
    state.counters["whole_ms"] = whole / static_cast<double>(state.iterations()) * 1000;
    state.counters["plain_ms"] = base / static_cast<double>(state.iterations()) * 1000;
  }
}

BENCHMARK_CAPTURE(Ours, Shears_Blended, Rotation::ShearsBlended)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2);
BENCHMARK_CAPTURE(Ours, Shears, Rotation::Shears)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK_CAPTURE(Ours, Bilinear, Rotation::Bilinear)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK_CAPTURE(Ours, Bicubic, Rotation::Bicubic)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK_CAPTURE(PeerRun, Magick_Rotate, Peer::ImageMagick)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(3);
BENCHMARK_CAPTURE(PeerRun, Vips_Rotate, Peer::Vips)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(3);

}  // namespace
}  // namespace calmora

BENCHMARK_MAIN();
