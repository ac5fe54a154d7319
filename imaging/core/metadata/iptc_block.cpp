// The IPTC block of TPVIPTCInfoList: SaveToBuffer writes it, LoadFromBuffer reads it back
// through the byte reader, taking every length as hostile until checked against what is left.
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <utility>

#include "imaging/base/streams/byte_reader.h"
#include "imaging/core/metadata/iptc_info_list.h"

namespace calmora {

namespace {

constexpr uint8_t kTagMarker = 0x1C;  // starts every dataset
constexpr uint8_t kPhotoshopSignature[] = {'P', 'h', 'o', 't', 'o', 's', 'h', 'o', 'p',
                                           ' ', '3', '.', '0'};
// The image resource that holds IPTC data: its type and its identifier 0x0404.
constexpr uint8_t kIptcResourceMarker[] = {'8', 'B', 'I', 'M', 0x04, 0x04};
constexpr int64_t kResourceHeaderSize = 26;  // signature and zero, marker, empty name, size
constexpr int64_t kResourceSizeBytes = 4;
// Record 2, dataset 0, length 2, version 2: what a block without the resource header opens
// with.
constexpr uint8_t kRecordVersionDataset[] = {kTagMarker, 0x02, 0x00, 0x00, 0x02, 0x00, 0x02};
// Lengths from here on do not fit the 15 bits of the short form.
constexpr int32_t kExtendedLengthFrom = 0x8000;
constexpr int64_t kShortHeaderSize = 5;     // tag, record, dataset, 2 length bytes
constexpr int64_t kExtendedHeaderSize = 9;  // ... 0x80 0x04, then 4 length bytes

bool IsRecordVersion(const TPVIPTCInfo& info) {
  return info.RecordNumber == 2 && info.DatasetNumber == 0;
}

bool IsWritten(const TPVIPTCInfo& info) { return !IsRecordVersion(info) && info.Length > 0; }

int64_t DatasetHeaderSize(int32_t length) {
  return length < kExtendedLengthFrom ? kShortHeaderSize : kExtendedHeaderSize;
}

uint8_t* PutBE(uint8_t* at, uint64_t value, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) *at++ = static_cast<uint8_t>(value >> (8 * i));
  return at;
}

// Moves past the first occurrence of the marker; false when the rest holds none.
bool SkipPast(TPVByteReader& reader, const uint8_t (&marker)[sizeof(kIptcResourceMarker)]) {
  uint8_t window[sizeof(marker)] = {};
  size_t seen = 0;
  while (reader.Left() > 0) {
    std::memmove(window, window + 1, sizeof(window) - 1);
    window[sizeof(window) - 1] = reader.ReadByte();
    if (++seen >= sizeof(window) && std::memcmp(window, marker, sizeof(window)) == 0)
      return true;
  }
  return false;
}

// Moves past the resource's name and size, which follow its marker: the name is a length byte
// and that many bytes, padded to an even size, the size 4 bytes. Their bytes are never taken
// for a dataset: a size such as 0x00001C30 holds the tag byte. False when the block ends first.
bool SkipResourceNameAndSize(TPVByteReader& reader) {
  if (reader.Left() < 1) return false;
  const int64_t nameLength = reader.ReadByte();
  const int64_t namePadding = (1 + nameLength) & 1;
  return reader.Skip(nameLength + namePadding) && reader.Skip(kResourceSizeBytes);
}

// The next byte, left unread; false at the end.
bool PeekByte(TPVByteReader& reader, uint8_t& byte) {
  if (reader.Left() < 1) return false;
  const int64_t at = reader.Position();
  byte = reader.ReadByte();
  reader.SeekTo(at);
  return true;
}

// Leaves the reader on the tag byte that opens the first dataset: at the first tag byte, past
// every one followed by another. False when the rest holds no tag byte.
bool SeekFirstTag(TPVByteReader& reader) {
  uint8_t byte = 0;
  while (PeekByte(reader, byte) && byte != kTagMarker) reader.Skip(1);
  if (reader.Left() < 1) return false;
  while (reader.Left() >= 2) {
    const int64_t at = reader.Position();
    reader.Skip(1);
    if (!PeekByte(reader, byte) || byte != kTagMarker) return reader.SeekTo(at);
  }
  return true;
}

}  // namespace

void TPVIPTCInfoList::SaveToBuffer(UniqueMallocBlock<uint8_t>& Buffer, int64_t& Length,
                                   bool WithHeader) const {
  Buffer.reset();
  Length = 0;
  if (Info.empty()) return;

  int64_t datasetBytes = 0;
  for (const TPVIPTCInfo& info : Info)
    if (IsWritten(info)) datasetBytes += DatasetHeaderSize(info.Length) + info.Length;
  // The resource's size field has 32 bits.
  if (WithHeader && datasetBytes > std::numeric_limits<uint32_t>::max()) return;
  const int64_t prefix =
      WithHeader ? kResourceHeaderSize : static_cast<int64_t>(sizeof(kRecordVersionDataset));
  const int64_t total = prefix + datasetBytes;
  const int64_t padded = total + (total & 1);  // image resources keep even sizes

  UniqueMallocBlock<uint8_t> block(static_cast<uint8_t*>(std::malloc(static_cast<size_t>(padded))));
  if (!block) throw std::bad_alloc();
  uint8_t* at = block.get();
  if (WithHeader) {
    std::memcpy(at, kPhotoshopSignature, sizeof(kPhotoshopSignature));
    at += sizeof(kPhotoshopSignature);
    *at++ = 0;
    std::memcpy(at, kIptcResourceMarker, sizeof(kIptcResourceMarker));
    at += sizeof(kIptcResourceMarker);
    *at++ = 0;  // an empty resource name, padded to an even size
    *at++ = 0;
    at = PutBE(at, static_cast<uint64_t>(datasetBytes), 4);
  } else {
    std::memcpy(at, kRecordVersionDataset, sizeof(kRecordVersionDataset));
    at += sizeof(kRecordVersionDataset);
  }
  for (size_t i = 0; i < Info.size(); ++i) {
    const TPVIPTCInfo& info = Info[i];
    if (!IsWritten(info)) continue;
    *at++ = kTagMarker;
    *at++ = static_cast<uint8_t>(info.RecordNumber);
    *at++ = static_cast<uint8_t>(info.DatasetNumber);
    if (info.Length < kExtendedLengthFrom) {
      at = PutBE(at, static_cast<uint64_t>(info.Length), 2);
    } else {
      *at++ = 0x80;  // the extended form: the length follows in 4 bytes
      *at++ = 0x04;
      at = PutBE(at, static_cast<uint64_t>(info.Length), 4);
    }
    std::memcpy(at, Buffers[i].data(), static_cast<size_t>(info.Length));
    at += info.Length;
  }
  if (padded != total) *at = 0;
  Buffer = std::move(block);
  Length = padded;
}

bool TPVIPTCInfoList::LoadFromBuffer(const void* Buffer, int64_t Length) {
  Clear();
  if (Buffer == nullptr || Length <= 0) return false;

  TPVByteReader reader(Buffer, Length);
  uint8_t signature[sizeof(kPhotoshopSignature)] = {};
  const bool inResourceBlock = reader.Left() >= static_cast<int64_t>(sizeof(signature)) &&
                               reader.Read(signature, sizeof(signature)) &&
                               std::memcmp(signature, kPhotoshopSignature, sizeof(signature)) == 0;
  if (!inResourceBlock) {
    reader.SeekTo(0);
  } else if (!SkipPast(reader, kIptcResourceMarker) || !SkipResourceNameAndSize(reader)) {
    UserChanged = false;
    return false;  // a resource block without IPTC data
  }

  if (SeekFirstTag(reader)) {
    uint8_t tag = 0;
    // A dataset needs its tag, record, dataset and two length bytes, and one more byte.
    while (reader.Left() > kShortHeaderSize && PeekByte(reader, tag) && tag == kTagMarker) {
      reader.Skip(1);
      const uint8_t record = reader.ReadByte();
      const uint8_t dataset = reader.ReadByte();
      uint32_t dataLength = reader.ReadBE<uint16_t>();
      if (dataLength & 0x8000) dataLength = reader.ReadBE<uint32_t>();  // extended form
      if (reader.Failed() || dataLength > static_cast<uint32_t>(INT32_MAX) ||
          !reader.CheckCount(dataLength))
        break;
      std::vector<uint8_t> data(dataLength);
      reader.Read(data.data(), dataLength);
      Info.push_back({record, dataset, static_cast<int32_t>(dataLength)});
      Buffers.push_back(std::move(data));
    }
  }
  UserChanged = false;
  return !Info.empty();
}

}  // namespace calmora
