// TPVMarkerList: the JPEG application and comment markers of an image, kept as read to be
// written back, and the order in which the JPEG writer puts them out.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/base/defs.h"

namespace calmora {

class TPVMarkerList : public TObject {
 public:
  // The largest payload a JPEG segment carries: its 16-bit length field counts itself too.
  static constexpr int64_t kMaxPayload = 65533;

  TPVMarkerList() = default;
  TPVMarkerList(const TPVMarkerList&) = delete;
  TPVMarkerList& operator=(const TPVMarkerList&) = delete;

  int32_t GetCount() const { return static_cast<int32_t>(Types.size()); }
  // Marker i's payload, valid until that marker changes; null for an empty payload.
  const uint8_t* GetMarkerData(int32_t i) const;
  // The second byte of the marker code: 0xE1 for APP1, 0xE2 for APP2, 0xFE for COM.
  uint8_t GetMarkerType(int32_t i) const;
  int32_t GetMarkerLength(int32_t i) const;
  // The first marker of that type, -1 when none.
  int32_t IndexOf(uint8_t type) const;

  // Appends a marker with a copy of Length bytes at Data. A length below 0 or above
  // kMaxPayload, which no JPEG segment can carry, or a null Data with bytes to copy is
  // refused: false, and the list as it was.
  bool AddMarker(uint8_t type, const void* Data, int64_t Length);
  // Replaces marker i's type and payload, refusing what AddMarker refuses.
  bool SetMarker(int32_t i, uint8_t type, const void* Data, int64_t Length);
  void DeleteMarker(int32_t i);
  void Clear();
  // A copy of every marker of Other, in order, replaces this list's; null and self are
  // ignored.
  void Assign(const TPVMarkerList* Other);

  // The write order: below 0 when marker i goes before marker j. By type, except that two
  // chunks of an embedded ICC profile (APP2 payloads beginning "ICC_PROFILE" and a zero) go
  // by their sequence numbers.
  int32_t CompareMarkers(int32_t i, int32_t j) const;
  void SwapMarkers(int32_t i, int32_t j);
  // Sorts by CompareMarkers (a quicksort, so markers that compare equal may change places),
  // then brings an EXIF APP1 to the place of the first APP1, where readers look for it.
  void SortMarkers();

  // Parallel lists: marker i is Types[i] with payload Payloads[i] (without the marker code
  // and the length field). Change them only through the operations above.
  std::vector<std::vector<uint8_t>> Payloads;
  std::vector<uint8_t> Types;

 private:
  void CheckIndex(int32_t i) const;
};

}  // namespace calmora
