// The processing component on a 6000 x 4000 pv24RGB image: undo snapshots against plain file
// writes and reads of the same bytes, operations through the component against the routines
// it calls, and the crop against memcpy and libvips (one thread, less a copy of the result).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/peer_runs.h"
#include "imaging/base/defs.h"
#include "imaging/core/mask/mask.h"
#include "imaging/core/bitmap/temp_file_store.h"
#include "imaging/proc/colors/color_reduction.h"
#include "imaging/proc/component/pictavo_proc.h"
#include "imaging/proc/rotate/rotation.h"

namespace calmora {
namespace {

constexpr int32_t kWidth = 6000;
constexpr int32_t kHeight = 4000;
constexpr int64_t kRowBytes = int64_t{kWidth} * 3;

// A memory bitmap of a varied pattern, every page touched.
void MakeImage(TPVBitmap& bitmap) {
  bitmap.Location = pvMemory;
  bitmap.FileThreshold = INT64_MAX;
  bitmap.Allocate(kWidth, kHeight, pv24RGB);
  for (int32_t y = 0; y < bitmap.GetHeight(); ++y) {
    uint8_t* row = bitmap.GetScanline(y);
    for (int64_t i = 0; i < kRowBytes; ++i) row[i] = static_cast<uint8_t>(i * 7 + y * 13);
  }
}

const TPVBitmap& Master() {
  static TPVBitmap master;
  if (master.IsEmpty()) MakeImage(master);
  return master;
}

// A fresh copy of the master image into a memory bitmap, outside the timed part.
void Restore(benchmark::State& state, TPVBitmap& bitmap) {
  state.PauseTiming();
  bitmap.Location = pvMemory;
  bitmap.FileThreshold = INT64_MAX;
  bitmap.Assign(const_cast<TPVBitmap*>(&Master()));
  state.ResumeTiming();
}

// ---- Undo snapshots against the file transfers they amount to ----

void BM_SaveUndoImage(benchmark::State& state) {
  TPVBitmap image;
  MakeImage(image);
  TPictavoProc proc(nullptr);
  proc.AttachBitmap(&image);
  for (auto _ : state) {
    proc.SaveUndo(pvuImage);  // the limit of 1 frees the last snapshot first
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * kRowBytes * kHeight);
}

// An unlinked file in the folder the bitmap's store uses, as the store makes one.
int OpenScratchFile() {
  std::string name = FileBufferFolder();
  if (!name.empty() && name.back() != '/') name += '/';
  name += "BENCH-XXXXXX";
  const int fd = mkstemp(name.data());
  if (fd >= 0) unlink(name.c_str());
  return fd;
}

void BM_WriteFileOfTheSameBytes(benchmark::State& state) {
  TPVBitmap image;
  MakeImage(image);
  for (auto _ : state) {
    const int fd = OpenScratchFile();
    bool written = fd >= 0 && ftruncate(fd, kRowBytes * kHeight) == 0;
    for (int32_t y = 0; written && y < kHeight; ++y)
      written = pwrite(fd, image.GetScanline(y), kRowBytes, y * kRowBytes) == kRowBytes;
    if (fd >= 0) close(fd);
    if (!written) state.SkipWithError("the file could not be written");
  }
  state.SetBytesProcessed(state.iterations() * kRowBytes * kHeight);
}

void BM_UndoAtImage(benchmark::State& state) {
  TPVBitmap image;
  MakeImage(image);
  TPictavoProc proc(nullptr);
  proc.AttachBitmap(&image);
  proc.SaveUndo(pvuImage);
  for (auto _ : state) {
    proc.UndoAt(0, false);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * kRowBytes * kHeight);
}

void BM_ReadFileOfTheSameBytes(benchmark::State& state) {
  TPVBitmap image;
  MakeImage(image);
  const int fd = OpenScratchFile();
  bool ready = fd >= 0;
  for (int32_t y = 0; ready && y < kHeight; ++y)
    ready = pwrite(fd, image.GetScanline(y), kRowBytes, y * kRowBytes) == kRowBytes;
  for (auto _ : state) {
    bool read = ready;
    for (int32_t y = 0; read && y < kHeight; ++y)
      read = pread(fd, image.GetScanline(y), kRowBytes, y * kRowBytes) == kRowBytes;
    if (!read) state.SkipWithError("the file could not be read");
    benchmark::ClobberMemory();
  }
  if (fd >= 0) close(fd);
  state.SetBytesProcessed(state.iterations() * kRowBytes * kHeight);
}

// ---- Operations through the component against the routines they call ----

enum class Way { Component, Direct };

void BM_Rotate90(benchmark::State& state, Way way) {
  TPVBitmap image;
  MakeImage(image);
  TPictavoProc proc(nullptr);
  proc.AttachBitmap(&image);
  for (auto _ : state) {
    if (way == Way::Component)
      proc.Rotate(90, false, 0, 0);
    else
      RotateToBoundingBox(image, 0, nullptr, nullptr, 90);
    benchmark::ClobberMemory();
  }
}

// The centre quarter: half the width and half the height.
constexpr int32_t kCropLeft = kWidth / 4, kCropTop = kHeight / 4;
constexpr int32_t kCropWidth = kWidth / 2, kCropHeight = kHeight / 2;

void BM_CropCentreQuarter(benchmark::State& state, Way way) {
  TPVBitmap image;
  TPictavoProc proc(nullptr);
  proc.AttachBitmap(&image);
  for (auto _ : state) {
    Restore(state, image);
    if (way == Way::Component) {
      proc.Crop(kCropLeft, kCropTop, kCropLeft + kCropWidth - 1, kCropTop + kCropHeight - 1);
    } else {
      // What the component does: the old pixels aside, the kept ones copied once.
      TPVBitmap old;
      image.MoveStorageTo(old);
      image.Allocate(kCropWidth, kCropHeight, pv24RGB);
      old.CopyRectTo(image, kCropLeft, kCropTop, 0, 0, kCropWidth, kCropHeight);
    }
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * int64_t{kCropWidth} * 3 * kCropHeight);
}

void BM_MemcpyOfTheCropsBytes(benchmark::State& state) {
  const size_t bytes = static_cast<size_t>(kCropWidth) * 3 * kCropHeight;
  const std::vector<uint8_t> source(bytes, 7);
  std::vector<uint8_t> target(bytes, 1);
  for (auto _ : state) {
    std::memcpy(target.data(), source.data(), bytes);
    benchmark::DoNotOptimize(target.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes));
}

void BM_ConvertToGray(benchmark::State& state, Way way) {
  TPVBitmap image;
  TPictavoProc proc(nullptr);
  proc.AttachBitmap(&image);
  for (auto _ : state) {
    Restore(state, image);
    if (way == Way::Component)
      proc.ConvertToGray();
    else
      ConvertRectToGray(image, 0, 0, kWidth, kHeight, nullptr, nullptr);
    benchmark::ClobberMemory();
  }
}

// A component whose selection is the left half of the image, as an attached view would give.
class HalfSelection : public TPictavoProc {
 public:
  HalfSelection() : TPictavoProc(nullptr) {
    mask_.Allocate(kWidth, kHeight, 1);
    for (int32_t y = 0; y < kHeight; ++y) mask_.FillSpan(1, 0, kWidth / 2 - 1, y);
    mask_.RecomputeBox();
  }
  bool GetSelectionInfo(int32_t& X1, int32_t& Y1, int32_t& X2, int32_t& Y2, const TPoint*&,
                        int32_t& PolyCount, TPVMask*& Mask) override {
    X1 = mask_.BoxLeft;
    Y1 = mask_.BoxTop;
    X2 = mask_.BoxRight + 1;
    Y2 = mask_.BoxBottom + 1;
    PolyCount = 0;
    Mask = &mask_;
    return true;
  }

 private:
  TPVMask mask_;
};

void BM_ConvertToGrayOfHalfSelected(benchmark::State& state) {
  TPVBitmap image;
  HalfSelection proc;
  proc.AttachBitmap(&image);
  for (auto _ : state) {
    Restore(state, image);
    proc.ConvertToGray();
    benchmark::ClobberMemory();
  }
}

// ---- libvips, one thread ----

class VipsPeer {
 public:
  VipsPeer() {
    char folder[] = "/tmp/calmora-bench-proc-XXXXXX";
    if (mkdtemp(folder) == nullptr) return;
    folder_ = folder;
    TPVBitmap image;
    MakeImage(image);
    ready_ = bench::SavePPM(image, File("source.ppm")) &&
             Run("vips copy " + File("source.ppm") + " " + File("source.v")) == 0 &&
             Run("vips extract_area " + File("source.v") + " " + File("result.v") + " 0 0 " +
                 std::to_string(kCropWidth) + " " + std::to_string(kCropHeight)) == 0;
  }
  ~VipsPeer() {
    if (!folder_.empty()) std::filesystem::remove_all(folder_);
  }
  bool Ready() const { return ready_; }
  std::string File(const std::string& name) const { return folder_ + "/" + name; }
  int Run(const std::string& command) const {
    const int status = std::system((command + " --vips-concurrency=1 >/dev/null 2>&1").c_str());
    return status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  std::string folder_;
  bool ready_ = false;
};

// The extraction's time less that of copying an image of the result's size, so the program's
// start and the file's writing drop out.
void BM_VipsExtractArea(benchmark::State& state) {
  static const VipsPeer peer;
  if (!peer.Ready()) {
    state.SkipWithError("vips could not read the source (is libvips-tools installed?)");
    return;
  }
  const std::string extract = "vips extract_area " + peer.File("source.v") + " " +
                              peer.File("out.v") + " " + std::to_string(kCropLeft) + " " +
                              std::to_string(kCropTop) + " " + std::to_string(kCropWidth) + " " +
                              std::to_string(kCropHeight);
  const std::string copy = "vips copy " + peer.File("result.v") + " " + peer.File("copy.v");
  const auto seconds = [&](const std::string& command, bool& failed) {
    const auto start = std::chrono::steady_clock::now();
    failed = failed || peer.Run(command) != 0;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  };
  double whole = 0, base = 0;
  for (auto _ : state) {
    bool failed = false;
    const double a = seconds(extract, failed), b = seconds(copy, failed);
    if (failed) {
      state.SkipWithError("a vips command failed");
      break;
    }
    whole += a;
    base += b;
    state.SetIterationTime(a > b ? a - b : 0);
  }
  if (state.iterations() > 0) {
    state.counters["whole_ms"] = whole / static_cast<double>(state.iterations()) * 1000;
    state.counters["copy_ms"] = base / static_cast<double>(state.iterations()) * 1000;
  }
}

BENCHMARK(BM_SaveUndoImage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteFileOfTheSameBytes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UndoAtImage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadFileOfTheSameBytes)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Rotate90, Component, Way::Component)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Rotate90, Direct, Way::Direct)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_CropCentreQuarter, Component, Way::Component)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_CropCentreQuarter, Direct, Way::Direct)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemcpyOfTheCropsBytes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_VipsExtractArea)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
BENCHMARK_CAPTURE(BM_ConvertToGray, Component, Way::Component)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ConvertToGray, Direct, Way::Direct)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConvertToGrayOfHalfSelected)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace calmora

BENCHMARK_MAIN();
