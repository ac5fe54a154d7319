// TPVTagsHandler: the directory bytes and the tag array the TIFF codec reads them through.
#include "imaging/core/metadata/tags_handler.h"

#include <algorithm>
#include <memory>

#include "imaging/base/streams/byte_reader.h"

namespace calmora {

namespace {

constexpr int64_t kEntrySize = sizeof(TTIFFEntry);

}  // namespace

TPVTagsHandler::TPVTagsHandler() {
  ReadContext.LittleEndian = true;
  ReadContext.Stream = &Data;
  ReadContext.StreamBase = 0;
}

void TPVTagsHandler::ReadTags() {
  ReadContext.Tags.reset();
  ReadContext.TagCount = 0;
  TPVByteReader reader(Data.GetMemory(), Data.GetSize());
  const uint16_t declared = reader.ReadLE<uint16_t>();
  if (reader.Failed()) return;
  const auto count = static_cast<uint16_t>(std::min<int64_t>(declared, reader.Left() / kEntrySize));
  if (count == 0) return;

  auto tags = std::make_unique<TTIFFEntry[]>(count);
  for (uint16_t i = 0; i < count; ++i) {
    TTIFFEntry& entry = tags[i];
    entry.Tag = reader.ReadLE<uint16_t>();
    entry.Type = reader.ReadLE<uint16_t>();
    entry.Count = reader.ReadLE<uint32_t>();
    entry.Value = reader.ReadLE<uint32_t>();
  }
  ReadContext.Tags = std::move(tags);
  ReadContext.TagCount = count;
}

}  // namespace calmora
