// What sets the per-format load and save methods of the I/O component apart: one row per
// format, part of the format's description, read by the one load sequence and the one save
// sequence.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "imaging/io/formats/file_formats.h"

namespace calmora {

class TPictavoIO;
class TPVBitmap;

// A step of a format's own around its reader: FromFile tells a file load from a stream load.
using TPVLoadStep = void (*)(TPictavoIO& IO, bool FromFile);
// What a save writes in place of the working bitmap: Picture is left null to write the working
// bitmap itself; false (nothing written) when the replacement cannot be made.
using TPVSavePictureStep = bool (*)(TPictavoIO& IO, std::unique_ptr<TPVBitmap>& Picture);
// Runs Write with the parameters as the format's writer must see them, and puts them back.
using TPVAroundWriteStep = void (*)(TIOParamsVals& Params, const std::function<void()>& Write);

struct TPVFormatMethod {
  // Filled from the description's id.
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
  // Run just before and just after the reader.
  TPVLoadStep BeforeRead = nullptr;
  TPVLoadStep AfterRead = nullptr;
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
  // Offsets inside the data count from its first byte: a stream save encodes into memory
  // first, so the data starts at 0 whatever the stream's position.
  bool WritesFromOffsetZero = false;
  TPVSavePictureStep SavePicture = nullptr;
  TPVAroundWriteStep AroundWrite = nullptr;
  // ---- Stream header ----
  // Magic of the 12-byte stream header of stream saves and loads; null: none.
  const char* HeaderMagic = nullptr;
  // The stream load looks for the header whatever StreamHeaders says.
  bool AlwaysLooksForHeader = false;
  // An older 4-byte header ("PCX", 0) is also taken, its data running to the stream's end.
  bool AcceptsOldHeader = false;
};

// The row of an id's description; a row that can neither load nor save for an id without one.
const TPVFormatMethod& FormatMethodOf(TPVFileFormatId Id);

}  // namespace calmora
