// CompressGIFLZW: one GIF image's pixels as LZW codes (least significant bit first, widths
// growing from code size + 1 to 12) in sub-blocks of up to 254 bytes, ending with a zero byte.
#include <algorithm>

#include "imaging/base/streams/streams.h"
#include "imaging/codecs/lzw/gif_rows.h"
#include "imaging/codecs/lzw/lzw_codec.h"
#include "imaging/codecs/lzw/lzw_encoder_core.h"

namespace calmora {

namespace {

using lzw_detail::LZWCodePacker;
using lzw_detail::LZWStringTable;

constexpr int kMaxWidth = 12;
// At 12 bits the width never grows again: 4,096 lies beyond any code the table hands out.
constexpr int kLargestCodeAtMaxWidth = 4096;
constexpr int kTableCodes = 4096;

class GIFCodeWriter {
 public:
  GIFCodeWriter(TStream* stream, int codeSize)
      : stream_(stream),
        initialWidth_(codeSize + 1),
        clear_(1 << codeSize),
        width_(initialWidth_),
        largest_((1 << initialWidth_) - 1),
        nextFree_(clear_ + 2) {}

  int Clear() const { return clear_; }

  void Emit(int code) {
    packer_.Put(code, width_);
    if (packer_.PacketFull()) WritePacket();
    // The reader widens its codes when its table reaches the next power of two; this is the
    // same moment seen from the writer, one entry ahead.
    if (clearPending_) {
      width_ = initialWidth_;
      largest_ = (1 << width_) - 1;
      clearPending_ = false;
    } else if (nextFree_ > largest_) {
      ++width_;
      largest_ = width_ == kMaxWidth ? kLargestCodeAtMaxWidth : (1 << width_) - 1;
    }
  }

  // After Ent was emitted for a string not in the table: the string Ent + Byte gets the next
  // code, or, with all 4,096 codes given, the table starts again behind a clear code.
  void AddOrClear(int slot, int byte, int ent) {
    if (nextFree_ < kTableCodes) {
      table_.Insert(slot, byte, ent, nextFree_++);
      return;
    }
    table_.Clear();
    nextFree_ = clear_ + 2;
    clearPending_ = true;
    Emit(clear_);
  }

  LZWStringTable& Table() { return table_; }

  void Finish(int end) {
    Emit(end);
    packer_.FlushBits();
    while (packer_.PacketSize() > 0) WritePacket();
    const uint8_t terminator = 0;
    stream_->WriteBuffer(&terminator, 1);
  }

 private:
  void WritePacket() {
    uint8_t block[LZWCodePacker::kPacketSize + 1];
    const int size = packer_.PacketSize();
    block[0] = static_cast<uint8_t>(size);
    std::copy(packer_.Packet(), packer_.Packet() + size, block + 1);
    stream_->WriteBuffer(block, size + 1);
    packer_.TakePacket();
  }

  TStream* stream_;
  int initialWidth_;
  int clear_;
  int width_;
  int largest_;
  int nextFree_;
  bool clearPending_ = false;
  LZWStringTable table_;
  LZWCodePacker packer_{false};
};

}  // namespace

void CompressGIFLZW(TStream* Stream, int32_t Height, int32_t Width, bool Interlaced,
                    const uint8_t* Indices, int32_t BitsPerPixel) {
  if (Stream == nullptr) return;
  // Code size 1 does not exist in GIF, and above 8 no reader can follow.
  const int codeSize = std::clamp<int32_t>(BitsPerPixel, 2, 8);
  const auto sizeByte = static_cast<uint8_t>(codeSize);
  Stream->WriteBuffer(&sizeByte, 1);

  GIFCodeWriter writer(Stream, codeSize);
  writer.Table().Clear();
  writer.Emit(writer.Clear());
  const int pixelMask = writer.Clear() - 1;

  int ent = -1;
  const bool anyPixels = Width > 0 && Height > 0 && Indices != nullptr;
  for (GIFRowOrder rows(Height, Interlaced); anyPixels && !rows.Done(); rows.Next()) {
    const uint8_t* row = Indices + static_cast<int64_t>(rows.Row()) * Width;
    int32_t x = 0;
    if (ent < 0) ent = row[x++] & pixelMask;
    for (; x < Width; ++x) {
      const int pixel = row[x] & pixelMask;
      int slot = 0;
      const int code = writer.Table().Find(pixel, ent, slot);
      if (code >= 0) {
        ent = code;
        continue;
      }
      writer.Emit(ent);
      writer.AddOrClear(slot, pixel, ent);
      ent = pixel;
    }
  }
  if (ent >= 0) writer.Emit(ent);
  writer.Finish(writer.Clear() + 1);
}

}  // namespace calmora
