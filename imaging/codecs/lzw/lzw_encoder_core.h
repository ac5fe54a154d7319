// What the GIF and TIFF LZW encoders share: the string table as an open-addressing hash of
// (byte, prefix code) pairs, and a code packer for either bit order that hands out 254-byte
// packets. The encoders differ only in their width and clear rules and in the packets' framing.
#pragma once

#include <cstdint>

namespace calmora::lzw_detail {

// 5,003 slots: a prime a little above 4,096 codes, so the probe sequence visits every slot
// and the table stays under 82 % full.
class LZWStringTable {
 public:
  static constexpr int kSlots = 5003;

  void Clear();
  // The code of the string prefix + byte, or -1 with Slot the free slot where it belongs.
  int Find(int byte, int prefix, int& slot) const;
  void Insert(int slot, int byte, int prefix, int code) {
    keys_[slot] = Key(byte, prefix);
    codes_[slot] = static_cast<int16_t>(code);
  }

 private:
  static int32_t Key(int byte, int prefix) { return (byte << 12) + prefix; }

  int32_t keys_[kSlots];  // -1: empty
  int16_t codes_[kSlots];
};

// Packs codes least (GIF) or most (TIFF) significant bit first into bytes, and collects the
// bytes into packets of up to 254.
class LZWCodePacker {
 public:
  static constexpr int kPacketSize = 254;

  explicit LZWCodePacker(bool mostSignificantFirst) : msbFirst_(mostSignificantFirst) {}

  // Appends Code in Width bits; true when a packet became full (Packet() holds it then).
  void Put(int code, int width) {
    if (msbFirst_) {
      bits_ = (bits_ << width) | static_cast<uint32_t>(code);
      count_ += width;
      while (count_ >= 8) {
        count_ -= 8;
        packet_[size_++] = static_cast<uint8_t>(bits_ >> count_);
      }
      bits_ &= (1u << count_) - 1;
    } else {
      bits_ |= static_cast<uint32_t>(code) << count_;
      count_ += width;
      while (count_ >= 8) {
        packet_[size_++] = static_cast<uint8_t>(bits_);
        bits_ >>= 8;
        count_ -= 8;
      }
    }
  }
  // Whether the packet is full and must be taken before the next Put.
  bool PacketFull() const { return size_ >= kPacketSize; }
  // The last partial byte, padded with zero bits, joins the packet.
  void FlushBits() {
    if (count_ > 0)
      packet_[size_++] = static_cast<uint8_t>(msbFirst_ ? bits_ << (8 - count_) : bits_);
    bits_ = 0;
    count_ = 0;
  }
  const uint8_t* Packet() const { return packet_; }
  // The bytes of the next packet: all collected, at most kPacketSize.
  int PacketSize() const { return size_ < kPacketSize ? size_ : kPacketSize; }
  // Drops the packet just written; a byte collected beyond it starts the next one.
  void TakePacket() {
    const int taken = PacketSize();
    for (int i = taken; i < size_; ++i) packet_[i - taken] = packet_[i];
    size_ -= taken;
  }

 private:
  bool msbFirst_;
  uint32_t bits_ = 0;
  int count_ = 0;
  int size_ = 0;
  // Room for one more code's bytes past a full packet: Put adds up to two bytes at once.
  uint8_t packet_[kPacketSize + 4];
};

}  // namespace calmora::lzw_detail
