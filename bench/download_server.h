// The loopback http server the download benchmarks fetch from, started over a temporary folder
// of its own; the server and the folder go with the object.
#pragma once

#include <benchmark/benchmark.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#include "bench/peer_runs.h"
#include "tests/platform/loopback_server_scripts.h"

namespace calmora::bench {

struct DownloadServer {
  std::string folder;
  pid_t server = 0;
  int port = 0;  // 0 when the server did not start

  DownloadServer() {
    char pattern[] = "/tmp/calmora-bench-XXXXXX";
    if (mkdtemp(pattern) == nullptr) return;
    folder = pattern;
    std::ofstream(File("server.py")) << test::kHttpServerScript;
    FILE* started = popen((std::string(test::kPython) + " " + Quoted(File("server.py")) + " " +
                           Quoted(folder) + " 900 >/dev/null 2>&1 & echo $!")
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
  ~DownloadServer() {
    if (server > 0) kill(server, SIGTERM);
    if (!folder.empty()) TimedRun("rm -rf " + Quoted(folder));
  }
  DownloadServer(const DownloadServer&) = delete;
  DownloadServer& operator=(const DownloadServer&) = delete;

  std::string File(const std::string& name) const { return folder + "/" + name; }
  // The address of a body of size bytes, sent with its length.
  std::string Url(int64_t size) const {
    return "http://127.0.0.1:" + std::to_string(port) + "/whole?n=" + std::to_string(size);
  }
};

inline double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Each iteration times download (true when every byte of the size bytes at url arrived), then
// lets curl fetch the same url into /dev/null; the time is ours, the counters give curl's and
// the ratio.
inline void TimeDownloadAgainstCurl(benchmark::State& state, const std::string& url, int64_t size,
                                    const std::function<bool()>& download) {
  double ours = 0, curl = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    const bool loaded = download();
    const double seconds = SecondsSince(start);
    const double peer = TimedRun("curl -s -o /dev/null " + Quoted(url));
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
  state.SetBytesProcessed(state.iterations() * size);
}

}  // namespace calmora::bench
