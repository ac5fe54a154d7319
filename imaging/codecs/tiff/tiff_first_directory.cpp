// Reading the first directory of a TIFF for the content tests, every length checked against
// what the stream holds before it is used.
#include "imaging/codecs/tiff/tiff_first_directory.h"

#include <array>
#include <cstdint>

#include "imaging/base/streams/byte_reader.h"
#include "imaging/base/streams/stream_peek.h"
#include "imaging/base/streams/streams.h"

namespace calmora {

namespace {

constexpr uint16_t kShortType = 3;
constexpr uint16_t kLongType = 4;
constexpr int64_t kEntryBytes = 12;

template <class T>
T ReadOrdered(TPVByteReader& reader, bool littleEndian) {
  return littleEndian ? reader.ReadLE<T>() : reader.ReadBE<T>();
}

}  // namespace

const TTIFFEntry* TTIFFFirstDirectory::Find(uint16_t tag) const {
  for (const TTIFFEntry& entry : Entries)
    if (entry.Tag == tag) return &entry;
  return nullptr;
}

uint32_t TTIFFFirstDirectory::Number(uint16_t tag, uint32_t fallback) const {
  const TTIFFEntry* entry = Find(tag);
  if (entry == nullptr || entry->Count != 1) return fallback;
  // A value of at most 4 bytes sits in the low bytes of the field for "II", the high for "MM".
  if (entry->Type == kLongType) return entry->Value;
  if (entry->Type == kShortType) return LittleEndian ? entry->Value & 0xFFFF : entry->Value >> 16;
  return fallback;
}

std::optional<TTIFFFirstDirectory> ReadTIFFFirstDirectory(TStream* stream) {
  std::array<uint8_t, 8> header;
  if (PeekStreamBytes(stream, header.data(), header.size()) < 8) return std::nullopt;
  TTIFFFirstDirectory directory;
  if (header[0] == 'I' && header[1] == 'I') directory.LittleEndian = true;
  else if (header[0] == 'M' && header[1] == 'M') directory.LittleEndian = false;
  else return std::nullopt;
  TPVByteReader headerReader(header.data(), header.size());
  headerReader.Skip(4);
  const uint32_t offset = ReadOrdered<uint32_t>(headerReader, directory.LittleEndian);

  TStreamPositionKeeper keeper(stream);
  if (offset >= stream->GetSize() || stream->Seek(offset, soBeginning) != offset)
    return std::nullopt;
  TPVByteReader reader(stream);
  const uint16_t count = ReadOrdered<uint16_t>(reader, directory.LittleEndian);
  if (!reader.CheckCount(count, kEntryBytes)) return std::nullopt;
  directory.Entries.resize(count);
  for (TTIFFEntry& entry : directory.Entries) {
    entry.Tag = ReadOrdered<uint16_t>(reader, directory.LittleEndian);
    entry.Type = ReadOrdered<uint16_t>(reader, directory.LittleEndian);
    entry.Count = ReadOrdered<uint32_t>(reader, directory.LittleEndian);
    entry.Value = ReadOrdered<uint32_t>(reader, directory.LittleEndian);
  }
  if (reader.Failed()) return std::nullopt;
  return directory;
}

}  // namespace calmora
