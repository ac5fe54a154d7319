// The first directory of a TIFF as the content tests see it: the byte order of the header at
// the stream's position and the entries of the directory it points to.
#pragma once

#include <optional>
#include <vector>

#include "imaging/core/metadata/tiff_read_context.h"

namespace calmora {

struct TTIFFFirstDirectory {
  bool LittleEndian = true;
  std::vector<TTIFFEntry> Entries;

  const TTIFFEntry* Find(uint16_t tag) const;
  // A SHORT or LONG value held in the entry itself; fallback when the tag is missing or of
  // another kind.
  uint32_t Number(uint16_t tag, uint32_t fallback) const;
};

// Reads the header's byte order at the position and the directory it names. Offsets count from
// stream position 0, as the reader of these files counts them. Nothing when the header is not
// "II" or "MM" or the directory (its count and every entry) does not lie inside the stream.
// The position is left where it was.
std::optional<TTIFFFirstDirectory> ReadTIFFFirstDirectory(TStream* stream);

}  // namespace calmora
