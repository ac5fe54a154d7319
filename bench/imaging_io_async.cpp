// The I/O component's asynchronous mode: as many components as the machine has cores, each
// loading its own raw-stream file through the registry path on a worker, against the same
// loads one after another on the calling thread, in the same run; the speed-up is reported as
// the counter "speed_up" of the asynchronous run (ideal: the core count).
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "bench/raw_stream_format.h"
#include "imaging/base/streams/streams.h"
#include "imaging/core/bitmap/bitmap.h"
#include "imaging/io/pictavo_io.h"

namespace calmora {
namespace {

const std::string kFolder = std::filesystem::temp_directory_path() / "calmora-bench-io-async";
constexpr int32_t kWidth = 2000;
constexpr int32_t kHeight = 1500;

int32_t Cores() { return std::max(1, static_cast<int32_t>(std::thread::hardware_concurrency())); }

std::u16string Wide(const std::string& text) { return {text.begin(), text.end()}; }

// One file per core, each with its own colour.
const std::vector<std::u16string>& Files() {
  static const std::vector<std::u16string> files = [] {
    std::filesystem::create_directories(kFolder);
    bench::RegisterRawStreamFormat();
    std::vector<std::u16string> names;
    for (int32_t i = 0; i < Cores(); ++i) {
      TPVBitmap image;
      bench::MemoryStored(image);
      image.Allocate(kWidth, kHeight, pv24RGB);
      image.Fill(0x102030u * static_cast<uint32_t>(i + 1));
      const std::string name = kFolder + "/image" + std::to_string(i) + ".rwt";
      TFileStream file(name, fmCreate);
      image.SaveRawToStream(&file);
      names.push_back(Wide(name));
    }
    return names;
  }();
  return files;
}

// The components, each on a caller's bitmap (the asynchronous mode applies to no other).
struct Loaders {
  explicit Loaders(bool async) : bitmaps(Files().size()) {
    for (TPVBitmap& bitmap : bitmaps) bench::MemoryStored(bitmap);
    for (TPVBitmap& bitmap : bitmaps) {
      components.push_back(std::make_unique<TPictavoIO>(nullptr));
      components.back()->SetAttachedBitmap(&bitmap);
      components.back()->SetAsyncModeForTests(async);
    }
  }
  // Every component loads its file; the asynchronous ones are waited for.
  bool LoadAll() {
    for (size_t i = 0; i < components.size(); ++i) components[i]->LoadFromFile(Files()[i]);
    bool loaded = true;
    for (size_t i = 0; i < components.size(); ++i) {
      components[i]->WaitThreads(false);
      loaded = loaded && !components[i]->Aborting && bitmaps[i].GetWidth() == kWidth;
    }
    return loaded;
  }
  std::vector<TPVBitmap> bitmaps;
  std::vector<std::unique_ptr<TPictavoIO>> components;
};

// Seconds per round of the sequential run, for the asynchronous run's ratio.
double SequentialSeconds = 0;

double TimedRounds(benchmark::State& state, bool async) {
  Loaders loaders(async);
  double seconds = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    if (!loaders.LoadAll()) state.SkipWithError("load failed");
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  state.counters["components"] = static_cast<double>(loaders.components.size());
  return state.iterations() > 0 ? seconds / static_cast<double>(state.iterations()) : 0;
}

void BM_SequentialLoads(benchmark::State& state) { SequentialSeconds = TimedRounds(state, false); }
BENCHMARK(BM_SequentialLoads)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_AsyncLoads(benchmark::State& state) {
  const double seconds = TimedRounds(state, true);
  if (seconds > 0 && SequentialSeconds > 0)
    state.counters["speed_up"] = SequentialSeconds / seconds;
}
BENCHMARK(BM_AsyncLoads)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace calmora

BENCHMARK_MAIN();
