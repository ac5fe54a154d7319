// TPVMarkerList: the marker payloads, their types and the write order.
#include "imaging/core/metadata/marker_list.h"

#include <cassert>
#include <cstring>
#include <utility>

#include "imaging/base/quick_sort.h"
#include "imaging/core/metadata/is_exif_block.h"

namespace calmora {

namespace {

constexpr uint8_t kApp1 = 0xE1;
constexpr uint8_t kApp2 = 0xE2;
// "ICC_PROFILE", its zero, the chunk's sequence number (from 1) and the number of chunks.
constexpr char kIccChunkTag[] = "ICC_PROFILE";
constexpr size_t kIccSequenceAt = sizeof(kIccChunkTag);

bool IsIccChunk(uint8_t type, const std::vector<uint8_t>& payload) {
  return type == kApp2 && payload.size() > kIccSequenceAt + 1 &&
         std::memcmp(payload.data(), kIccChunkTag, sizeof(kIccChunkTag)) == 0;
}

// A copy of the payload, or nothing when a JPEG segment could not carry it.
bool CopyPayload(const void* data, int64_t length, std::vector<uint8_t>& payload) {
  if (length < 0 || length > TPVMarkerList::kMaxPayload || (data == nullptr && length > 0))
    return false;
  const auto* bytes = static_cast<const uint8_t*>(data);
  payload.assign(bytes, bytes + length);
  return true;
}

}  // namespace

void TPVMarkerList::CheckIndex([[maybe_unused]] int32_t i) const {
  assert(i >= 0 && i < GetCount() && "marker index out of range");
}

const uint8_t* TPVMarkerList::GetMarkerData(int32_t i) const {
  CheckIndex(i);
  return Payloads[i].empty() ? nullptr : Payloads[i].data();
}

uint8_t TPVMarkerList::GetMarkerType(int32_t i) const {
  CheckIndex(i);
  return Types[i];
}

int32_t TPVMarkerList::GetMarkerLength(int32_t i) const {
  CheckIndex(i);
  return static_cast<int32_t>(Payloads[i].size());
}

int32_t TPVMarkerList::IndexOf(uint8_t type) const {
  for (int32_t i = 0; i < GetCount(); ++i)
    if (Types[i] == type) return i;
  return -1;
}

bool TPVMarkerList::AddMarker(uint8_t type, const void* Data, int64_t Length) {
  std::vector<uint8_t> payload;
  if (!CopyPayload(Data, Length, payload)) return false;
  Payloads.push_back(std::move(payload));
  Types.push_back(type);
  return true;
}

bool TPVMarkerList::SetMarker(int32_t i, uint8_t type, const void* Data, int64_t Length) {
  CheckIndex(i);
  std::vector<uint8_t> payload;
  if (!CopyPayload(Data, Length, payload)) return false;
  Payloads[i] = std::move(payload);
  Types[i] = type;
  return true;
}

void TPVMarkerList::DeleteMarker(int32_t i) {
  CheckIndex(i);
  Payloads.erase(Payloads.begin() + i);
  Types.erase(Types.begin() + i);
}

void TPVMarkerList::Clear() {
  Payloads.clear();
  Types.clear();
}

void TPVMarkerList::Assign(const TPVMarkerList* Other) {
  if (Other == nullptr || Other == this) return;
  Payloads = Other->Payloads;
  Types = Other->Types;
}

int32_t TPVMarkerList::CompareMarkers(int32_t i, int32_t j) const {
  CheckIndex(i);
  CheckIndex(j);
  if (IsIccChunk(Types[i], Payloads[i]) && IsIccChunk(Types[j], Payloads[j]))
    return int32_t{Payloads[i][kIccSequenceAt]} - int32_t{Payloads[j][kIccSequenceAt]};
  return int32_t{Types[i]} - int32_t{Types[j]};
}

void TPVMarkerList::SwapMarkers(int32_t i, int32_t j) {
  CheckIndex(i);
  CheckIndex(j);
  std::swap(Payloads[i], Payloads[j]);
  std::swap(Types[i], Types[j]);
}

void TPVMarkerList::SortMarkers() {
  QuickSortIndexed(
      GetCount(), [this](int32_t i, int32_t j) { return CompareMarkers(i, j); },
      [this](int32_t i, int32_t j) { SwapMarkers(i, j); });

  const int32_t firstApp1 = IndexOf(kApp1);
  if (firstApp1 < 0) return;
  for (int32_t i = firstApp1 + 1; i < GetCount(); ++i) {
    if (Types[i] == kApp1 &&
        IsExifBlock(Payloads[i].data(), static_cast<int64_t>(Payloads[i].size())))
      SwapMarkers(firstApp1, i);
  }
}

}  // namespace calmora
