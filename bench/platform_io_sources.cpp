// The platform's I/O sources against the tools that do the same job, in one run: a 50 MB
// download from a loopback server against curl, and the 250 frames of a 640 x 480 bgr24 AVI
// one by one (as DIBs from the platform, and into the I/O component's working bitmap) against
// ffmpeg decoding the whole file.
#include <benchmark/benchmark.h>

#include <chrono>
#include <string>
#include <vector>

#include "bench/download_server.h"
#include "bench/peer_runs.h"
#include "imaging/io/pictavo_io.h"
#include "platform/avi_frames.h"
#include "platform/internet_download.h"
#include "platform/internet_library.h"

namespace {

using namespace calmora;

constexpr int64_t kDownloadSize = int64_t{50} << 20;

// The loopback http server's folder also holds a 640 x 480 bgr24 AVI of 250 frames made by
// ffmpeg on first use (after the downloads, so that writing it out does not disturb them).
struct Fixture : bench::DownloadServer {
  std::string Url() const { return DownloadServer::Url(kDownloadSize); }
  bool MakeAvi() const {
    static const bool made =
        bench::TimedRun(
            "ffmpeg -v error -y -f lavfi -i testsrc=size=640x480:rate=25 -frames:v 250 "
            "-c:v rawvideo -pix_fmt bgr24 " +
            bench::Quoted(File("t.avi")) + " && sync") >= 0;
    return made;
  }
};

const Fixture& Shared() {
  static const Fixture fixture;
  return fixture;
}

// Each iteration downloads into memory, as the image loader keeps a download (one buffer,
// grown once), then lets curl fetch the same URL into /dev/null; the time is ours, the
// counters give curl's and the ratio.
void BM_DownloadURLAgainstCurl(benchmark::State& state) {
  const Fixture& fixture = Shared();
  static void* const library = platform::LoadInternetLibrary();
  if (fixture.port == 0 || library == nullptr) {
    state.SkipWithError("no loopback server or internet library");
    return;
  }
  std::vector<uint8_t> memory;
  memory.reserve(static_cast<size_t>(kDownloadSize));
  bench::TimeDownloadAgainstCurl(state, fixture.Url(), kDownloadSize, [&] {
    memory.clear();
    platform::DownloadHandlers handlers;
    handlers.WriteBytes = [&](const uint8_t* data, size_t size) {
      memory.insert(memory.end(), data, data + size);
      return true;
    };
    return platform::DownloadURL(fixture.Url(), {}, handlers).Success;
  });
}
BENCHMARK(BM_DownloadURLAgainstCurl)
    ->UseManualTime()
    ->Iterations(10)
    ->Unit(benchmark::kMillisecond);

// Each iteration runs readFrames (frames 0-249 of the AVI one by one; false, with reason, when
// one fails), then lets ffmpeg decode the whole file to nowhere.
template <typename ReadFrames>
void AviFramesAgainstFfmpeg(benchmark::State& state, ReadFrames readFrames) {
  const Fixture& fixture = Shared();
  if (!fixture.MakeAvi()) {
    state.SkipWithError("no test AVI (ffmpeg missing?)");
    return;
  }
  std::string reason;
  double ours = 0, ffmpeg = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    const bool read = readFrames(fixture.File("t.avi"), reason);
    const double seconds = bench::SecondsSince(start);
    const double peer = bench::TimedRun(
        "ffmpeg -v error -i " + bench::Quoted(fixture.File("t.avi")) + " -f rawvideo -y /dev/null");
    if (!read || peer < 0) {
      state.SkipWithError(read ? "ffmpeg failed" : reason.c_str());
      return;
    }
    ours += seconds;
    ffmpeg += peer;
    state.SetIterationTime(seconds);
  }
  state.counters["ffmpeg_ms"] = 1000 * ffmpeg / static_cast<double>(state.iterations());
  state.counters["ratio"] = ours / ffmpeg;
}

// The platform's frame reader alone: each frame as a packed DIB.
void BM_AviFramesAgainstFfmpeg(benchmark::State& state) {
  std::vector<uint8_t> dib;
  AviFramesAgainstFfmpeg(state, [&dib](const std::string& file, std::string& reason) {
    const auto reader = platform::AviFrameReader::Open(file, reason);
    for (uint32_t index = 0; reader && index < 250; ++index)
      if (!reader->ReadFrame(index, dib, reason)) return false;
    benchmark::DoNotOptimize(dib.data());
    return reader != nullptr;
  });
}
BENCHMARK(BM_AviFramesAgainstFfmpeg)
    ->UseManualTime()
    ->Iterations(10)
    ->Unit(benchmark::kMillisecond);

// Through the I/O component: each frame into its working bitmap, as an application loads them.
void BM_ComponentAviFramesAgainstFfmpeg(benchmark::State& state) {
  TPictavoIO io(nullptr);
  AviFramesAgainstFfmpeg(state, [&io](const std::string& file, std::string& reason) {
    if (io.OpenAVIFile(std::u16string(file.begin(), file.end())) != 250) {
      reason = "the component could not open the AVI";
      return false;
    }
    for (uint32_t index = 0; index < 250; ++index) {
      io.LoadFromAVI(index);
      if (io.Aborting) {
        reason = "the component could not load frame " + std::to_string(index);
        return false;
      }
    }
    benchmark::DoNotOptimize(io.GetWorkBitmap()->GetScanline(0));
    io.CloseAVIFile();
    return true;
  });
}
BENCHMARK(BM_ComponentAviFramesAgainstFfmpeg)
    ->UseManualTime()
    ->Iterations(10)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
