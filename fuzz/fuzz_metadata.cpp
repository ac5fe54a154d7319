// libFuzzer target of the metadata readers, each given the whole input: the IPTC block, the
// annotation block and the TIFF tag block. The IPTC datasets read must be those a plain walk of
// the block finds, and the input also serves as a recipe of datasets, written here into a block
// field by field that must read back as exactly those datasets. What the IPTC and annotation
// readers read must save to a block that reads and saves again to the very same bytes; the tag
// array must be the directory's bytes. The searches for an embedded TIFF header and an XMP
// packet must stay within the input.
// Fuzz budget in CI: 30 s
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "imaging/base/streams/byte_reader.h"
#include "imaging/base/streams/streams.h"
#include "imaging/core/metadata/imaging_annotations.h"
#include "imaging/core/metadata/iptc_info_list.h"
#include "imaging/core/metadata/is_exif_block.h"
#include "imaging/core/metadata/tags_handler.h"
#include "imaging/params/exif_blocks.h"
#include "imaging/params/xmp_blocks.h"

namespace {

using Bytes = std::vector<uint8_t>;

void Check(bool condition) {
  if (!condition) std::abort();
}

Bytes ToBytes(const calmora::UniqueMallocBlock<uint8_t>& block, int64_t length) {
  return block ? Bytes(block.get(), block.get() + length) : Bytes();
}

Bytes SaveIptc(const calmora::TPVIPTCInfoList& list, bool withHeader) {
  calmora::UniqueMallocBlock<uint8_t> block;
  int64_t length = 0;
  list.SaveToBuffer(block, length, withHeader);
  return ToBytes(block, length);
}

// Whether the block's first dataset belongs to record 0x1C: a reader takes the run of tag
// bytes 0x1C 0x1C it starts with for padding, so that block cannot read back.
bool OpensWithTagRecord(const calmora::TPVIPTCInfoList& list) {
  for (const calmora::TPVIPTCInfo& info : list.Info)
    if (info.Length > 0 && !(info.RecordNumber == 2 && info.DatasetNumber == 0))
      return info.RecordNumber == 0x1C;
  return false;
}

struct IptcDataset {
  int32_t Record = 0, Dataset = 0;
  Bytes Data;
  bool operator==(const IptcDataset&) const = default;
};

std::vector<IptcDataset> DatasetsOf(const calmora::TPVIPTCInfoList& list) {
  std::vector<IptcDataset> datasets;
  for (int32_t i = 0; i < list.GetCount(); ++i) {
    Check(list.Info[i].Length == static_cast<int32_t>(list.Buffers[i].size()));
    datasets.push_back({list.GetRecordNumber(i), list.GetDatasetNumber(i), list.Buffers[i]});
  }
  return datasets;
}

uint32_t BigEndian(const uint8_t* at, int bytes) {
  uint32_t value = 0;
  for (int i = 0; i < bytes; ++i) value = value << 8 | at[i];
  return value;
}

// The datasets of a block found by walking it with indexes, apart from the reader: behind the
// resource header (its marker, the name padded to an even size, the 4-byte size), or from the
// start without it; then to the first tag byte, past a run of them, and dataset by dataset
// while a whole one fits.
std::vector<IptcDataset> WalkIptc(const uint8_t* data, size_t size) {
  static const uint8_t kSignature[] = {'P', 'h', 'o', 't', 'o', 's', 'h', 'o', 'p',
                                       ' ', '3', '.', '0'};
  static const uint8_t kMarker[] = {'8', 'B', 'I', 'M', 4, 4};
  size_t at = 0;
  if (size >= sizeof(kSignature) && std::memcmp(data, kSignature, sizeof(kSignature)) == 0) {
    at = sizeof(kSignature);
    while (at + sizeof(kMarker) <= size && std::memcmp(data + at, kMarker, sizeof(kMarker)) != 0)
      ++at;
    if (at + sizeof(kMarker) > size) return {};
    at += sizeof(kMarker);
    if (at >= size) return {};
    const size_t name = data[at];
    at += 1 + name + (name + 1) % 2 + 4;
    if (at > size) return {};
  }
  while (at < size && data[at] != 0x1C) ++at;
  while (at + 1 < size && data[at + 1] == 0x1C) ++at;
  std::vector<IptcDataset> datasets;
  while (size - at > 5 && data[at] == 0x1C) {
    const size_t header = data[at + 3] & 0x80 ? 9 : 5;
    if (at + header > size) break;
    const uint32_t length = header == 9 ? BigEndian(data + at + 5, 4) : BigEndian(data + at + 3, 2);
    if (length > size - at - header) break;
    const uint8_t* value = data + at + header;
    datasets.push_back({data[at + 1], data[at + 2], Bytes(value, value + length)});
    at += header + length;
  }
  return datasets;
}

// The input as a recipe: a flag byte (bit 0 the resource header, bit 1 a size field that lies),
// the resource name, a size field, then 4 bytes per dataset (record, dataset and a length:
// 1 to 64 from the fourth byte, 0x8000 more when the third byte is 0xFF), the data
// bytes taken from the input in turn. The block is written here
// field by field and must read back as exactly those datasets.
void FuzzIptcRecipe(const uint8_t* data, size_t size) {
  if (size < 6) return;
  const bool withHeader = data[0] & 1, lyingSize = data[0] & 2;
  const size_t nameLength = std::min<size_t>(data[1], size - 6);
  const uint8_t* name = data + 2;
  const uint8_t* sizeField = name + nameLength;
  size_t at = 2 + nameLength + 4;
  std::vector<IptcDataset> datasets;
  Bytes body;
  size_t taken = 0;  // input bytes used as data so far
  for (; at + 4 <= size && body.size() < (1u << 16); at += 4) {
    IptcDataset d{data[at], data[at + 1], {}};
    // A first dataset of record 0x1C would look like a run of tag bytes, which the reader
    // skips; a dataset without data at the end is not read.
    if (datasets.empty() && d.Record == 0x1C) d.Record = 2;
    const uint32_t length = 1u + (data[at + 3] & 0x3Fu) + (data[at + 2] == 0xFF ? 0x8000u : 0u);
    d.Data.resize(length);
    for (uint8_t& byte : d.Data) byte = data[taken++ % size];
    body.insert(body.end(), {0x1C, uint8_t(d.Record), uint8_t(d.Dataset)});
    if (length < 0x8000)
      body.insert(body.end(), {uint8_t(length >> 8), uint8_t(length)});
    else
      body.insert(body.end(), {0x80, 0x04, uint8_t(length >> 24), uint8_t(length >> 16),
                               uint8_t(length >> 8), uint8_t(length)});
    body.insert(body.end(), d.Data.begin(), d.Data.end());
    datasets.push_back(std::move(d));
  }
  if (datasets.empty()) return;
  Bytes block;
  if (withHeader) {
    const char kHead[] = "Photoshop 3.0\0" "8BIM\x04\x04";
    block.assign(kHead, kHead + sizeof(kHead) - 1);
    block.push_back(uint8_t(nameLength));
    block.insert(block.end(), name, name + nameLength);
    if (nameLength % 2 == 0) block.push_back(0);
    const uint32_t resourceSize =
        lyingSize ? BigEndian(sizeField, 4) : static_cast<uint32_t>(body.size());
    block.insert(block.end(), {uint8_t(resourceSize >> 24), uint8_t(resourceSize >> 16),
                               uint8_t(resourceSize >> 8), uint8_t(resourceSize)});
  }
  block.insert(block.end(), body.begin(), body.end());
  if (block.size() % 2) block.push_back(0);
  calmora::TPVIPTCInfoList list;
  Check(list.LoadFromBuffer(block.data(), static_cast<int64_t>(block.size())));
  Check(DatasetsOf(list) == datasets);
}

void FuzzIptc(const uint8_t* data, size_t size) {
  calmora::TPVIPTCInfoList list;
  const bool read = list.LoadFromBuffer(data, static_cast<int64_t>(size));
  Check(read == (list.GetCount() > 0));
  Check(DatasetsOf(list) == WalkIptc(data, size));
  for (const bool withHeader : {true, false}) {
    if (withHeader && OpensWithTagRecord(list)) continue;
    const Bytes first = SaveIptc(list, withHeader);
    calmora::TPVIPTCInfoList again;
    if (!again.LoadFromBuffer(first.data(), static_cast<int64_t>(first.size()))) continue;
    Check(SaveIptc(again, withHeader) == first);
  }
}

Bytes SaveAnnot(const calmora::TPVImagingAnnot& annot) {
  calmora::UniqueMallocBlock<uint8_t> block;
  int64_t length = 0;
  annot.SaveToBuffer(block, length);
  return ToBytes(block, length);
}

void FuzzAnnotations(const uint8_t* data, size_t size) {
  calmora::TPVImagingAnnot annot;
  annot.LoadFromBuffer(data, static_cast<int64_t>(size));
  const Bytes first = SaveAnnot(annot);
  Check(first.empty() == annot.Objects.empty());
  calmora::TPVImagingAnnot again;
  again.LoadFromBuffer(first.data(), static_cast<int64_t>(first.size()));
  Check(again.Objects.size() == annot.Objects.size());
  Check(SaveAnnot(again) == first);
}

void FuzzTags(const uint8_t* data, size_t size) {
  calmora::TPVTagsHandler handler;
  if (size > 0) handler.Data.WriteBuffer(data, static_cast<int32_t>(size));
  handler.ReadTags();
  const auto& context = handler.ReadContext;
  Check(2 + int64_t{context.TagCount} * 12 <= static_cast<int64_t>(size) || context.TagCount == 0);
  calmora::TPVByteReader entries(data, static_cast<int64_t>(size));
  entries.Skip(2);
  for (uint16_t i = 0; i < context.TagCount; ++i) {
    Check(context.Tags[i].Tag == entries.ReadLE<uint16_t>());
    Check(context.Tags[i].Type == entries.ReadLE<uint16_t>());
    Check(context.Tags[i].Count == entries.ReadLE<uint32_t>());
    Check(context.Tags[i].Value == entries.ReadLE<uint32_t>());
  }
}

// A header found lies within the input, and the stream is back where it started.
void FuzzEmbeddedTIFFHeader(const uint8_t* data, size_t size) {
  calmora::TPVMemStream stream(data, static_cast<int64_t>(size));
  const int64_t found = calmora::FindEmbeddedTIFFHeader(&stream);
  Check(stream.GetPosition() == 0);
  Check(found == -1 ||
        (found >= 0 && static_cast<size_t>(found) + 8 <= size &&
         (data[found] == 'I' || data[found] == 'M') && data[found] == data[found + 1]));
}

// A packet found follows a zero byte inside the input.
void FuzzXMPPacket(const uint8_t* data, size_t size) {
  const uint8_t* packet = calmora::FindXMPPacket(data, static_cast<int64_t>(size));
  Check(packet == nullptr || (packet > data && packet <= data + size && packet[-1] == 0));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  FuzzIptc(data, size);
  FuzzIptcRecipe(data, size);
  FuzzAnnotations(data, size);
  FuzzTags(data, size);
  (void)calmora::IsExifBlock(data, static_cast<int64_t>(size));
  FuzzEmbeddedTIFFHeader(data, size);
  FuzzXMPPacket(data, size);
  return 0;
}
