// CompressTIFFLZW: the bytes of one strip as one LZW code stream (most significant bit first,
// 9 to 12 bits, TIFF's early width_ change) over as many calls as the writer makes, ended by a
// call without data.
#include <memory>
#include <new>

#include "imaging/base/streams/streams.h"
#include "imaging/codecs/lzw/lzw_codec.h"
#include "imaging/codecs/lzw/lzw_encoder_core.h"

namespace calmora {

namespace {

using lzw_detail::LZWCodePacker;
using lzw_detail::LZWStringTable;

constexpr int kClearCode = 256;
constexpr int kEndCode = 257;
constexpr int kFirstFree = 258;
constexpr int kInitialWidth = 9;
constexpr int kMaxWidth = 12;
// Codes up to 4093 are handed out; the next string clears the table_, so that a reader that
// widens early never needs a 13th bit.
constexpr int kLastAssigned = 4093;

class TIFFLZWEncoder {
 public:
  // Starts the strip with a clear code.
  explicit TIFFLZWEncoder(TStream* stream) {
    table_.Clear();
    Emit(stream, kClearCode);
  }

  void Encode(const uint8_t* data, int32_t size, TStream* stream) {
    int32_t i = 0;
    if (ent_ < 0 && size > 0) ent_ = data[i++];
    for (; i < size; ++i) {
      const int byte = data[i];
      int slot = 0;
      const int code = table_.Find(byte, ent_, slot);
      if (code >= 0) {
        ent_ = code;
        continue;
      }
      Emit(stream, ent_);
      if (nextFree_ <= kLastAssigned) {
        table_.Insert(slot, byte, ent_, nextFree_++);
      } else {
        table_.Clear();
        nextFree_ = kFirstFree;
        clearPending_ = true;
        Emit(stream, kClearCode);
      }
      ent_ = byte;
    }
  }

  void Finish(TStream* stream) {
    if (ent_ >= 0) Emit(stream, ent_);
    Emit(stream, kEndCode);
    packer_.FlushBits();
    while (packer_.PacketSize() > 0) WritePacket(stream);
  }

 private:
  void Emit(TStream* stream, int code) {
    packer_.Put(code, width_);
    if (packer_.PacketFull()) WritePacket(stream);
    if (clearPending_) {
      width_ = kInitialWidth;
      clearPending_ = false;
    } else if (nextFree_ >= (1 << width_) - 1 && width_ < kMaxWidth) {
      ++width_;  // one code before the table needs it, as TIFF readers expect
    }
  }

  void WritePacket(TStream* stream) {
    stream->WriteBuffer(packer_.Packet(), packer_.PacketSize());
    packer_.TakePacket();
  }

  LZWStringTable table_;
  LZWCodePacker packer_{true};
  int width_ = kInitialWidth;
  int nextFree_ = kFirstFree;
  int ent_ = -1;  // the string being extended, carried from one call to the next
  bool clearPending_ = false;
};

}  // namespace

void CompressTIFFLZW(const uint8_t* Data, int32_t Size, TStream* Stream, void*& State) {
  auto* encoder = static_cast<TIFFLZWEncoder*>(State);
  if (Data == nullptr) {
    if (encoder == nullptr) return;
    // The state goes whatever the stream does with the last bytes.
    const std::unique_ptr<TIFFLZWEncoder> owner(encoder);
    State = nullptr;
    encoder->Finish(Stream);
    return;
  }
  if (encoder == nullptr) {
    std::unique_ptr<TIFFLZWEncoder> created(new TIFFLZWEncoder(Stream));
    encoder = created.release();
    State = encoder;
  }
  encoder->Encode(Data, Size, Stream);
}

}  // namespace calmora
