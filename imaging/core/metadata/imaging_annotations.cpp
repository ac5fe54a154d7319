// TPVImagingAnnot and TPVImagingObject: the marks themselves, emptied and deep-copied here;
// their block is read and written in the processing layer (see the header).
#include "imaging/core/metadata/imaging_annotations.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#include "imaging/base/streams/byte_reader.h"

namespace calmora {

int32_t TPVImagingObject::GetMarkType() const {
  return TPVByteReader(Attributes + kAnnotMarkTypeAt, 4).ReadLE<int32_t>();
}

std::unique_ptr<TPVImagingObject> TPVImagingObject::Clone() const {
  auto copy = std::make_unique<TPVImagingObject>();
  std::memcpy(copy->Attributes, Attributes, sizeof(Attributes));
  if (Points && PointCount > 0) {
    copy->Points = std::make_unique<TPoint[]>(static_cast<size_t>(PointCount));
    std::copy(Points.get(), Points.get() + PointCount, copy->Points.get());
  }
  copy->PointCount = PointCount;
  copy->Text = Text;
  if (Image) {
    copy->Image = std::make_unique<TPVBitmap>();
    // A picture that cannot be copied fails the whole copy rather than vanish from it.
    if (!copy->Image->Assign(Image.get())) throw std::bad_alloc();
  }
  return copy;
}

void TPVImagingAnnot::Clear() { Objects.clear(); }

void TPVImagingAnnot::Assign(const TPVImagingAnnot* Source) {
  if (Source == nullptr || Source == this) return;
  // Copied aside first: a copy that fails leaves this list as it was.
  std::vector<std::unique_ptr<TPVImagingObject>> copies;
  copies.reserve(Source->Objects.size());
  for (const auto& object : Source->Objects) copies.push_back(object->Clone());
  Objects = std::move(copies);
}

}  // namespace calmora
