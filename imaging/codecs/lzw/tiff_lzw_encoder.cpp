// CompressTIFFLZW: the bytes of one strip as one LZW code stream (most significant bit first,
// 9 to 12 bits, TIFF's early width change) over as many calls as the writer makes, ended by a
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
// Codes up to 4093 are handed out; the next string clears the table, so that a reader that
// widens early never needs a 13th bit.
constexpr int kLastAssigned = 4093;

struct TIFFLZWEncoder {
  void Emit(TStream* stream, int code) {
    packer.Put(code, width);
    if (packer.PacketFull()) WritePacket(stream);
    if (clearPending) {
      width = kInitialWidth;
      clearPending = false;
    } else if (nextFree >= (1 << width) - 1 && width < kMaxWidth) {
      ++width;  // one code before the table needs it, as TIFF readers expect
    }
  }

  void WritePacket(TStream* stream) {
    stream->WriteBuffer(packer.Packet(), packer.PacketSize());
    packer.TakePacket();
  }

  void Encode(const uint8_t* data, int32_t size, TStream* stream) {
    int32_t i = 0;
    if (ent < 0 && size > 0) ent = data[i++];
    for (; i < size; ++i) {
      const int byte = data[i];
      int slot = 0;
      const int code = table.Find(byte, ent, slot);
      if (code >= 0) {
        ent = code;
        continue;
      }
      Emit(stream, ent);
      if (nextFree <= kLastAssigned) {
        table.Insert(slot, byte, ent, nextFree++);
      } else {
        table.Clear();
        nextFree = kFirstFree;
        clearPending = true;
        Emit(stream, kClearCode);
      }
      ent = byte;
    }
  }

  void Finish(TStream* stream) {
    if (ent >= 0) Emit(stream, ent);
    Emit(stream, kEndCode);
    packer.FlushBits();
    while (packer.PacketSize() > 0) WritePacket(stream);
  }

  LZWStringTable table;
  LZWCodePacker packer{true};
  int width = kInitialWidth;
  int nextFree = kFirstFree;
  int ent = -1;  // the string being extended, carried from one call to the next
  bool clearPending = false;
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
    encoder = new TIFFLZWEncoder;
    State = encoder;
    encoder->table.Clear();
    encoder->Emit(Stream, kClearCode);
  }
  encoder->Encode(Data, Size, Stream);
}

}  // namespace calmora
