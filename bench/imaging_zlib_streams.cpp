// The zlib stream classes against plain deflate and inflate at the same level and with the
// same 64 KB buffer, over the same memory streams: the classes' own cost is what separates them.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdlib>
#include <random>
#include <vector>

#include "imaging/base/streams/streams.h"
#include "imaging/zlib/zlib_codec.h"

namespace calmora {
namespace {

constexpr size_t kDataBytes = 32 << 20;
constexpr int32_t kWritePiece = 1 << 16;

// Image-like bytes: ramps with some noise, so that deflate works as it does on pixels.
const std::vector<uint8_t>& Data() {
  static const std::vector<uint8_t> data = [] {
    std::mt19937 random(5);
    std::vector<uint8_t> bytes(kDataBytes);
    for (size_t i = 0; i < bytes.size(); ++i)
      bytes[i] = static_cast<uint8_t>((i % 3000) / 12 + (random() % 8 == 0 ? random() % 16 : 0));
    return bytes;
  }();
  return data;
}

// The stream level (0..3) and zlib's level it stands for.
constexpr int kZlibLevel[] = {0, 1, -1, 9};

const std::vector<uint8_t>& Packed(int level) {
  static std::vector<uint8_t> packed[4];
  if (packed[level].empty()) {
    TMemoryStream target;
    TZCompressionStream stream(&target, static_cast<uint8_t>(level));
    stream.Write(Data().data(), static_cast<int32_t>(Data().size()));
    stream.Finish();
    const auto* begin = static_cast<const uint8_t*>(target.GetMemory());
    packed[level].assign(begin, begin + target.GetSize());
  }
  return packed[level];
}

void SetRate(benchmark::State& state) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kDataBytes));
}

void CompressionStream(benchmark::State& state) {
  const int level = static_cast<int>(state.range(0));
  const std::vector<uint8_t>& data = Data();
  for (auto _ : state) {
    TMemoryStream target;
    TZCompressionStream stream(&target, static_cast<uint8_t>(level));
    for (size_t at = 0; at < data.size(); at += kWritePiece) stream.Write(data.data() + at, kWritePiece);
    stream.Finish();
    benchmark::DoNotOptimize(target.GetMemory());
  }
  SetRate(state);
}

// What the stream does, written out: deflate into a 64 KB buffer, emptied into the target.
void PlainDeflate(benchmark::State& state) {
  const int level = static_cast<int>(state.range(0));
  const std::vector<uint8_t>& data = Data();
  std::vector<uint8_t> buffer(65536);
  for (auto _ : state) {
    TMemoryStream target;
    z_stream zs{};
    deflateInit(&zs, kZlibLevel[level]);
    zs.next_out = buffer.data();
    zs.avail_out = static_cast<uInt>(buffer.size());
    for (size_t at = 0; at < data.size(); at += kWritePiece) {
      zs.next_in = const_cast<Bytef*>(data.data() + at);
      zs.avail_in = kWritePiece;
      while (zs.avail_in > 0) {
        deflate(&zs, Z_NO_FLUSH);
        if (zs.avail_out == 0) {
          target.WriteBuffer(buffer.data(), static_cast<int32_t>(buffer.size()));
          zs.next_out = buffer.data();
          zs.avail_out = static_cast<uInt>(buffer.size());
        }
      }
    }
    while (deflate(&zs, Z_FINISH) != Z_STREAM_END) {
      target.WriteBuffer(buffer.data(), static_cast<int32_t>(buffer.size() - zs.avail_out));
      zs.next_out = buffer.data();
      zs.avail_out = static_cast<uInt>(buffer.size());
    }
    target.WriteBuffer(buffer.data(), static_cast<int32_t>(buffer.size() - zs.avail_out));
    deflateEnd(&zs);
    benchmark::DoNotOptimize(target.GetMemory());
  }
  SetRate(state);
}

void DecompressionStream(benchmark::State& state) {
  const std::vector<uint8_t>& packed = Packed(static_cast<int>(state.range(0)));
  std::vector<uint8_t> out(kWritePiece);
  for (auto _ : state) {
    TPVMemStream source(packed.data(), static_cast<int64_t>(packed.size()));
    TZDecompressionStream stream(&source);
    int64_t total = 0;
    int32_t got;
    while ((got = stream.Read(out.data(), kWritePiece)) > 0) total += got;
    if (total != static_cast<int64_t>(kDataBytes)) std::abort();
  }
  SetRate(state);
}

// What the stream does, written out: 64 KB of source at a time into inflate.
void PlainInflate(benchmark::State& state) {
  const std::vector<uint8_t>& packed = Packed(static_cast<int>(state.range(0)));
  std::vector<uint8_t> buffer(65536), out(kWritePiece);
  for (auto _ : state) {
    TPVMemStream source(packed.data(), static_cast<int64_t>(packed.size()));
    z_stream zs{};
    inflateInit(&zs);
    int64_t total = 0;
    int result = Z_OK;
    while (result != Z_STREAM_END) {
      zs.next_out = out.data();
      zs.avail_out = kWritePiece;
      while (zs.avail_out > 0 && result != Z_STREAM_END) {
        if (zs.avail_in == 0) {
          const int32_t got = source.Read(buffer.data(), 65536);
          if (got <= 0) break;
          zs.next_in = buffer.data();
          zs.avail_in = static_cast<uInt>(got);
        }
        result = inflate(&zs, Z_NO_FLUSH);
      }
      total += kWritePiece - zs.avail_out;
    }
    inflateEnd(&zs);
    if (total != static_cast<int64_t>(kDataBytes)) std::abort();
  }
  SetRate(state);
}

BENCHMARK(CompressionStream)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(PlainDeflate)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(DecompressionStream)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(PlainInflate)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace calmora

BENCHMARK_MAIN();
