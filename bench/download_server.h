// The loopback http server the download benchmarks fetch from, started over a temporary folder
// of its own; the server and the folder go with the object.
#pragma once

#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <fstream>
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

}  // namespace calmora::bench
