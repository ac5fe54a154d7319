// The table of codecs the I/O component reaches, filled from the format descriptions' adapters.
#include "imaging/io/load_save/pictavo_io_codecs.h"

#include "imaging/io/formats/format_description.h"

namespace calmora {

namespace {

std::array<TPVCodecEntry, kCodecTableSize> DescribedCodecs() {
  std::array<TPVCodecEntry, kCodecTableSize> table{};
  for (const TPVFormatDescription* format : BuiltInFormatDescriptions())
    table[static_cast<size_t>(format->Id)] = {format->Read, format->Write};
  return table;
}

}  // namespace

std::array<TPVCodecEntry, kCodecTableSize> CodecTable = DescribedCodecs();

TPVCodecEntry CodecOf(TPVFileFormatId Id) {
  if (Id < 0 || Id >= kCodecTableSize) return {};
  return CodecTable[static_cast<size_t>(Id)];
}

}  // namespace calmora
