// LZW decoding against the reference decoders on one thread: a TIFF strip against libtiff's
// (tiffcp -c none, less the same copy of an uncompressed file) and a GIF frame against netpbm's
// giftopnm, on the same files.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "bench/peer_runs.h"
#include "imaging/base/streams/streams.h"
#include "imaging/codecs/lzw/lzw_codec.h"

namespace calmora {
namespace {

constexpr uint32_t kWidth = 3000;
constexpr uint32_t kHeight = 2000;

using Bytes = std::vector<uint8_t>;

// Photo-like bytes: smooth ramps with a sprinkle of noise.
Bytes Picture(size_t rowBytes, unsigned seed) {
  std::mt19937 random(seed);
  Bytes bytes(rowBytes * kHeight);
  for (size_t i = 0; i < bytes.size(); ++i) {
    const size_t x = i % rowBytes, y = i / rowBytes;
    bytes[i] = static_cast<uint8_t>((x / 7 + y / 5) % 256 + (random() % 6 == 0 ? random() % 8 : 0));
  }
  return bytes;
}

void Put(Bytes& file, uint32_t value, int size) {
  for (int k = 0; k < size; ++k) file.push_back(static_cast<uint8_t>(value >> (8 * k)));
}

bool WriteFile(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

// One RGB image as a TIFF of one LZW strip (ours), the strip kept for our decoder, and an
// uncompressed copy made by tiffcp for the baseline.
struct TIFFFiles {
  std::string folder;
  Bytes strip;
  bool ready = false;

  TIFFFiles() {
    char pattern[] = "/tmp/calmora-lzw-XXXXXX";
    if (!mkdtemp(pattern)) return;
    folder = pattern;
    const Bytes pixels = Picture(size_t{kWidth} * 3, 1);
    TMemoryStream stream;
    void* state = nullptr;
    for (uint32_t y = 0; y < kHeight; ++y)
      CompressTIFFLZW(pixels.data() + size_t{y} * kWidth * 3, static_cast<int32_t>(kWidth * 3), &stream, state);
    CompressTIFFLZW(nullptr, 0, &stream, state);
    const auto* begin = static_cast<const uint8_t*>(stream.GetMemory());
    strip.assign(begin, begin + stream.GetSize());

    Bytes file = {'I', 'I', 42, 0};
    Put(file, 8, 4);
    Put(file, 9, 2);
    const uint32_t bitsAt = 8 + 2 + 12 * 9 + 4, stripAt = bitsAt + 6;
    const auto entry = [&](uint32_t tag, uint32_t type, uint32_t count, uint32_t value) {
      Put(file, tag, 2);
      Put(file, type, 2);
      Put(file, count, 4);
      Put(file, value, 4);
    };
    entry(256, 4, 1, kWidth);
    entry(257, 4, 1, kHeight);
    entry(258, 3, 3, bitsAt);
    entry(259, 3, 1, 5);
    entry(262, 3, 1, 2);
    entry(273, 4, 1, stripAt);
    entry(277, 3, 1, 3);
    entry(278, 4, 1, kHeight);
    entry(279, 4, 1, static_cast<uint32_t>(strip.size()));
    Put(file, 0, 4);
    for (int k = 0; k < 3; ++k) Put(file, 8, 2);
    file.insert(file.end(), strip.begin(), strip.end());
    ready = WriteFile(File("lzw.tif"), file) &&
            bench::TimedRun("tiffcp -c none " + bench::Quoted(File("lzw.tif")) + " " +
                            bench::Quoted(File("plain.tif"))) >= 0;
  }
  ~TIFFFiles() {
    if (!folder.empty()) bench::TimedRun("rm -rf " + bench::Quoted(folder));
  }
  std::string File(const std::string& name) const { return folder + "/" + name; }
};

const TIFFFiles& TIFF() {
  static const TIFFFiles files;
  return files;
}

void SetRate(benchmark::State& state, int64_t bytes) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * bytes);
}

void TIFFStripDecode(benchmark::State& state) {
  const Bytes& strip = TIFF().strip;
  const int32_t rowSize = static_cast<int32_t>(kWidth * 3);
  for (auto _ : state) {
    void* lzw = nullptr;
    for (uint32_t y = 0; y < kHeight; ++y) {
      const uint8_t* row = DecompressTIFFLZW(strip.data(), rowSize, lzw, 1, static_cast<int64_t>(strip.size()));
      if (row == nullptr) std::abort();
      benchmark::DoNotOptimize(row);
    }
    DecompressTIFFLZW(nullptr, rowSize, lzw, 1, 0);
  }
  SetRate(state, int64_t{kWidth} * 3 * kHeight);
}

// tiffcp writing the same uncompressed file from the LZW one and from an uncompressed one: the
// difference is libtiff's decoding.
void TiffcpDecode(benchmark::State& state) {
  const TIFFFiles& files = TIFF();
  if (!files.ready) {
    state.SkipWithError("no TIFF files (tiffcp missing?)");
    return;
  }
  double copyTotal = 0;
  for (auto _ : state) {
    const double decode = bench::TimedRun("tiffcp -c none " + bench::Quoted(files.File("lzw.tif")) + " " +
                                          bench::Quoted(files.File("out.tif")));
    const double copy = bench::TimedRun("tiffcp -c none " + bench::Quoted(files.File("plain.tif")) + " " +
                                        bench::Quoted(files.File("copy.tif")));
    if (decode < 0 || copy < 0) {
      state.SkipWithError("tiffcp failed");
      return;
    }
    copyTotal += copy;
    state.SetIterationTime(decode - copy);
  }
  state.counters["PlainCopy_s"] = copyTotal / static_cast<double>(state.iterations());
  SetRate(state, int64_t{kWidth} * 3 * kHeight);
}

// One 8-bit frame as a GIF (ours), kept whole in memory for our decoder.
struct GIFFile {
  std::string folder;
  Bytes file;
  size_t dataStart = 0;
  bool ready = false;

  GIFFile() {
    char pattern[] = "/tmp/calmora-lzw-XXXXXX";
    if (!mkdtemp(pattern)) return;
    folder = pattern;
    const Bytes indices = Picture(kWidth, 2);
    file = {'G', 'I', 'F', '8', '9', 'a'};
    Put(file, kWidth, 2);
    Put(file, kHeight, 2);
    file.push_back(0x87);
    file.push_back(0);
    file.push_back(0);
    for (int i = 0; i < 256; ++i) {
      file.push_back(static_cast<uint8_t>(i));
      file.push_back(static_cast<uint8_t>(255 - i));
      file.push_back(static_cast<uint8_t>(i * 7));
    }
    file.push_back(0x2C);
    Put(file, 0, 4);
    Put(file, kWidth, 2);
    Put(file, kHeight, 2);
    file.push_back(0);
    dataStart = file.size();
    TMemoryStream stream;
    CompressGIFLZW(&stream, static_cast<int32_t>(kHeight), static_cast<int32_t>(kWidth), false, indices.data(), 8);
    const auto* begin = static_cast<const uint8_t*>(stream.GetMemory());
    file.insert(file.end(), begin, begin + stream.GetSize());
    file.push_back(0x3B);
    ready = WriteFile(File("frame.gif"), file);
  }
  ~GIFFile() {
    if (!folder.empty()) bench::TimedRun("rm -rf " + bench::Quoted(folder));
  }
  std::string File(const std::string& name) const { return folder + "/" + name; }
};

const GIFFile& GIF() {
  static const GIFFile gif;
  return gif;
}

void GIFFrameDecode(benchmark::State& state) {
  const GIFFile& gif = GIF();
  Bytes indices(size_t{kWidth} * kHeight);
  for (auto _ : state) {
    TPVMemStream stream(gif.file.data(), static_cast<int64_t>(gif.file.size()));
    stream.SetPosition(static_cast<int64_t>(gif.dataStart));
    DecompressGIFLZW(&stream, static_cast<int32_t>(kHeight), static_cast<int32_t>(kWidth), false, indices.data());
    benchmark::DoNotOptimize(indices.data());
  }
  SetRate(state, int64_t{kWidth} * kHeight);
}

// giftopnm's whole run on the same file, its PPM thrown away.
void GiftopnmDecode(benchmark::State& state) {
  const GIFFile& gif = GIF();
  if (!gif.ready) {
    state.SkipWithError("no GIF file");
    return;
  }
  for (auto _ : state) {
    const double seconds = bench::TimedRun("giftopnm " + bench::Quoted(gif.File("frame.gif")));
    if (seconds < 0) {
      state.SkipWithError("giftopnm failed");
      return;
    }
    state.SetIterationTime(seconds);
  }
  SetRate(state, int64_t{kWidth} * kHeight);
}

BENCHMARK(TIFFStripDecode)->Unit(benchmark::kMillisecond);
BENCHMARK(TiffcpDecode)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
BENCHMARK(GIFFrameDecode)->Unit(benchmark::kMillisecond);
BENCHMARK(GiftopnmDecode)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);

}  // namespace
}  // namespace calmora

BENCHMARK_MAIN();
