// Reading an annotation block: TPVImagingAnnot::LoadFromBuffer walks its blocks through the
// byte reader and AddAnnotObject makes each mark, with image marks loaded from their DIBs.
// Part of the core's annotation list, here because DIBs load in this layer.
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "imaging/base/streams/byte_reader.h"
#include "imaging/core/dpi_globals.h"
#include "imaging/core/metadata/imaging_annotations.h"
#include "imaging/proc/dib/dib_interchange.h"
#include "imaging/proc/dib/dib_layout.h"

namespace calmora {

namespace {

// Block types: a named block of the whole set, a new mark's attributes, a named block of the
// current mark.
constexpr int32_t kSetNamedBlock = 2;
constexpr int32_t kMarkAttributes = 5;
constexpr int32_t kMarkNamedBlock = 6;

// The text record: int32 orientation, int32 1000, uint32 creation scale, int32 text length,
// then the text and its zero.
constexpr int64_t kTextScaleAt = 8;
constexpr int64_t kTextAt = 16;

int32_t ReadInt32At(const uint8_t* bytes, int64_t at) {
  return TPVByteReader(bytes + at, 4).ReadLE<int32_t>();
}

void WriteInt32At(uint8_t* bytes, int64_t at, int32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * i));
}

// Only a DIB whose rows are read gives a picture: for another bit count or compression the
// loader would make a black picture of whatever size the header claims, and the mark's next
// save would write all of it.
std::unique_ptr<TPVBitmap> LoadImage(const std::vector<uint8_t>& dib) {
  const auto length = static_cast<int64_t>(dib.size());
  TDibLayout layout;
  if (!ReadDibHeader(dib.data(), length, layout) || layout.Width <= 0 || layout.Height <= 0 ||
      !LocateDibPixels(dib.data(), length, nullptr, 0, TDibDataStart::Loader, layout) ||
      layout.Rows == TDibRows::None)
    return nullptr;
  auto image = std::make_unique<TPVBitmap>();
  if (LoadBitmapFromDIB(dib.data(), length, *image) == 0 || image->IsEmpty()) return nullptr;
  return image;
}

void TakePoints(TPVImagingObject& object, const std::vector<uint8_t>& pointData) {
  TPVByteReader reader(pointData.data(), static_cast<int64_t>(pointData.size()));
  reader.Skip(4);  // the maximum count
  const int32_t count = reader.ReadLE<int32_t>();
  if (count < 0 || !reader.CheckCount(count, 8)) return;
  object.Points = std::make_unique<TPoint[]>(static_cast<size_t>(count));
  for (int32_t i = 0; i < count; ++i) {
    object.Points[i].x = reader.ReadLE<int32_t>();
    object.Points[i].y = reader.ReadLE<int32_t>();
  }
  object.PointCount = count;
}

// The font height was stored for the screen the mark was made on (its creation scale is
// 72000 / that screen's resolution); it is brought to this screen. A scale or resolution of 0,
// or a height beyond int32, cannot be rescaled and stays as stored.
int32_t RescaledFontHeight(int32_t height, uint32_t creationScale) {
  if (creationScale == 0 || ScreenDpiY == 0) return height;
  const double rescaled = std::nearbyint(72000.0 / static_cast<double>(creationScale) *
                                         static_cast<double>(height) /
                                         static_cast<double>(ScreenDpiY));
  if (!(rescaled >= std::numeric_limits<int32_t>::min() &&
        rescaled <= std::numeric_limits<int32_t>::max()))
    return height;
  return static_cast<int32_t>(rescaled);
}

// A text record too short for its head gives no text; a text without its zero ends with the
// record.
void TakeText(TPVImagingObject& object, const std::vector<uint8_t>& textData) {
  TPVByteReader reader(textData.data(), static_cast<int64_t>(textData.size()));
  if (!reader.CheckCount(kTextAt)) return;
  reader.Skip(kTextScaleAt);
  const auto creationScale = reader.ReadLE<uint32_t>();
  reader.Skip(kTextAt - kTextScaleAt - 4);  // the stored length: the zero ends the text
  std::string text(static_cast<size_t>(reader.Left()), '\0');
  reader.Read(text.data(), reader.Left());
  text.resize(std::strlen(text.c_str()));
  object.Text = std::move(text);

  const int32_t height = ReadInt32At(object.Attributes, kAnnotFontHeightAt);
  WriteInt32At(object.Attributes, kAnnotFontHeightAt, RescaledFontHeight(height, creationScale));
}

}  // namespace

void AddAnnotObject(TPVImagingAnnot& Annot, const TPVAnnotNamedBlocks& Blocks,
                    const uint8_t (&Attributes)[kAnnotAttributesSize]) {
  const int32_t markType = ReadInt32At(Attributes, kAnnotMarkTypeAt);
  if (markType <= 0) return;
  auto object = std::make_unique<TPVImagingObject>();
  std::memcpy(object->Attributes, Attributes, kAnnotAttributesSize);
  if (markType == kAnnotImageMark && Blocks.DIB) {
    object->Image = LoadImage(*Blocks.DIB);
  } else if (markType >= kAnnotFirstPointMark && markType <= kAnnotLastPointMark &&
             Blocks.PointData) {
    TakePoints(*object, *Blocks.PointData);
  } else if (markType >= kAnnotFirstTextMark && markType <= kAnnotLastTextMark &&
             Blocks.TextData) {
    TakeText(*object, *Blocks.TextData);
  }
  Annot.Objects.push_back(std::move(object));
}

void TPVImagingAnnot::LoadFromBuffer(const void* Data, int64_t Length) {
  if (Data == nullptr || Length <= 0) return;
  TPVByteReader reader(Data, Length);
  reader.Skip(4);  // written 0, means nothing
  const int32_t intFormat = reader.ReadLE<int32_t>();

  // The set's blocks are read to keep the parse in step; no mark uses them.
  TPVAnnotNamedBlocks setBlocks;
  TPVAnnotNamedBlocks markBlocks;
  // The latest mark's attributes: it is added once its named blocks are all read, at the next
  // mark or at the end. All zeros (no mark) before the first.
  uint8_t attributes[kAnnotAttributesSize] = {};
  while (!reader.Failed() && reader.Left() > 0) {
    const int32_t blockType = reader.ReadLE<int32_t>();
    reader.Skip(4);  // the length of what follows, which each type knows itself
    if (reader.Failed()) break;
    const int32_t markType = ReadInt32At(attributes, kAnnotMarkTypeAt);
    if (blockType == kSetNamedBlock) {
      ReadAnnotNamedBlock(setBlocks, reader, markType, intFormat);
    } else if (blockType == kMarkNamedBlock) {
      ReadAnnotNamedBlock(markBlocks, reader, markType, intFormat);
    } else if (blockType == kMarkAttributes) {
      AddAnnotObject(*this, markBlocks, attributes);
      FreeAnnotNamedBlocks(markBlocks);
      reader.Read(attributes, kAnnotAttributesSize);  // zeros, so no mark, when cut short
    }
    // Another type is passed over by its 8 bytes only: what follows is read as blocks.
  }
  AddAnnotObject(*this, markBlocks, attributes);
  UserChanged = false;
}

}  // namespace calmora
