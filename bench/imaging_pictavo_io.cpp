// Benchmarks of the I/O component on a 6000 x 4000 pv24RGB image: LoadFromFile and SaveToFile
// on a registry path serving the raw bitmap stream, against that reader and writer on a plain
// file stream and against a plain read of the file; SaveAsSourceCode kind 2 against base64.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench/raw_stream_format.h"
#include "imaging/base/streams/streams.h"
#include "imaging/core/bitmap/bitmap.h"
#include "imaging/io/formats/file_formats.h"
#include "imaging/io/pictavo_io.h"
#include "imaging/io/load_save/pictavo_io_codecs.h"

namespace calmora {
namespace {

const std::string kFolder = std::filesystem::temp_directory_path() / "calmora-bench-io";
const std::string kRawFile = kFolder + "/image.rwt";

using bench::MemoryStored;

// The registry with the raw stream as an outside format, and the image saved once.
void SetUpOnce() {
  static bool done = false;
  if (done) return;
  done = true;
  std::filesystem::create_directories(kFolder);
  bench::RegisterRawStreamFormat();
  TPVBitmap image;
  MemoryStored(image);
  image.Allocate(6000, 4000, pv24RGB);
  image.Fill(0x336699);
  TFileStream file(kRawFile, fmCreate);
  image.SaveRawToStream(&file);
}

std::u16string Wide(const std::string& text) { return {text.begin(), text.end()}; }

void BM_ComponentLoadFromFile(benchmark::State& state) {
  SetUpOnce();
  TPictavoIO io(nullptr);
  MemoryStored(*io.GetWorkBitmap());
  for (auto _ : state) {
    io.LoadFromFile(Wide(kRawFile));
    if (io.Aborting) state.SkipWithError("load failed");
  }
}
BENCHMARK(BM_ComponentLoadFromFile)->Unit(benchmark::kMillisecond);

void BM_RawReaderOnFileStream(benchmark::State& state) {
  SetUpOnce();
  TPVBitmap bitmap;
  MemoryStored(bitmap);
  for (auto _ : state) {
    TFileStream file(kRawFile, fmOpenRead | fmShareDenyWrite);
    if (!bitmap.LoadRawFromStream(&file)) state.SkipWithError("load failed");
  }
}
BENCHMARK(BM_RawReaderOnFileStream)->Unit(benchmark::kMillisecond);

void BM_PlainFileRead(benchmark::State& state) {
  SetUpOnce();
  std::vector<char> buffer(static_cast<size_t>(std::filesystem::file_size(kRawFile)));
  for (auto _ : state) {
    const int fd = open(kRawFile.c_str(), O_RDONLY);
    size_t done = 0;
    while (done < buffer.size()) {
      const ssize_t got = read(fd, buffer.data() + done, buffer.size() - done);
      if (got <= 0) break;
      done += static_cast<size_t>(got);
    }
    close(fd);
    benchmark::DoNotOptimize(buffer.data());
  }
}
BENCHMARK(BM_PlainFileRead)->Unit(benchmark::kMillisecond);

void BM_ComponentSaveToFile(benchmark::State& state) {
  SetUpOnce();
  TPictavoIO io(nullptr);
  MemoryStored(*io.GetWorkBitmap());
  io.LoadFromFile(Wide(kRawFile));
  for (auto _ : state) {
    io.SaveToFile(Wide(kFolder + "/out.rwt"));
    if (io.Aborting) state.SkipWithError("save failed");
  }
}
BENCHMARK(BM_ComponentSaveToFile)->Unit(benchmark::kMillisecond);

void BM_RawWriterOnFileStream(benchmark::State& state) {
  SetUpOnce();
  TPVBitmap bitmap;
  MemoryStored(bitmap);
  {
    TFileStream file(kRawFile, fmOpenRead | fmShareDenyWrite);
    bitmap.LoadRawFromStream(&file);
  }
  for (auto _ : state) {
    TFileStream file(kFolder + "/plain.rwt", fmCreate);
    if (!bitmap.SaveRawToStream(&file)) state.SkipWithError("save failed");
  }
}
BENCHMARK(BM_RawWriterOnFileStream)->Unit(benchmark::kMillisecond);

// The encoding is the raw stream served as a built-in writer for this run.
void RawAsBMPWriter(TStream& Stream, TPVBitmap& Bitmap, TIOParamsVals&, TPVProgressRecord&,
                    const TPVMask*) {
  Bitmap.SaveRawToStream(&Stream);
}

void BM_SourceCodeBase64(benchmark::State& state) {
  SetUpOnce();
  const TPVCodecEntry saved = CodecTable[kFormatBMP];
  CodecTable[kFormatBMP] = {nullptr, RawAsBMPWriter};
  TPictavoIO io(nullptr);
  MemoryStored(*io.GetWorkBitmap());
  io.LoadFromFile(Wide(kRawFile));
  for (auto _ : state) io.SaveAsSourceCode(Wide(kFolder + "/source.txt"), kFormatBMP, 2);
  CodecTable[kFormatBMP] = saved;
}
BENCHMARK(BM_SourceCodeBase64)->Unit(benchmark::kMillisecond);

void BM_PeerBase64Tool(benchmark::State& state) {
  SetUpOnce();
  const std::string command = "base64 -w 76 '" + kRawFile + "' > '" + kFolder + "/peer.txt'";
  for (auto _ : state)
    if (std::system(command.c_str()) != 0) state.SkipWithError("base64 failed");
}
BENCHMARK(BM_PeerBase64Tool)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace calmora

BENCHMARK_MAIN();
