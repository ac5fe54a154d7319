// libFuzzer target of the zlib decompression stream: two bytes choose the read sizes and a
// restart, the rest is the source. Whatever the source, the stream gives what zlib's own
// inflate gives (up to the same error), restarts to the same bytes, and raises nothing but
// the glue's and the streams' errors.
// Fuzz budget in CI: 20 s
#include <zlib.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "imaging/base/streams/streams.h"
#include "imaging/zlib/zlib_codec.h"

namespace {

// Inflating much past this says nothing more and only costs time.
constexpr size_t kOutputLimit = 1 << 22;

// zlib's inflate over the whole source; Failed when it met an error or a dictionary.
std::vector<uint8_t> Reference(const uint8_t* data, size_t size, bool& failed) {
  std::vector<uint8_t> out;
  z_stream zs{};
  if (inflateInit(&zs) != Z_OK) std::abort();
  zs.next_in = const_cast<Bytef*>(data);
  zs.avail_in = static_cast<uInt>(size);
  uint8_t chunk[16384];
  failed = false;
  for (;;) {
    zs.next_out = chunk;
    zs.avail_out = sizeof chunk;
    const int result = inflate(&zs, Z_NO_FLUSH);
    out.insert(out.end(), chunk, chunk + (sizeof chunk - zs.avail_out));
    if (result == Z_STREAM_END || out.size() >= kOutputLimit) break;
    if (result == Z_BUF_ERROR) break;  // the source ended early
    if (result != Z_OK) {
      failed = true;
      break;
    }
  }
  inflateEnd(&zs);
  return out;
}

// Everything the stream gives in reads of Piece bytes; Failed when it raised.
std::vector<uint8_t> ThroughStream(calmora::TZDecompressionStream& stream, int32_t piece,
                                   bool& failed) {
  std::vector<uint8_t> out;
  std::vector<uint8_t> chunk(static_cast<size_t>(piece));
  failed = false;
  try {
    while (out.size() < kOutputLimit) {
      const int32_t got = stream.Read(chunk.data(), piece);
      if (got < 0 || got > piece) std::abort();
      out.insert(out.end(), chunk.begin(), chunk.begin() + got);
      if (got < piece) break;
    }
  } catch (const calmora::EZDecompressionError&) {
    failed = true;
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const int32_t piece = 1 + data[0] * 97 % 70000;
  const size_t restartAfter = static_cast<size_t>(data[1]) * 61;
  const uint8_t* source = data + 2;
  const size_t sourceSize = size - 2;

  bool referenceFailed = false;
  const std::vector<uint8_t> reference = Reference(source, sourceSize, referenceFailed);

  calmora::TPVMemStream stream(source, static_cast<int64_t>(sourceSize));
  calmora::TZDecompressionStream zstream(&stream);
  bool failed = false;
  std::vector<uint8_t> first = ThroughStream(zstream, piece, failed);
  const size_t common = first.size() < reference.size() ? first.size() : reference.size();
  if (!std::equal(first.begin(), first.begin() + static_cast<std::ptrdiff_t>(common),
                  reference.begin()))
    std::abort();
  if (first.size() < kOutputLimit && reference.size() < kOutputLimit) {
    if (failed != referenceFailed) std::abort();
    if (!failed && first != reference) std::abort();
  }
  if (stream.GetPosition() < 0 || stream.GetPosition() > static_cast<int64_t>(sourceSize))
    std::abort();

  // A restart gives the same bytes from the start; a forward seek lands where reading would.
  try {
    if (zstream.Seek(0, calmora::soBeginning) != 0) std::abort();
    const size_t skip = restartAfter < first.size() ? restartAfter : first.size();
    if (zstream.Seek(static_cast<int64_t>(skip), calmora::soCurrent) != static_cast<int64_t>(skip))
      std::abort();
    uint8_t byte = 0;
    if (skip < first.size() && zstream.Read(&byte, 1) == 1 && byte != first[skip]) std::abort();
    zstream.GetSize();
    std::abort();  // a decompression stream has no size
  } catch (const calmora::EZDecompressionError&) {
  } catch (const calmora::EReadError&) {
  }
  return 0;
}
