// DecompressTIFFLZW: a TIFF LZW strip decoded one row per call, the decoder's state kept between
// calls through the caller's State. Strings of up to 8 bytes live in their table entry, longer
// ones in one block that is reused after every clear code.
#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "imaging/base/row_bits.h"
#include "imaging/codecs/lzw/lzw_codec.h"

namespace calmora {

namespace {

constexpr int kClearCode = 256;
constexpr int kEndCode = 257;
constexpr int kFirstFree = 258;
// 4,096 codes fit in 12 bits; the one entry more takes the string a writer may still add
// after handing out code 4095, which nothing can ever refer to.
constexpr int kTableEntries = 4097;
constexpr int kInlineBytes = 8;
// The longest string: one byte per entry a table can hold beyond the 256 roots, plus one.
constexpr int64_t kLongestString = kTableEntries;

struct TableEntry {
  uint32_t Offset;  // into the long-string block, when Length > kInlineBytes
  uint16_t Length;
  uint8_t Bytes[kInlineBytes];
};

class TIFFLZWDecoder {
 public:
  // Null when the memory cannot be had.
  static TIFFLZWDecoder* Create(const uint8_t* data, int64_t size, int32_t rowSize,
                                int32_t fillOrder);
  uint8_t* NextRow();

 private:
  TIFFLZWDecoder() = default;

  void Reset();
  // The next code, or -1 when the strip holds no whole code any more.
  int NextCode();
  const uint8_t* StringOf(const TableEntry& entry) const {
    return entry.Length <= kInlineBytes ? entry.Bytes : longStrings_.get() + entry.Offset;
  }
  void Emit(int code) {
    const TableEntry& entry = table_[code];
    std::memcpy(out_.get() + pending_, StringOf(entry), entry.Length);
    pending_ += entry.Length;
  }
  // The string of Prefix followed by Byte as the next entry; false when the table is full.
  bool Add(int prefix, uint8_t byte);
  uint8_t* Fail() {
    failed_ = true;
    return nullptr;
  }

  const uint8_t* data_ = nullptr;
  std::unique_ptr<uint8_t[]> reversed_;  // the strip with each byte's bits reversed (fill order 2)
  int64_t size_ = 0;
  int64_t totalBits_ = 0;
  int64_t bitPosition_ = 0;
  int32_t rowSize_ = 0;
  int width_ = 9;
  int previous_ = -1;
  int nextFree_ = kFirstFree;
  bool failed_ = false;
  bool ended_ = false;

  TableEntry table_[kTableEntries];
  std::unique_ptr<uint8_t[]> longStrings_;
  int64_t longUsed_ = 0;
  int64_t longCapacity_ = 0;

  // The row being built and what the last string decoded beyond it.
  std::unique_ptr<uint8_t[]> out_;
  int64_t pending_ = 0;
  int64_t handedOut_ = 0;
};

TIFFLZWDecoder* TIFFLZWDecoder::Create(const uint8_t* data, int64_t size, int32_t rowSize,
                                       int32_t fillOrder) {
  std::unique_ptr<TIFFLZWDecoder> decoder(new (std::nothrow) TIFFLZWDecoder);
  if (!decoder) return nullptr;
  decoder->out_.reset(new (std::nothrow) uint8_t[static_cast<size_t>(rowSize + kLongestString)]);
  if (!decoder->out_) return nullptr;
  if (fillOrder == 2 && size > 0) {
    decoder->reversed_.reset(new (std::nothrow) uint8_t[static_cast<size_t>(size)]);
    if (!decoder->reversed_) return nullptr;
    for (int64_t i = 0; i < size; ++i) decoder->reversed_[i] = kReversedByteBits.Value[data[i]];
    data = decoder->reversed_.get();
  }
  decoder->data_ = data;
  decoder->size_ = size;
  decoder->totalBits_ = size * 8;
  decoder->rowSize_ = rowSize;
  for (int i = 0; i < kTableEntries; ++i) {
    decoder->table_[i].Offset = 0;
    decoder->table_[i].Length = i < kClearCode ? 1 : 0;
    decoder->table_[i].Bytes[0] = static_cast<uint8_t>(i);
  }
  decoder->Reset();
  return decoder.release();
}

void TIFFLZWDecoder::Reset() {
  nextFree_ = kFirstFree;
  width_ = 9;
  previous_ = -1;
  longUsed_ = 0;
}

int TIFFLZWDecoder::NextCode() {
  if (bitPosition_ + width_ > totalBits_) return -1;
  const int64_t byte = bitPosition_ >> 3;
  uint32_t word = 0;
  if (byte + 4 <= size_) {
    const uint8_t* at = data_ + byte;
    word = uint32_t{at[0]} << 24 | uint32_t{at[1]} << 16 | uint32_t{at[2]} << 8 | at[3];
  } else {
    for (int k = 0; k < 4; ++k)
      if (byte + k < size_) word |= uint32_t{data_[byte + k]} << (24 - 8 * k);
  }
  const int code = static_cast<int>((word << (bitPosition_ & 7)) >> (32 - width_));
  bitPosition_ += width_;
  return code;
}

bool TIFFLZWDecoder::Add(int prefix, uint8_t byte) {
  if (nextFree_ >= kTableEntries) return false;
  const TableEntry& head = table_[prefix];
  TableEntry& entry = table_[nextFree_];
  entry.Length = static_cast<uint16_t>(head.Length + 1);
  if (entry.Length <= kInlineBytes) {
    std::memcpy(entry.Bytes, head.Bytes, head.Length);
    entry.Bytes[head.Length] = byte;
  } else {
    if (longUsed_ + entry.Length > longCapacity_) {
      const int64_t capacity = std::max<int64_t>(2 * longCapacity_, longUsed_ + entry.Length + 65536);
      std::unique_ptr<uint8_t[]> grown(new (std::nothrow) uint8_t[static_cast<size_t>(capacity)]);
      if (!grown) return false;
      if (longUsed_ > 0) std::memcpy(grown.get(), longStrings_.get(), static_cast<size_t>(longUsed_));
      longStrings_ = std::move(grown);
      longCapacity_ = capacity;
    }
    uint8_t* target = longStrings_.get() + longUsed_;
    std::memcpy(target, StringOf(head), head.Length);
    target[head.Length] = byte;
    entry.Offset = static_cast<uint32_t>(longUsed_);
    longUsed_ += entry.Length;
  }
  ++nextFree_;
  // TIFF widens one code early: as the entry that makes 511, 1023 or 2047 the next free code
  // is added, not when the code itself is first needed.
  if (nextFree_ >= 2047)
    width_ = 12;
  else if (nextFree_ >= 1023)
    width_ = 11;
  else if (nextFree_ >= 511)
    width_ = 10;
  return true;
}

uint8_t* TIFFLZWDecoder::NextRow() {
  if (failed_ || ended_) return nullptr;
  if (handedOut_ > 0) {
    std::memmove(out_.get(), out_.get() + handedOut_, static_cast<size_t>(pending_ - handedOut_));
    pending_ -= handedOut_;
    handedOut_ = 0;
  }
  while (pending_ < rowSize_) {
    int code = NextCode();
    if (code == kClearCode) {
      Reset();
      do code = NextCode();
      while (code == kClearCode);
      if (code < 0 || code == kEndCode) {
        ended_ = true;
        break;
      }
      if (code > 255) return Fail();  // a fresh table holds nothing but the bytes
      Emit(code);
      previous_ = code;
      continue;
    }
    if (code < 0 || code == kEndCode) {
      ended_ = true;
      break;
    }
    if (previous_ < 0) {
      if (code > 255) return Fail();
      Emit(code);
      previous_ = code;
      continue;
    }
    if (code < nextFree_) {
      Emit(code);
      if (!Add(previous_, StringOf(table_[code])[0])) return Fail();
    } else if (code == nextFree_) {
      // The string being defined is the previous one plus its own first byte.
      if (!Add(previous_, StringOf(table_[previous_])[0])) return Fail();
      Emit(code);
    } else {
      return Fail();
    }
    previous_ = code;
  }
  if (ended_) {
    // The strip's end cuts this row short: what was decoded, then zeros; nothing after it.
    if (pending_ == 0) return nullptr;
    if (pending_ < rowSize_) {
      std::memset(out_.get() + pending_, 0, static_cast<size_t>(rowSize_ - pending_));
      pending_ = rowSize_;
    }
  }
  handedOut_ = rowSize_;
  return out_.get();
}

}  // namespace

uint8_t* DecompressTIFFLZW(const uint8_t* Data, int32_t RowSize, void*& State, int32_t FillOrder,
                           int64_t DataSize) {
  if (Data == nullptr) {
    delete static_cast<TIFFLZWDecoder*>(State);
    State = nullptr;
    return nullptr;
  }
  if (State == nullptr) {
    if (RowSize < 1 || DataSize < 0) return nullptr;
    State = TIFFLZWDecoder::Create(Data, DataSize, RowSize, FillOrder);
    if (State == nullptr) return nullptr;
  }
  return static_cast<TIFFLZWDecoder*>(State)->NextRow();
}

}  // namespace calmora
