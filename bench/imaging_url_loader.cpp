// The I/O component's DownloadURL against curl in one run: 50 MB from a loopback server into
// a memory stream, as LoadFromURL keeps a download, and curl fetching the same into /dev/null.
#include <benchmark/benchmark.h>

#include <string>

#include "bench/download_server.h"
#include "bench/peer_runs.h"
#include "imaging/base/streams/streams.h"
#include "imaging/io/acquisition/url_loader.h"

namespace {

using namespace calmora;

constexpr int64_t kDownloadSize = int64_t{50} << 20;

void BM_LoaderDownloadURLAgainstCurl(benchmark::State& state) {
  static const bench::DownloadServer server;
  LoadWinInet();
  if (server.port == 0 || WinInetHandle == nullptr) {
    state.SkipWithError("no loopback server or internet library");
    return;
  }
  const std::string url = server.Url(kDownloadSize);
  const std::u16string wideUrl(url.begin(), url.end());
  bench::TimeDownloadAgainstCurl(state, url, kDownloadSize, [&] {
    // A new stream each time, sized once from the announced length, as a load's stream is.
    TMemoryStream stream;
    std::string subtype;
    return DownloadURL(wideUrl, &stream, u"", u"", u"", {}, nullptr, nullptr, subtype) &&
           stream.GetSize() == kDownloadSize;
  });
}
BENCHMARK(BM_LoaderDownloadURLAgainstCurl)
    ->UseManualTime()
    ->Iterations(10)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
