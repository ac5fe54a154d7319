// What sets the per-format load and save methods of the I/O component apart: one row per
// format id, read by the one load sequence and the one save sequence.
#pragma once

#include <cstdint>

#include "imaging/io/formats/file_formats.h"

namespace calmora {

struct TPVFormatMethod {
  TPVFileFormatId Id = kFormatUnknown;
  bool CanLoad = false;
  bool CanSave = false;
  // ---- Load ----
  bool ApplyDefaultDPI = true;
  bool AdjustDPI = true;
  bool UpdateViewDPIFromFile = true;
  bool UpdateViewDPIFromStream = true;
  // The reader's transparency mask becomes the alpha channel.
  bool LoadsMask = false;
  // ---- Save ----
  // Anything but pv24RGB and pv1g is converted to pv24RGB first.
  bool ConvertOnSave = false;
  // The file form also keeps pvRGB48.
  bool FileKeepsRGB48 = false;
  // The file is created before the bitmap is prepared.
  bool CreatesFileFirst = false;
  // The writer gets the alpha channel as a mask.
  bool SavesMask = false;
  // The stream form empties the stream first, so both forms write a one-page file.
  bool TruncatesStream = false;
  // The resolution, IPTC, EXIF and XMP go into the record's markers first.
  bool PreparesJPEGMarkers = false;
  // ---- Stream header ----
  // Magic of the 12-byte stream header of stream saves and loads; null: none.
  const char* HeaderMagic = nullptr;
  // The stream load looks for the header whatever StreamHeaders says.
  bool AlwaysLooksForHeader = false;
};

// The row of an id; a row that can neither load nor save for an id without methods.
const TPVFormatMethod& FormatMethodOf(TPVFileFormatId Id);

}  // namespace calmora
