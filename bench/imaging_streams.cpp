// Speed of the buffered read stream against a direct pread loop over the same file, and the
// throughput of the ASCII85, PackBits and base64 encoders.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "imaging/base/encoders.h"
#include "imaging/base/streams/streams.h"

namespace calmora {
namespace {

constexpr int64_t FileBytes = 16 << 20;
constexpr int32_t BufferBytes = 8192;

std::vector<uint8_t> RandomBytes(size_t n, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<uint8_t> bytes(n);
  for (auto& b : bytes) b = static_cast<uint8_t>(random());
  return bytes;
}

// One scratch file for the whole run, removed at exit.
class ScratchFile {
 public:
  ScratchFile() {
    std::string pattern = (std::filesystem::temp_directory_path() / "calmora-bench-XXXXXX").string();
    int fd = mkstemp(pattern.data());
    if (fd < 0) std::abort();
    ::close(fd);
    path_ = pattern;
    std::vector<uint8_t> bytes = RandomBytes(FileBytes, 1);
    std::ofstream(path_, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  ~ScratchFile() { std::filesystem::remove(path_); }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

const std::string& FilePath() {
  static ScratchFile file;
  return file.Path();
}

// The codecs' pattern: one byte per call through the buffered stream.
void BM_BufferedStreamByteReads(benchmark::State& state) {
  TFileStream file(FilePath(), fmOpenRead);
  for (auto _ : state) {
    file.SetPosition(0);
    TPVBufferedReadStream stream(&file, BufferBytes, false);
    uint32_t sum = 0;
    uint8_t b;
    while (stream.Read(&b, 1) == 1) sum += b;
    benchmark::DoNotOptimize(sum);
  }
  state.SetBytesProcessed(state.iterations() * FileBytes);
}
BENCHMARK(BM_BufferedStreamByteReads)->Unit(benchmark::kMillisecond);

// The baseline: pread into a buffer of the same size, bytes taken from it inline.
void BM_PreadLoopByteReads(benchmark::State& state) {
  platform::FileHandle fd = platform::OpenExistingFile(FilePath(), platform::FileAccess::Read);
  std::vector<uint8_t> buffer(BufferBytes);
  for (auto _ : state) {
    uint32_t sum = 0;
    off_t at = 0;
    for (ssize_t got; (got = ::pread(fd, buffer.data(), buffer.size(), at)) > 0; at += got) {
      for (ssize_t i = 0; i < got; ++i) sum += buffer[static_cast<size_t>(i)];
    }
    benchmark::DoNotOptimize(sum);
  }
  platform::CloseFileHandle(fd);
  state.SetBytesProcessed(state.iterations() * FileBytes);
}
BENCHMARK(BM_PreadLoopByteReads)->Unit(benchmark::kMillisecond);

// Block reads of 4 KB through the buffered stream and straight through pread.
void BM_BufferedStreamBlockReads(benchmark::State& state) {
  TFileStream file(FilePath(), fmOpenRead);
  std::vector<uint8_t> block(4096);
  for (auto _ : state) {
    file.SetPosition(0);
    TPVBufferedReadStream stream(&file, BufferBytes, false);
    while (stream.Read(block.data(), 4096) > 0) benchmark::DoNotOptimize(block.data());
  }
  state.SetBytesProcessed(state.iterations() * FileBytes);
}
BENCHMARK(BM_BufferedStreamBlockReads)->Unit(benchmark::kMillisecond);

void BM_PreadLoopBlockReads(benchmark::State& state) {
  platform::FileHandle fd = platform::OpenExistingFile(FilePath(), platform::FileAccess::Read);
  std::vector<uint8_t> block(4096);
  for (auto _ : state) {
    off_t at = 0;
    for (ssize_t got; (got = ::pread(fd, block.data(), block.size(), at)) > 0; at += got) {
      benchmark::DoNotOptimize(block.data());
    }
  }
  platform::CloseFileHandle(fd);
  state.SetBytesProcessed(state.iterations() * FileBytes);
}
BENCHMARK(BM_PreadLoopBlockReads)->Unit(benchmark::kMillisecond);

constexpr size_t EncoderBytes = 1 << 20;

void BM_EncodeAscii85(benchmark::State& state) {
  std::vector<uint8_t> data = RandomBytes(EncoderBytes, 2);
  std::vector<char> out(static_cast<size_t>(Ascii85BufferSize(EncoderBytes)));
  for (auto _ : state) {
    const uint8_t* source = data.data();
    char* destination = out.data();
    int32_t counter = 0;
    benchmark::DoNotOptimize(EncodeAscii85(source, EncoderBytes, destination, counter));
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(EncoderBytes));
}
BENCHMARK(BM_EncodeAscii85)->Unit(benchmark::kMillisecond);

// Arg 0: random bytes (literal groups); arg 1: runs of 1..40 equal bytes, as in scanned rows.
void BM_EncodePackBits(benchmark::State& state) {
  std::vector<uint8_t> data = RandomBytes(EncoderBytes, 3);
  if (state.range(0) == 1) {
    std::mt19937 random(4);
    for (size_t i = 0; i < data.size();) {
      size_t run = 1 + random() % 40;
      uint8_t v = static_cast<uint8_t>(random());
      for (size_t k = 0; k < run && i < data.size(); ++k) data[i++] = v;
    }
  }
  std::vector<uint8_t> out(static_cast<size_t>(PackBitsBufferSize(EncoderBytes)));
  for (auto _ : state) {
    benchmark::DoNotOptimize(EncodePackBits(data.data(), EncoderBytes, out.data()));
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(EncoderBytes));
}
BENCHMARK(BM_EncodePackBits)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_WriteBase64Lines(benchmark::State& state) {
  std::vector<uint8_t> data = RandomBytes(EncoderBytes, 5);
  for (auto _ : state) {
    TPVMemStream stream(data.data(), EncoderBytes);
    std::ostringstream text;
    WriteBase64Lines(&stream, text, 76);
    benchmark::DoNotOptimize(text.str().size());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(EncoderBytes));
}
BENCHMARK(BM_WriteBase64Lines)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace calmora

BENCHMARK_MAIN();
