// TPVDICOMTags: the element list, which owns every value block.
#include "imaging/core/metadata/dicom_tags.h"

#include <cstring>
#include <utility>

namespace calmora {

int32_t TPVDICOMTags::AddTag(uint16_t group, uint16_t element, std::string_view vr,
                             std::unique_ptr<uint8_t[]> Data, int32_t Length) {
  TPVDICOMTag& tag = Tags.emplace_back();
  tag.Group = group;
  tag.Element = element;
  if (vr.size() == 2) std::memcpy(tag.VR, vr.data(), 2);
  if (Length >= 0) {
    tag.Data = std::move(Data);
    tag.Length = Length;
  }
  return static_cast<int32_t>(Tags.size()) - 1;
}

void TPVDICOMTags::Clear() { Tags.clear(); }

void TPVDICOMTags::Assign(const TPVDICOMTags* Other) {
  if (Other == nullptr || Other == this) return;
  std::vector<TPVDICOMTag> copies(Other->Tags.size());
  for (size_t i = 0; i < copies.size(); ++i) {
    const TPVDICOMTag& source = Other->Tags[i];
    TPVDICOMTag& copy = copies[i];
    copy.Group = source.Group;
    copy.Element = source.Element;
    std::memcpy(copy.VR, source.VR, sizeof(copy.VR));
    copy.Length = source.Length;
    if (source.Length > 0 && source.Data) {
      // The value only: the source's zero after it may lie past a block it was handed.
      copy.Data = std::make_unique_for_overwrite<uint8_t[]>(static_cast<size_t>(source.Length) + 1);
      std::memcpy(copy.Data.get(), source.Data.get(), static_cast<size_t>(source.Length));
      copy.Data[source.Length] = 0;
    }
  }
  Tags = std::move(copies);
}

}  // namespace calmora
