// TPVImagingAnnot: the annotation marks a TIFF page carries in its tag 32932 (lines, texts,
// pictures drawn over a document), each a TPVImagingObject, kept as read to be written back;
// and the named blocks of that tag's data as they are read.
//
// LoadFromBuffer, SaveToBuffer and AddAnnotObject turn image marks into bitmaps and back
// through the processing layer's DIB conversion, so they are defined there
// (imaging/proc/component/annotation_reader.cpp, annotation_writer.cpp): code calling them links
// calmora_imaging_proc.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "imaging/base/defs.h"
#include "imaging/base/geometry/geometry.h"
#include "imaging/base/malloc_block.h"
#include "imaging/core/bitmap/bitmap.h"

namespace calmora {

class TPVByteReader;

// The attribute record of a mark, exactly as the block stores it.
inline constexpr int32_t kAnnotAttributesSize = 164;
// Where the attribute record keeps the mark type (int32) and the text font's height (int32).
inline constexpr int32_t kAnnotMarkTypeAt = 0;
inline constexpr int32_t kAnnotFontHeightAt = 48;

// Mark types whose extra data the program keeps or reads.
inline constexpr int32_t kAnnotImageMark = 1;
inline constexpr int32_t kAnnotFirstPointMark = 3, kAnnotLastPointMark = 4;
inline constexpr int32_t kAnnotFirstTextMark = 7, kAnnotLastTextMark = 10;

class TPVImagingObject : public TObject {
 public:
  TPVImagingObject() = default;
  TPVImagingObject(const TPVImagingObject&) = delete;
  TPVImagingObject& operator=(const TPVImagingObject&) = delete;

  // The mark type, attribute bytes 0-3 (read as signed: types up to 0 are no marks).
  int32_t GetMarkType() const;
  // The deep copy TPVImagingAnnot::Assign makes of each mark.
  std::unique_ptr<TPVImagingObject> Clone() const;

  uint8_t Attributes[kAnnotAttributesSize] = {};
  // The PointCount points of a line mark (types 3 and 4); null for other marks.
  std::unique_ptr<TPoint[]> Points;
  int32_t PointCount = 0;
  // The text of a text mark (types 7 to 10); absent for other marks.
  std::optional<std::string> Text;
  // The picture of an image mark (type 1); null for other marks.
  std::unique_ptr<TPVBitmap> Image;
};

class TPVImagingAnnot : public TObject {
 public:
  TPVImagingAnnot() = default;
  TPVImagingAnnot(const TPVImagingAnnot&) = delete;
  TPVImagingAnnot& operator=(const TPVImagingAnnot&) = delete;

  void Clear();
  // A deep copy of every mark of Source replaces this list's; Parent and UserChanged stay.
  // Null and self are ignored.
  void Assign(const TPVImagingAnnot* Source);

  // Parses a block of Length bytes and appends its marks (the list is not cleared first).
  // Every size, count, text end and block header is checked against Length; the parse stops
  // at the first block that does not fit, keeping the marks read up to there. UserChanged
  // becomes false.
  void LoadFromBuffer(const void* Data, int64_t Length);
  // Writes every mark into a new block; no marks give a null Data and Length 0 (the TIFF
  // writer then leaves the tag out).
  void SaveToBuffer(UniqueMallocBlock<uint8_t>& Data, int64_t& Length) const;

  // The parameter record that owns the list, when one does; not owned.
  TObject* Parent = nullptr;
  bool UserChanged = false;
  std::vector<std::unique_ptr<TPVImagingObject>> Objects;
};

// The bytes of one named block as read; absent until a block of that name was read.
using TPVAnnotBlockData = std::optional<std::vector<uint8_t>>;

// The named blocks read for the current mark, or for the whole set. Reading a block of the
// same name again replaces the earlier one.
struct TPVAnnotNamedBlocks {
  TPVAnnotBlockData PointData;  // int32 maximum, int32 count, then count points of 8 bytes
  TPVAnnotBlockData MarkData;   // the 56-byte mark record
  TPVAnnotBlockData FileName;   // the text and its zero
  TPVAnnotBlockData DIB;        // a packed device-independent bitmap
  TPVAnnotBlockData Group;      // the text and its zero
  TPVAnnotBlockData Index;      // the text and its zero
  TPVAnnotBlockData TextData;   // the text record: orientation, 1000, scale, length, text, zero
};

// Reads the named block whose name starts at the reader's position (the block type and its
// length field already read) and leaves the reader just after the block's data. What is kept
// depends on the name and, for "OiAnoDat", on the current mark type. False (the reader
// failed) when the block's header, its size or what it holds reaches past the data.
bool ReadAnnotNamedBlock(TPVAnnotNamedBlocks& Blocks, TPVByteReader& Data, int32_t MarkType,
                         int32_t IntFormat);
// Frees every block and leaves the record empty.
void FreeAnnotNamedBlocks(TPVAnnotNamedBlocks& Blocks);
// Appends the mark of those attributes, with the extra data of Blocks its type keeps (see
// the table of the reader); nothing for a mark type up to 0.
void AddAnnotObject(TPVImagingAnnot& Annot, const TPVAnnotNamedBlocks& Blocks,
                    const uint8_t (&Attributes)[kAnnotAttributesSize]);

}  // namespace calmora
