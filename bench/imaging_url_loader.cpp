// The I/O component's DownloadURL against curl in one run: 50 MB from a loopback server into
// a memory stream, as LoadFromURL keeps a download, and curl fetching the same into /dev/null.
#include <benchmark/benchmark.h>

#include <chrono>
#include <string>

#include "bench/download_server.h"
#include "bench/peer_runs.h"
#include "imaging/core/base/streams.h"
#include "imaging/io/url_loader.h"

namespace {

using namespace calmora;

constexpr int64_t kDownloadSize = int64_t{50} << 20;

// Each iteration downloads into a new memory stream (grown as the blocks arrive, as a load's
// stream is), then lets curl fetch the same URL; the time is ours, the counters give curl's and
// the ratio.
void BM_LoaderDownloadURLAgainstCurl(benchmark::State& state) {
  static const bench::DownloadServer server;
  LoadWinInet();
  if (server.port == 0 || WinInetHandle == nullptr) {
    state.SkipWithError("no loopback server or internet library");
    return;
  }
  const std::string url = server.Url(kDownloadSize);
  const std::u16string wideUrl(url.begin(), url.end());
  double ours = 0, curl = 0;
  for (auto _ : state) {
    std::string subtype;
    bool loaded = false;
    double seconds = 0;
    {
      TMemoryStream stream;
      const auto start = std::chrono::steady_clock::now();
      loaded = DownloadURL(wideUrl, &stream, u"", u"", u"", {}, nullptr, nullptr, subtype) &&
               stream.GetSize() == kDownloadSize;
      seconds = bench::SecondsSince(start);
    }
    const double peer = bench::TimedRun("curl -s -o /dev/null " + bench::Quoted(url));
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
BENCHMARK(BM_LoaderDownloadURLAgainstCurl)
    ->UseManualTime()
    ->Iterations(10)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
