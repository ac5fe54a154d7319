// Filtering an 8000 x 6000 grey image on one thread with ApplyFilter3x3 and GaussianBlurGray8,
// against libvips, ImageMagick and Pillow on the same pixels; and MagicWandOutline of a region
// that fills a 12 MP image, with its peak working memory.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <new>
#include <string>

#include "imaging/core/bitmap/bitmap.h"
#include "imaging/proc/filters/filter3x3.h"
#include "imaging/proc/filters/gaussian_blur.h"
#include "imaging/proc/filters/magic_wand.h"

// ---- Live heap bytes, for the outline's peak working memory ----

namespace {
std::atomic<int64_t> liveBytes{0};
std::atomic<int64_t> peakBytes{0};

void* Track(void* block) {
  if (block == nullptr) throw std::bad_alloc();
  const int64_t now = liveBytes += static_cast<int64_t>(malloc_usable_size(block));
  for (int64_t peak = peakBytes; now > peak && !peakBytes.compare_exchange_weak(peak, now);) {
  }
  return block;
}
void Untrack(void* block) {
  if (block != nullptr) liveBytes -= static_cast<int64_t>(malloc_usable_size(block));
  std::free(block);
}
}  // namespace

void* operator new(size_t size) { return Track(std::malloc(size == 0 ? 1 : size)); }
void* operator new[](size_t size) { return Track(std::malloc(size == 0 ? 1 : size)); }
void* operator new(size_t size, const std::nothrow_t&) noexcept {
  void* block = std::malloc(size == 0 ? 1 : size);
  return block == nullptr ? nullptr : Track(block);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
  void* block = std::malloc(size == 0 ? 1 : size);
  return block == nullptr ? nullptr : Track(block);
}
void operator delete(void* block) noexcept { Untrack(block); }
void operator delete[](void* block) noexcept { Untrack(block); }
void operator delete(void* block, size_t) noexcept { Untrack(block); }
void operator delete[](void* block, size_t) noexcept { Untrack(block); }

// The peers: libvips conv with an integer mask and gaussblur with sigma = radius, ImageMagick
// -morphology Convolve and -blur 0x<radius>, Pillow ImageFilter.Kernel and GaussianBlur (timed
// inside Python). A command-line peer's time is its run minus a run that only reads and writes
// the image. The rates and our ratio to each peer are printed at the end.
namespace calmora {
namespace {

constexpr int32_t kWidth = 8000;
constexpr int32_t kHeight = 6000;
constexpr double kMegapixels = kWidth * double{kHeight} / 1e6;

// Megapixels per second of every case that ran, by name.
std::map<std::string, double>& Rates() {
  static std::map<std::string, double> rates;
  return rates;
}

void Report(benchmark::State& state, const std::string& name, double seconds) {
  const double n = static_cast<double>(state.iterations());
  if (n <= 0 || seconds <= 0) return;
  Rates()[name] = kMegapixels * n / seconds;
  state.counters["MP/s"] = Rates()[name];
}

// A smooth picture with some texture, the same for us and every peer.
TPVBitmap& Source() {
  static TPVBitmap* source = [] {
    auto* bitmap = new TPVBitmap();
    bitmap->Location = pvMemory;
    bitmap->FileThreshold = INT64_MAX;
    bitmap->Allocate(kWidth, kHeight, pv8g);
    uint32_t state = 12345;
    for (int32_t y = 0; y < kHeight; ++y) {
      uint8_t* row = bitmap->GetScanline(y);
      for (int32_t x = 0; x < kWidth; ++x) {
        state = state * 1664525u + 1013904223u;
        row[x] = static_cast<uint8_t>(((x + y) / 50 + (x / 7) % 30 + (state >> 27)) & 255);
      }
    }
    return bitmap;
  }();
  return *source;
}

// The image the cases work on in place (its content does not change their time).
TPVBitmap& Working() {
  static TPVBitmap* working = [] {
    auto* bitmap = new TPVBitmap();
    bitmap->Location = pvMemory;
    bitmap->FileThreshold = INT64_MAX;
    bitmap->Assign(&Source());
    return bitmap;
  }();
  return *working;
}

template <typename Work>
void Ours(benchmark::State& state, const std::string& name, Work work) {
  double seconds = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    work(Working());
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    benchmark::DoNotOptimize(Working().GetScanline(0));
  }
  Report(state, name, seconds);
}

void OursFilter(benchmark::State& state, const std::string& name, int32_t filter) {
  Ours(state, name, [filter](TPVBitmap& image) {
    ApplyFilter3x3(image, BuiltInFilters[filter], 0, 0, kWidth, kHeight);
  });
}

void OursBlur(benchmark::State& state, const std::string& name, double radius) {
  Ours(state, name, [radius](TPVBitmap& image) {
    GaussianBlurGray8(image, 0, 0, kWidth - 1, kHeight - 1, radius);
  });
}

// ---- Peers ----

// A scratch folder in memory with the source as PGM and as a VIPS file, the two integer masks,
// the Pillow script and an ImageMagick policy that keeps a 48 MP image in memory (Debian's
// spills it to disk).
class PeerFiles {
 public:
  PeerFiles() {
    char pattern[] = "/dev/shm/calmora-bench-XXXXXX";
    if (mkdtemp(pattern) == nullptr) return;
    folder_ = pattern;
    std::ofstream pgm(Path("source.pgm"), std::ios::binary);
    pgm << "P5\n" << kWidth << " " << kHeight << "\n255\n";
    for (int32_t y = 0; y < kHeight; ++y)
      pgm.write(reinterpret_cast<const char*>(Source().GetScanline(y)), kWidth);
    pgm.close();
    std::ofstream(Path("blur.mat")) << "3 3 9 0\n1 1 1\n1 1 1\n1 1 1\n";
    std::ofstream(Path("edges.mat")) << "3 3 1 0\n1 1 1\n1 -8 1\n1 1 1\n";
    std::ofstream(Path("policy.xml"))
        << "<policymap>\n"
           "  <policy domain=\"resource\" name=\"memory\" value=\"8GiB\"/>\n"
           "  <policy domain=\"resource\" name=\"map\" value=\"8GiB\"/>\n"
           "  <policy domain=\"resource\" name=\"area\" value=\"1GP\"/>\n"
           "  <policy domain=\"resource\" name=\"disk\" value=\"16GiB\"/>\n"
           "</policymap>\n";
    // Prints the mean seconds of one filter call over the repeats.
    std::ofstream(Path("pillow.py"))
        << "import sys, time\n"
           "from PIL import Image, ImageFilter\n"
           "image = Image.open(sys.argv[1]); image.load()\n"
           "repeats, kind, value = int(sys.argv[2]), sys.argv[3], sys.argv[4]\n"
           "if kind == 'kernel':\n"
           "    weights = [int(w) for w in value.split(',')]\n"
           "    scale = {'blur': 9}.get(sys.argv[5], 1)\n"
           "    chosen = ImageFilter.Kernel((3, 3), weights, scale)\n"
           "else:\n"
           "    chosen = ImageFilter.GaussianBlur(float(value))\n"
           "total = 0.0\n"
           "for _ in range(repeats):\n"
           "    start = time.perf_counter(); image.filter(chosen)\n"
           "    total += time.perf_counter() - start\n"
           "print(total / repeats)\n";
    ready_ = Run("vips copy " + Path("source.pgm") + " " + Path("source.v")) == 0;
  }
  ~PeerFiles() {
    if (!folder_.empty()) std::filesystem::remove_all(folder_);
  }
  bool Ready() const { return ready_; }
  std::string Path(const std::string& name) const { return folder_ + "/" + name; }

  // Runs a command through the shell, each peer on one thread; its exit status, and its
  // standard output in output when given.
  int Run(const std::string& command, std::string* output = nullptr) const {
    const std::string line =
        "VIPS_CONCURRENCY=1 MAGICK_CONFIGURE_PATH=" + folder_ + " " + command + " 2>/dev/null";
    FILE* pipe = popen(line.c_str(), "r");
    if (pipe == nullptr) return -1;
    char buffer[256];
    while (fgets(buffer, sizeof buffer, pipe) != nullptr)
      if (output != nullptr) *output += buffer;
    const int status = pclose(pipe);
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

double Seconds(const std::string& command, bool& failed) {
  const auto start = std::chrono::steady_clock::now();
  failed = failed || Files().Run(command + " >/dev/null") != 0;
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A command-line peer: its run minus the plain read and write of the same image.
void CommandPeer(benchmark::State& state, const std::string& name, const std::string& run,
                 const std::string& plain) {
  if (!Files().Ready()) {
    state.SkipWithError("vips could not read the source (is libvips-tools installed?)");
    return;
  }
  double total = 0;
  for (auto _ : state) {
    bool failed = false;
    const double whole = Seconds(run, failed), base = Seconds(plain, failed);
    if (failed) {
      state.SkipWithError(("a peer command failed: " + run).c_str());
      return;
    }
    const double net = whole > base ? whole - base : 1e-9;
    total += net;
    state.SetIterationTime(net);
  }
  Report(state, name, total);
}

std::string VipsPlain() {
  return "vips copy " + Files().Path("source.v") + " " + Files().Path("out.v");
}
std::string MagickStart() { return "convert -limit thread 1 " + Files().Path("source.pgm") + " "; }
std::string MagickPlain() { return MagickStart() + Files().Path("out.pgm"); }

void VipsConv(benchmark::State& state, const std::string& name, const std::string& mask) {
  CommandPeer(state, name,
              "vips conv " + Files().Path("source.v") + " " + Files().Path("out.v") + " " +
                  Files().Path(mask) + " --precision integer",
              VipsPlain());
}

void VipsGauss(benchmark::State& state, const std::string& name, double sigma) {
  CommandPeer(state, name,
              "vips gaussblur " + Files().Path("source.v") + " " + Files().Path("out.v") + " " +
                  std::to_string(sigma),
              VipsPlain());
}

void MagickConv(benchmark::State& state, const std::string& name, const std::string& kernel,
                const std::string& scale) {
  CommandPeer(state, name,
              MagickStart() + "-define convolve:scale=" + scale + " -morphology Convolve '" +
                  kernel + "' " + Files().Path("out.pgm"),
              MagickPlain());
}

void MagickBlur(benchmark::State& state, const std::string& name, double sigma) {
  CommandPeer(state, name,
              MagickStart() + "-blur 0x" + std::to_string(sigma) + " " + Files().Path("out.pgm"),
              MagickPlain());
}

// Pillow times itself, so its start-up and the image's loading stay out.
void Pillow(benchmark::State& state, const std::string& name, const std::string& arguments) {
  if (!Files().Ready()) {
    state.SkipWithError("no peer files");
    return;
  }
  double total = 0;
  for (auto _ : state) {
    std::string output;
    if (Files().Run("/usr/bin/python3 " + Files().Path("pillow.py") + " " +
                        Files().Path("source.pgm") + " 1 " + arguments,
                    &output) != 0) {
      state.SkipWithError("Pillow failed (is python3-pil installed?)");
      return;
    }
    const double seconds = std::stod(output);
    total += seconds;
    state.SetIterationTime(seconds);
  }
  Report(state, name, total);
}

// ---- The magic wand's outline ----

// A 4000 x 3000 colour image of slight noise, all within the tolerance of any of its pixels.
void WandOutline(benchmark::State& state) {
  static TPVBitmap* image = [] {
    auto* bitmap = new TPVBitmap();
    bitmap->Location = pvMemory;
    bitmap->FileThreshold = INT64_MAX;
    bitmap->Allocate(4000, 3000, pv24RGB);
    uint32_t seed = 777;
    for (int32_t y = 0; y < 3000; ++y) {
      uint8_t* row = bitmap->GetScanline(y);
      for (int32_t i = 0; i < 3 * 4000; ++i) {
        seed = seed * 1664525u + 1013904223u;
        row[i] = static_cast<uint8_t>(100 + (seed >> 29));
      }
    }
    return bitmap;
  }();
  int64_t peak = 0;
  int32_t count = 0;
  for (auto _ : state) {
    const int64_t before = liveBytes;
    peakBytes = before;
    const std::unique_ptr<TPoint[]> points = MagicWandOutline(*image, 2000, 1500, false, 15, count);
    peak = std::max(peak, peakBytes - before);
    benchmark::DoNotOptimize(points.get());
  }
  state.counters["vertices"] = count;
  state.counters["peak_MB"] = static_cast<double>(peak) / 1e6;
  state.counters["literal_grid_MB"] = 4004.0 * 4 * (3000 * 4 + 4) / 1e6;
}

// ---- Registration and the ratios ----

const char* const kBlurKernel = "3x3: 1,1,1,1,1,1,1,1,1";
const char* const kEdgesKernel = "3x3: 1,1,1,1,-8,1,1,1,1";

#define CALMORA_OURS(name, routine, argument) \
  BENCHMARK_CAPTURE(routine, name, #name, argument)->Unit(benchmark::kMillisecond)->MinTime(2)
#define CALMORA_PEER(name, routine, ...)               \
  BENCHMARK_CAPTURE(routine, name, #name, __VA_ARGS__) \
      ->Unit(benchmark::kMillisecond)                  \
      ->UseManualTime()                                \
      ->Iterations(3)

CALMORA_OURS(Ours_Blur, OursFilter, 1);
CALMORA_OURS(Ours_Edges, OursFilter, 2);
CALMORA_PEER(Vips_Blur, VipsConv, "blur.mat");
CALMORA_PEER(Vips_Edges, VipsConv, "edges.mat");
CALMORA_PEER(Magick_Blur, MagickConv, kBlurKernel, "0.11111111111111111");
CALMORA_PEER(Magick_Edges, MagickConv, kEdgesKernel, "1");
CALMORA_PEER(Pillow_Blur, Pillow, "kernel 1,1,1,1,1,1,1,1,1 blur");
CALMORA_PEER(Pillow_Edges, Pillow, "kernel 1,1,1,1,-8,1,1,1,1 edges");

CALMORA_OURS(Ours_Gauss1, OursBlur, 1.0);
CALMORA_OURS(Ours_Gauss2_5, OursBlur, 2.5);
CALMORA_OURS(Ours_Gauss10, OursBlur, 10.0);
CALMORA_PEER(Vips_Gauss1, VipsGauss, 1.0);
CALMORA_PEER(Vips_Gauss2_5, VipsGauss, 2.5);
CALMORA_PEER(Vips_Gauss10, VipsGauss, 10.0);
CALMORA_PEER(Magick_Gauss1, MagickBlur, 1.0);
CALMORA_PEER(Magick_Gauss2_5, MagickBlur, 2.5);
CALMORA_PEER(Magick_Gauss10, MagickBlur, 10.0);
CALMORA_PEER(Pillow_Gauss1, Pillow, "gauss 1 -");
CALMORA_PEER(Pillow_Gauss2_5, Pillow, "gauss 2.5 -");
CALMORA_PEER(Pillow_Gauss10, Pillow, "gauss 10 -");

BENCHMARK(WandOutline)->Unit(benchmark::kMillisecond)->MinTime(2);

void PrintRatios() {
  std::printf("\nMP/s on one thread, and ours / peer:\n");
  for (const char* task : {"Blur", "Edges", "Gauss1", "Gauss2_5", "Gauss10"}) {
    const auto ours = Rates().find(std::string("Ours_") + task);
    if (ours == Rates().end()) continue;
    std::printf("%-9s ours %7.1f", task, ours->second);
    for (const char* peer : {"Vips", "Magick", "Pillow"}) {
      const auto theirs = Rates().find(std::string(peer) + "_" + task);
      if (theirs != Rates().end())
        std::printf("  %s %7.1f (x%.2f)", peer, theirs->second, ours->second / theirs->second);
    }
    std::printf("\n");
  }
}

}  // namespace
}  // namespace calmora

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  calmora::PrintRatios();
  return 0;
}
