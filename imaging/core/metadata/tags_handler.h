// TPVTagsHandler: a TIFF tag directory kept as bytes (the EXIF maker note), with the TIFF
// codec's reading context over it so the codec reads its values as from any directory.
#pragma once

#include "imaging/base/defs.h"
#include "imaging/base/streams/streams.h"
#include "imaging/core/metadata/tiff_read_context.h"

namespace calmora {

class TPVTagsHandler : public TObject {
 public:
  // The context reads Data, little-endian, offsets from position 0, with no tags yet.
  TPVTagsHandler();
  // The context points into this object: it is neither copied nor moved.
  TPVTagsHandler(const TPVTagsHandler&) = delete;
  TPVTagsHandler& operator=(const TPVTagsHandler&) = delete;

  // Rebuilds the context's tag array from Data: a little-endian 16-bit count, then that many
  // 12-byte entries. A count beyond the entries Data holds is cut to those; an empty Data
  // (one too short for the count) leaves no tags, so the array always describes Data.
  // Data's position is left as it is.
  void ReadTags();

  // The directory: the count, the entries, then the values too long for an entry, at the
  // offsets the entries give.
  TMemoryStream Data;
  TIFFReadContext ReadContext;
};

}  // namespace calmora
