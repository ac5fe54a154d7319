// FindFileFormat on 10,000 small files, one thread, beside libmagic's magic_file (the library
// of `file --mime-type`, its database loaded once) on the same files: known files (copies of the
// detection seeds) and unknown ones (random bytes) apart, because the camera raw decoder's
// identification runs on every file nothing else recognised. Then FindStreamFormat on unknown
// 64 KB content in memory while the caller holds 0 or 2 GB of touched memory (the camera raw
// identification must cost the same whatever the caller's size), beside magic_buffer.
#include <benchmark/benchmark.h>
#include <magic.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "imaging/base/streams/streams.h"
#include "imaging/io/formats/file_formats.h"
#include "imaging/io/formats/format_detection.h"

namespace calmora {
namespace {

constexpr int kFilesPerSet = 5000;

struct TFileSets {
  std::filesystem::path Folder;
  std::vector<std::string> Known, Unknown;

  TFileSets() {
    Folder = std::filesystem::temp_directory_path() / "calmora-bench-detection";
    std::filesystem::remove_all(Folder);
    std::filesystem::create_directories(Folder);
    std::vector<std::filesystem::path> seeds;
    for (const auto& entry : std::filesystem::directory_iterator(CALMORA_DETECTION_SEEDS))
      seeds.push_back(entry.path());
    std::sort(seeds.begin(), seeds.end());
    for (int i = 0; i < kFilesPerSet; ++i) {
      const std::filesystem::path& seed = seeds[i % seeds.size()];
      const std::filesystem::path copy =
          Folder / ("known" + std::to_string(i) + seed.extension().string());
      std::filesystem::copy_file(seed, copy);
      Known.push_back(copy.string());
    }
    std::mt19937 random(5);
    for (int i = 0; i < kFilesPerSet; ++i) {
      std::string bytes(64 + random() % 4000, '\0');
      for (char& c : bytes) c = static_cast<char>(random());
      const std::filesystem::path file = Folder / ("unknown" + std::to_string(i) + ".bin");
      std::ofstream(file, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
      Unknown.push_back(file.string());
    }
  }
  ~TFileSets() { std::filesystem::remove_all(Folder); }
};

const TFileSets& FileSets() {
  static const TFileSets sets;
  return sets;
}

std::vector<std::u16string> WideNames(const std::vector<std::string>& names) {
  std::vector<std::u16string> wide;
  for (const std::string& name : names) wide.emplace_back(name.begin(), name.end());
  return wide;
}

void RunFindFileFormat(benchmark::State& state, const std::vector<std::string>& files) {
  BuildFileFormatRegistry();
  const std::vector<std::u16string> names = WideNames(files);
  int64_t recognised = 0;
  for (auto _ : state) {
    recognised = 0;
    for (const std::u16string& name : names) recognised += FindFileFormat(name, false) != 0;
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(names.size()));
  state.counters["recognised"] = static_cast<double>(recognised);
  FreeFileFormatRegistry();
}

void RunMagic(benchmark::State& state, const std::vector<std::string>& files) {
  magic_t cookie = magic_open(MAGIC_MIME_TYPE);
  if (cookie == nullptr || magic_load(cookie, nullptr) != 0) {
    state.SkipWithError("libmagic's database does not load");
    return;
  }
  int64_t recognised = 0;
  for (auto _ : state) {
    recognised = 0;
    for (const std::string& name : files) {
      const char* type = magic_file(cookie, name.c_str());
      recognised += type != nullptr && std::string(type) != "application/octet-stream";
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(files.size()));
  state.counters["recognised"] = static_cast<double>(recognised);
  magic_close(cookie);
}

void BM_FindFileFormatKnown(benchmark::State& state) { RunFindFileFormat(state, FileSets().Known); }
void BM_MagicFileKnown(benchmark::State& state) { RunMagic(state, FileSets().Known); }
void BM_FindFileFormatUnknown(benchmark::State& state) { RunFindFileFormat(state, FileSets().Unknown); }
void BM_MagicFileUnknown(benchmark::State& state) { RunMagic(state, FileSets().Unknown); }

constexpr int kUnknownContents = 64;
constexpr size_t kUnknownContentBytes = 65536;

std::vector<std::string> UnknownContents() {
  std::mt19937 random(9);
  std::vector<std::string> contents(kUnknownContents, std::string(kUnknownContentBytes, '\0'));
  for (std::string& content : contents)
    for (char& c : content) c = static_cast<char>(random());
  return contents;
}

// Memory the caller holds while it detects: megabytes written once, so every page is resident.
std::unique_ptr<char[]> HoldResident(int64_t megabytes) {
  const auto bytes = static_cast<size_t>(megabytes) << 20;
  std::unique_ptr<char[]> held(new char[bytes > 0 ? bytes : 1]);
  std::memset(held.get(), 1, bytes);
  benchmark::DoNotOptimize(held.get());
  return held;
}

void BM_FindStreamFormatUnknown64KB(benchmark::State& state) {
  BuildFileFormatRegistry();
  const std::vector<std::string> contents = UnknownContents();
  const std::unique_ptr<char[]> held = HoldResident(state.range(0));
  int64_t recognised = 0, calls = 0;
  for (auto _ : state) {
    const std::string& content = contents[static_cast<size_t>(calls++ % kUnknownContents)];
    TPVMemStream stream(content.data(), static_cast<int64_t>(content.size()));
    recognised += FindStreamFormat(&stream) != 0;
  }
  state.SetItemsProcessed(calls);
  state.counters["recognised"] = static_cast<double>(recognised);
  FreeFileFormatRegistry();
}

void BM_MagicBufferUnknown64KB(benchmark::State& state) {
  magic_t cookie = magic_open(MAGIC_MIME_TYPE);
  if (cookie == nullptr || magic_load(cookie, nullptr) != 0) {
    state.SkipWithError("libmagic's database does not load");
    return;
  }
  const std::vector<std::string> contents = UnknownContents();
  const std::unique_ptr<char[]> held = HoldResident(state.range(0));
  int64_t recognised = 0, calls = 0;
  for (auto _ : state) {
    const std::string& content = contents[static_cast<size_t>(calls++ % kUnknownContents)];
    const char* type = magic_buffer(cookie, content.data(), content.size());
    recognised += type != nullptr && std::string(type) != "application/octet-stream";
  }
  state.SetItemsProcessed(calls);
  state.counters["recognised"] = static_cast<double>(recognised);
  magic_close(cookie);
}

BENCHMARK(BM_FindFileFormatKnown)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MagicFileKnown)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindFileFormatUnknown)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MagicFileUnknown)->Unit(benchmark::kMillisecond);
// The argument: megabytes the caller holds resident while it detects.
BENCHMARK(BM_FindStreamFormatUnknown64KB)->Arg(0)->Arg(2048)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MagicBufferUnknown64KB)->Arg(0)->Arg(2048)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace calmora

BENCHMARK_MAIN();
