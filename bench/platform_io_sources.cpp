// The platform's I/O sources against the tools that do the same job, in one run: a 50 MB
// download from a loopback server against curl, and the 250 frames of a 640 x 480 bgr24 AVI
// one by one against ffmpeg decoding the whole file.
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
#include "platform/avi_frames.h"
#include "platform/internet_download.h"
#include "platform/internet_library.h"
#include "tests/platform/loopback_server_scripts.h"

namespace {

using namespace calmora;

constexpr int64_t kDownloadSize = int64_t{50} << 20;

// A temporary folder with the loopback http server running over it, and a 640 x 480 bgr24
// AVI of 250 frames made by ffmpeg; both go with the object.
struct Fixture {
  std::string folder;
  pid_t server = 0;
  int port = 0;
  bool aviReady = false;

  Fixture() {
    char pattern[] = "/tmp/calmora-bench-XXXXXX";
    if (mkdtemp(pattern) == nullptr) return;
    folder = pattern;
    std::ofstream(File("server.py")) << test::kHttpServerScript;
    FILE* started = popen((std::string(test::kPython) + " " + bench::Quoted(File("server.py")) + " " +
                           bench::Quoted(folder) + " 900 >/dev/null 2>&1 & echo $!")
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
    aviReady = bench::TimedRun("ffmpeg -v error -y -f lavfi -i testsrc=size=640x480:rate=25 -frames:v 250 "
                               "-c:v rawvideo -pix_fmt bgr24 " + bench::Quoted(File("t.avi"))) >= 0;
  }
  ~Fixture() {
    if (server > 0) kill(server, SIGTERM);
    if (!folder.empty()) bench::TimedRun("rm -rf " + bench::Quoted(folder));
  }
  std::string File(const std::string& name) const { return folder + "/" + name; }
  std::string Url() const {
    return "http://127.0.0.1:" + std::to_string(port) + "/whole?n=" + std::to_string(kDownloadSize);
  }
};

const Fixture& Shared() {
  static const Fixture fixture;
  return fixture;
}

// Into memory, as the image loader keeps a download: one buffer, grown once.
void BM_DownloadURL(benchmark::State& state) {
  const Fixture& fixture = Shared();
  static void* const library = platform::LoadInternetLibrary();
  if (fixture.port == 0 || library == nullptr) {
    state.SkipWithError("no loopback server or internet library");
    return;
  }
  std::vector<uint8_t> memory;
  memory.reserve(static_cast<size_t>(kDownloadSize));
  for (auto _ : state) {
    memory.clear();
    platform::DownloadHandlers handlers;
    handlers.WriteBytes = [&](const uint8_t* data, size_t size) {
      memory.insert(memory.end(), data, data + size);
      return true;
    };
    if (!platform::DownloadURL(fixture.Url(), {}, handlers).Success) {
      state.SkipWithError("the download failed");
      return;
    }
  }
  state.SetBytesProcessed(state.iterations() * kDownloadSize);
}
BENCHMARK(BM_DownloadURL)->UseRealTime()->Iterations(8)->Unit(benchmark::kMillisecond);

void BM_CurlCommand(benchmark::State& state) {
  const Fixture& fixture = Shared();
  for (auto _ : state) {
    const double seconds = bench::TimedRun("curl -s -o /dev/null " + bench::Quoted(fixture.Url()));
    if (seconds < 0) {
      state.SkipWithError("curl failed");
      return;
    }
    state.SetIterationTime(seconds);
  }
  state.SetBytesProcessed(state.iterations() * kDownloadSize);
}
BENCHMARK(BM_CurlCommand)->UseManualTime()->Iterations(8)->Unit(benchmark::kMillisecond);

void BM_AviFramesOneByOne(benchmark::State& state) {
  const Fixture& fixture = Shared();
  if (!fixture.aviReady) {
    state.SkipWithError("no test AVI (ffmpeg missing?)");
    return;
  }
  std::vector<uint8_t> dib;
  std::string reason;
  for (auto _ : state) {
    const auto reader = platform::AviFrameReader::Open(fixture.File("t.avi"), reason);
    for (uint32_t index = 0; reader && index < 250; ++index)
      if (!reader->ReadFrame(index, dib, reason)) break;
    if (!reader || !reason.empty()) {
      state.SkipWithError(reason.c_str());
      return;
    }
    benchmark::DoNotOptimize(dib.data());
  }
}
BENCHMARK(BM_AviFramesOneByOne)->UseRealTime()->Iterations(8)->Unit(benchmark::kMillisecond);

void BM_FfmpegAviDecode(benchmark::State& state) {
  const Fixture& fixture = Shared();
  for (auto _ : state) {
    const double seconds =
        bench::TimedRun("ffmpeg -v error -i " + bench::Quoted(fixture.File("t.avi")) + " -f rawvideo -y /dev/null");
    if (seconds < 0) {
      state.SkipWithError("ffmpeg failed");
      return;
    }
    state.SetIterationTime(seconds);
  }
}
BENCHMARK(BM_FfmpegAviDecode)->UseManualTime()->Iterations(8)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
