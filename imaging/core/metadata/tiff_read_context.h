// The TIFF directory entry and the context the TIFF codec reads a directory's tag values
// through. Declared here, below the codecs, because the maker-note container of the
// metadata layer embeds a context of its own over a directory it keeps as bytes.
#pragma once

#include <cstdint>
#include <limits>
#include <memory>

namespace calmora {

class TStream;

// One 12-byte directory entry, held in host byte order once read. A value of at most 4 bytes
// sits in Value itself (in its low bytes for a little-endian file, its high bytes for a
// big-endian one); a longer one lies at offset Value from the TIFF header.
struct TTIFFEntry {
  uint16_t Tag = 0;
  uint16_t Type = 0;  // the field type code, 1 (BYTE) to 12 (DOUBLE)
  uint32_t Count = 0;
  uint32_t Value = 0;
};
static_assert(sizeof(TTIFFEntry) == 12, "the entry mirrors the file's 12 bytes");

// One directory being read: its entries and where their values are found. The TIFF reader
// calls the same thing its directory (entries, entry count, base offset).
struct TIFFReadContext {
  bool LittleEndian = true;  // byte order of the values read from Stream
  TStream* Stream = nullptr;  // holds the TIFF data; not owned
  std::unique_ptr<TTIFFEntry[]> Tags;  // TagCount entries, or null
  uint16_t TagCount = 0;
  int64_t StreamBase = 0;  // stream position of the TIFF header; entry offsets count from it
};

// A directory's entry count is a 16-bit field, so any count a file holds fits TagCount.
static_assert(std::numeric_limits<decltype(TIFFReadContext::TagCount)>::max() == 0xFFFF);

}  // namespace calmora
