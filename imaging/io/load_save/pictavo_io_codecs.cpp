// The table of codecs the I/O component reaches: empty until the codec families fill it.
#include "imaging/io/load_save/pictavo_io_codecs.h"

namespace calmora {

std::array<TPVCodecEntry, kCodecTableSize> CodecTable{};

TPVCodecEntry CodecOf(TPVFileFormatId Id) {
  if (Id < 0 || Id >= kCodecTableSize) return {};
  return CodecTable[static_cast<size_t>(Id)];
}

}  // namespace calmora
