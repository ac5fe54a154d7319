// TPVDICOMTags: the data elements of a DICOM file as its reader found them, each owning its
// value bytes.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "imaging/base/defs.h"

namespace calmora {

struct TPVDICOMTag {
  uint16_t Group = 0;
  uint16_t Element = 0;
  char VR[2] = {0, 0};  // the value representation ("US", "OB" ...); zeros when unknown
  // Length value bytes followed by a zero byte (the DICOM reader ends every value so, for the
  // texts among them); null when the element has none.
  std::unique_ptr<uint8_t[]> Data;
  int32_t Length = 0;
};

class TPVDICOMTags : public TObject {
 public:
  TPVDICOMTags() = default;
  TPVDICOMTags(const TPVDICOMTags&) = delete;
  TPVDICOMTags& operator=(const TPVDICOMTags&) = delete;

  // Appends an element and returns its index. The value representation is kept only when the
  // text has exactly 2 characters. The list takes Data over, without a copy; a negative
  // length stores length 0 and no data (and frees Data).
  int32_t AddTag(uint16_t group, uint16_t element, std::string_view vr,
                 std::unique_ptr<uint8_t[]> Data, int32_t Length);
  void Clear();
  // A copy of every element of Other replaces this list's; each value with a length above 0
  // gets a block of its own, with the terminating zero written here. Null and self are
  // ignored.
  void Assign(const TPVDICOMTags* Other);

  std::vector<TPVDICOMTag> Tags;
};

}  // namespace calmora
