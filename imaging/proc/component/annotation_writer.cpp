// Writing an annotation block: TPVImagingAnnot::SaveToBuffer, with image marks packed as DIBs.
// Part of the core's annotation list, here because DIBs are made in this layer.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "imaging/base/text_helpers.h"
#include "imaging/core/dpi_globals.h"
#include "imaging/core/metadata/imaging_annotations.h"
#include "imaging/proc/dib/dib_interchange.h"

namespace calmora {

namespace {

constexpr int32_t kSetNamedBlock = 2;
constexpr int32_t kMarkAttributes = 5;
constexpr int32_t kMarkNamedBlock = 6;
constexpr int32_t kNamedBlockHeadLength = 12;  // the name and the size field after it
constexpr size_t kNameSize = 8;
constexpr int32_t kTextRecordUnit = 1000;  // written in every mark and text record

// The block as it grows. Each size field is written as 0 and filled in once what it counts
// is complete: named blocks nest no deeper than one level, but a stack keeps that honest.
class AnnotBlockWriter {
 public:
  void PutInt32(int32_t value) {
    for (int i = 0; i < 4; ++i)
      bytes_.push_back(static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * i)));
  }
  void PutBytes(const void* data, size_t count) {
    const auto* from = static_cast<const uint8_t*>(data);
    bytes_.insert(bytes_.end(), from, from + count);
  }
  void PutText(const std::string& text) { PutBytes(text.c_str(), text.size() + 1); }

  void OpenSize() {
    openSizes_.push_back(bytes_.size());
    PutInt32(0);
  }
  void CloseSize() {
    const size_t at = openSizes_.back();
    openSizes_.pop_back();
    const auto count = static_cast<uint32_t>(bytes_.size() - at - 4);
    for (int i = 0; i < 4; ++i) bytes_[at + i] = static_cast<uint8_t>(count >> (8 * i));
  }

  // A named block: type, head length, the name padded with zeros, its size, then what Fill
  // writes.
  template <class Fill>
  void PutNamedBlock(int32_t type, const char* name, Fill fill) {
    PutInt32(type);
    PutInt32(kNamedBlockHeadLength);
    char padded[kNameSize] = {};
    std::memcpy(padded, name, std::min(std::strlen(name), kNameSize));
    PutBytes(padded, kNameSize);
    OpenSize();
    fill();
    CloseSize();
  }
  void PutTextBlock(int32_t type, const char* name, const std::string& text) {
    PutNamedBlock(type, name, [&] { PutText(text); });
  }

  const std::vector<uint8_t>& Bytes() const { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
  std::vector<size_t> openSizes_;
};

// The mark record of an image mark: the screen it was saved on.
void PutImageMarkRecord(AnnotBlockWriter& block) {
  block.PutInt32(1);
  block.PutInt32(kTextRecordUnit);
  for (int i = 0; i < 2; ++i) {
    block.PutInt32(ScreenDpiX);
    block.PutInt32(ScreenDpiY);
  }
  block.PutInt32(0);
  block.PutInt32(0);
  const uint8_t zeros[24] = {};
  block.PutBytes(zeros, sizeof(zeros));
}

// The whole picture as a DIB (and the few zero bytes its block carries after it), with no
// resolution. A picture that gives no DIB is left out.
void PutImage(AnnotBlockWriter& block, TPVBitmap* image) {
  if (image == nullptr || image->IsEmpty()) return;
  platform::TGlobalMemory dib = CopyBitmaptoDIBEx(*image, 0, 0, 0, 0, 0, 0);
  platform::TGlobalMemoryLock lock(dib);
  if (lock.Data() == nullptr) return;
  block.PutNamedBlock(kMarkNamedBlock, "OiDIB",
                      [&] { block.PutBytes(lock.Data(), static_cast<size_t>(lock.Size())); });
}

void PutMarkData(AnnotBlockWriter& block, const TPVImagingObject& object) {
  const int32_t markType = object.GetMarkType();
  if (markType == kAnnotImageMark) {
    block.PutNamedBlock(kMarkNamedBlock, "OiAnoDat", [&] { PutImageMarkRecord(block); });
    PutImage(block, object.Image.get());
  } else if (markType >= kAnnotFirstPointMark && markType <= kAnnotLastPointMark) {
    const int32_t count = object.Points && object.PointCount > 0 ? object.PointCount : 0;
    block.PutNamedBlock(kMarkNamedBlock, "OiAnoDat", [&] {
      block.PutInt32(count);  // the maximum
      block.PutInt32(count);
      for (int32_t i = 0; i < count; ++i) {
        block.PutInt32(object.Points[i].x);
        block.PutInt32(object.Points[i].y);
      }
    });
  } else if (markType >= kAnnotFirstTextMark && markType <= kAnnotLastTextMark) {
    const std::string text = object.Text.value_or(std::string());
    block.PutNamedBlock(kMarkNamedBlock, "OiAnText", [&] {
      block.PutInt32(0);  // orientation
      block.PutInt32(kTextRecordUnit);
      // The creation scale; 0, which readers take as "keep the height", without a resolution.
      block.PutInt32(ScreenDpiY != 0 ? 72000 / ScreenDpiY : 0);
      block.PutInt32(static_cast<int32_t>(text.size()));
      block.PutText(text);
    });
  }
}

}  // namespace

void TPVImagingAnnot::SaveToBuffer(UniqueMallocBlock<uint8_t>& Data, int64_t& Length) const {
  Data.reset();
  Length = 0;
  if (Objects.empty()) return;

  AnnotBlockWriter block;
  block.PutInt32(0);
  block.PutInt32(1);  // IntFormat: no extra word after the size fields
  block.PutTextBlock(kSetNamedBlock, "OiGroup", "0");
  block.PutTextBlock(kSetNamedBlock, "OiIndex", "1");
  for (size_t i = 0; i < Objects.size(); ++i) {
    const TPVImagingObject& object = *Objects[i];
    block.PutInt32(kMarkAttributes);
    block.OpenSize();
    block.PutBytes(object.Attributes, kAnnotAttributesSize);
    block.CloseSize();
    PutMarkData(block, object);
    block.PutTextBlock(kMarkNamedBlock, "OiGroup", "0");
    block.PutTextBlock(kMarkNamedBlock, "OiIndex", IntegerToText(static_cast<int64_t>(i)));
  }

  const std::vector<uint8_t>& bytes = block.Bytes();
  UniqueMallocBlock<uint8_t> copy(static_cast<uint8_t*>(std::malloc(bytes.size())));
  if (!copy) throw std::bad_alloc();
  std::memcpy(copy.get(), bytes.data(), bytes.size());
  Data = std::move(copy);
  Length = static_cast<int64_t>(bytes.size());
}

}  // namespace calmora
