// libFuzzer target of the metadata readers, each given the whole input: the IPTC block, the
// annotation block and the TIFF tag block. What the first two read must save to a block that
// reads and saves again to the very same bytes; the tag array must be the directory's bytes.
// The searches for an embedded TIFF header and an XMP packet must stay within the input.
// Fuzz budget in CI: 30 s
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

void FuzzIptc(const uint8_t* data, size_t size) {
  calmora::TPVIPTCInfoList list;
  const bool read = list.LoadFromBuffer(data, static_cast<int64_t>(size));
  Check(read == (list.GetCount() > 0));
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
  FuzzAnnotations(data, size);
  FuzzTags(data, size);
  (void)calmora::IsExifBlock(data, static_cast<int64_t>(size));
  FuzzEmbeddedTIFFHeader(data, size);
  FuzzXMPPacket(data, size);
  return 0;
}
