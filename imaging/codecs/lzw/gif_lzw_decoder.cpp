// DecompressGIFLZW: one GIF image's LZW data, its sub-blocks read through the byte reader into
// one buffer first, then decoded from memory into the rows in their stored order.
#include <algorithm>
#include <cstring>
#include <vector>

#include "imaging/base/streams/byte_reader.h"
#include "imaging/base/streams/streams.h"
#include "imaging/codecs/lzw/gif_rows.h"
#include "imaging/codecs/lzw/lzw_codec.h"

namespace calmora {

namespace {

constexpr int kMaxWidth = 12;
constexpr int kTableCodes = 4096;

// Where decoded pixels go: rows in GIF order; pixels past the last row are dropped.
class PixelSink {
 public:
  PixelSink(uint8_t* indices, int32_t width, int32_t height, bool interlaced)
      : indices_(indices), width_(width), rows_(height, interlaced) {
    if (indices_ == nullptr || width_ <= 0 || height <= 0) rows_ = GIFRowOrder(0, false);
    Start();
  }

  void Put(const uint8_t* pixels, int count) {
    while (count > 0 && row_ != nullptr) {
      const auto take = static_cast<int>(std::min<int64_t>(count, width_ - column_));
      std::memcpy(row_ + column_, pixels, static_cast<size_t>(take));
      pixels += take;
      count -= take;
      column_ += take;
      if (column_ == width_) {
        rows_.Next();
        Start();
      }
    }
  }

 private:
  void Start() {
    column_ = 0;
    row_ = rows_.Done() ? nullptr : indices_ + static_cast<int64_t>(rows_.Row()) * width_;
  }

  uint8_t* indices_;
  int64_t width_;
  GIFRowOrder rows_;
  uint8_t* row_ = nullptr;
  int64_t column_ = 0;
};

// The data sub-blocks from the reader's position up to the zero length byte or the end of the
// stream, joined; a block cut short by the end keeps what is there.
std::vector<uint8_t> ReadSubBlocks(TPVByteReader& reader) {
  std::vector<uint8_t> data;
  for (;;) {
    const uint8_t length = reader.ReadByte();
    if (reader.Failed() || length == 0) break;
    const int64_t take = std::min<int64_t>(length, reader.Left());
    const size_t at = data.size();
    data.resize(at + static_cast<size_t>(take));
    reader.Read(data.data() + at, take);
    if (take < length) break;
  }
  return data;
}

// Whether decoding ended on bad data, so that the stream must move back to the code size byte.
// Bytes holds Size bytes of data and three zero bytes behind them, so that codes running past
// the data read zeros and every read takes three whole bytes.
bool Decode(const std::vector<uint8_t>& bytes, int64_t size, int codeSize, PixelSink& sink) {
  const int64_t totalBits = size * 8;
  int64_t bitPosition = 0;

  const int clear = 1 << codeSize;
  const int end = clear + 1;
  int width = codeSize + 1;
  int mask = (1 << width) - 1;
  int slot = end + 1;
  int top = 1 << width;
  bool full = false;
  int previous = -1;
  uint8_t previousFirst = 0;

  uint16_t prefix[kTableCodes];
  uint8_t suffix[kTableCodes];
  // A string is at most one pixel per table entry plus the one the KwKwK case adds.
  uint8_t stack[kTableCodes + 2];

  const auto readCode = [&] {
    const uint8_t* at = bytes.data() + (bitPosition >> 3);
    const uint32_t word = at[0] | uint32_t{at[1]} << 8 | uint32_t{at[2]} << 16;
    const int code = static_cast<int>(word >> (bitPosition & 7)) & mask;
    bitPosition += width;
    return code;
  };

  while (bitPosition < totalBits) {
    int code = readCode();
    if (code == clear) {
      width = codeSize + 1;
      mask = (1 << width) - 1;
      slot = end + 1;
      top = 1 << width;
      full = false;
      do {
        if (bitPosition >= totalBits) return false;
        code = readCode();
      } while (code == clear);
      if (code == end) return (bitPosition + 7) / 8 < size;  // an end with data behind it
      if (code >= slot) code = 0;
      previous = code;
      previousFirst = static_cast<uint8_t>(code);
      sink.Put(&previousFirst, 1);
      continue;
    }
    if (code == end) return false;
    if (previous < 0) {
      // Data that does not open with a clear code: a plain pixel starts it as one would.
      if (code >= clear) return true;
      previous = code;
      previousFirst = static_cast<uint8_t>(code);
      sink.Put(&previousFirst, 1);
      continue;
    }
    // The string is built backwards from its last pixel; stack[top down] is its order.
    int depth = kTableCodes + 2;
    int walk;
    if (code < slot) {
      walk = code;
    } else if (code == slot && !full) {
      stack[--depth] = previousFirst;  // KwKwK: the previous string and its own first pixel
      walk = previous;
    } else {
      return true;
    }
    while (walk > end) {
      stack[--depth] = suffix[walk];
      walk = prefix[walk];
    }
    stack[--depth] = static_cast<uint8_t>(walk);
    const uint8_t first = static_cast<uint8_t>(walk);
    sink.Put(stack + depth, kTableCodes + 2 - depth);
    // A full table takes no entries: the codes go on at 12 bits until the writer clears it.
    if (!full) {
      prefix[slot] = static_cast<uint16_t>(previous);
      suffix[slot] = first;
      if (++slot == top) {
        if (width < kMaxWidth) {
          ++width;
          mask = (1 << width) - 1;
          top <<= 1;
        } else {
          full = true;
        }
      }
    }
    previous = code;
    previousFirst = first;
  }
  return false;
}

}  // namespace

void DecompressGIFLZW(TStream* Stream, int32_t Height, int32_t Width, bool Interlaced,
                      uint8_t* Indices) {
  if (Stream == nullptr) return;
  const int64_t start = Stream->GetPosition();
  TPVByteReader reader(Stream);
  const int codeSize = reader.ReadByte();
  if (reader.Failed() || codeSize < 2 || codeSize > 9) {
    Stream->Seek(start, soBeginning);
    return;
  }
  std::vector<uint8_t> data = ReadSubBlocks(reader);
  if (data.empty()) return;
  const auto size = static_cast<int64_t>(data.size());
  data.resize(data.size() + 3, 0);
  PixelSink sink(Indices, Width, Height, Interlaced);
  if (Decode(data, size, codeSize, sink)) Stream->Seek(start, soBeginning);
}

}  // namespace calmora
