// The platform's I/O sources against the tools that do the same job, in one run: a 50 MB
// download from a loopback server against curl, and the 250 frames of a 640 x 480 bgr24 AVI
// one by one (as DIBs from the platform, and into the I/O component's working bitmap) against
// ffmpeg decoding the whole file.
#include <benchmark/benchmark.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/peer_runs.h"
#include "imaging/io/pictavo_io.h"
#include "platform/avi_frames.h"
#include "platform/internet_download.h"
#include "platform/internet_library.h"
#include "tests/platform/loopback_server_scripts.h"

namespace {

using namespace calmora;

constexpr int64_t kDownloadSize = int64_t{50} << 20;

// A temporary folder with the loopback http server running over it; a 640 x 480 bgr24 AVI of
// 250 frames made by ffmpeg on first use (after the downloads, so that writing it out does not
// disturb them). All goes with the object.
struct Fixture {
  std::string folder;
  pid_t server = 0;
  int port = 0;

  Fixture() {
    char pattern[] = "/tmp/calmora-bench-XXXXXX";
    if (mkdtemp(pattern) == nullptr) return;
    folder = pattern;
    std::ofstream(File("server.py")) << test::kHttpServerScript;
    FILE* started = popen((std::string(test::kPython) + " " + bench::Quoted(File("server.py")) +
                           " " + bench::Quoted(folder) + " 900 >/dev/null 2>&1 & echo $!")
                              .c_str(),
                          "r");
    if (started != nullptr) {
      if (fscanf(started, "%d", &server) != 1) server = 0;
      pclose(started);
    }
    for (int attempt = 0; attempt < 500 && port == 0; ++attempt) {
      std::ifstream(File("port")) >> port;
      if (port == 0) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }
  ~Fixture() {
    if (server > 0) kill(server, SIGTERM);
    if (!folder.empty()) bench::TimedRun("rm -rf " + bench::Quoted(folder));
  }
  std::string File(const std::string& name) const { return folder + "/" + name; }
  std::string Url() const {
    return "http://127.0.0.1:" + std::to_string(port) + "/whole?n=" + std::to_string(kDownloadSize);
  }
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

double Seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
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
  double ours = 0, curl = 0;
  for (auto _ : state) {
    memory.clear();
    platform::DownloadHandlers handlers;
    handlers.WriteBytes = [&](const uint8_t* data, size_t size) {
      memory.insert(memory.end(), data, data + size);
      return true;
    };
    const auto start = std::chrono::steady_clock::now();
    const bool loaded = platform::DownloadURL(fixture.Url(), {}, handlers).Success;
    const double seconds = Seconds(start);
    const double peer = bench::TimedRun("curl -s -o /dev/null " + bench::Quoted(fixture.Url()));
    if (!loaded || peer < 0) {
      state.SkipWithError("a download failed");
      return;
    }
    ours += seconds;
    curl += peer;
    state.SetIterationTime(seconds);
  }
  state.counters["curl_ms"] = 1000 * curl / static_cast<double>(state.iterations());
  state.counters["ratio"] = ours / curl;
  state.SetBytesProcessed(state.iterations() * kDownloadSize);
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
    const double seconds = Seconds(start);
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
