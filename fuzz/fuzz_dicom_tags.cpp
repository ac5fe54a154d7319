// libFuzzer target of the DICOM tag list: the input's data elements, walked as a DICOM file
// lays them out (after the preamble and "DICM" when present; explicit value representations
// where two capital letters stand, implicit ones elsewhere), are handed to TPVDICOMTags.AddTag
// as a reader hands them over, some values with the reader's terminating zero and some without.
// The list must hold exactly what it was given, own the blocks it took, store no data for an
// undefined length, and copy every value into a block of its own that ends with a zero.
// Fuzz budget in CI: 20 s
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "imaging/core/metadata/dicom_tags.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

// What one AddTag call was given.
struct Handed {
  uint16_t Group = 0, Element = 0;
  std::string VR;
  const uint8_t* Data = nullptr;  // the block handed over, null for none
  int32_t Length = 0;
};

uint16_t Le16(const uint8_t* at) { return static_cast<uint16_t>(at[0] | at[1] << 8); }
uint32_t Le32(const uint8_t* at) {
  return static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 |
         static_cast<uint32_t>(at[2]) << 16 | static_cast<uint32_t>(at[3]) << 24;
}

bool IsCapital(uint8_t c) { return c >= 'A' && c <= 'Z'; }

// Value representations whose length takes 4 bytes after 2 reserved ones.
bool HasLongLength(const char* vr) {
  static const char* const kLong[] = {"OB", "OD", "OF", "OL", "OV", "OW",
                                      "SQ", "UC", "UN", "UR", "UT"};
  for (const char* entry : kLong)
    if (std::memcmp(vr, entry, 2) == 0) return true;
  return false;
}

constexpr uint32_t kUndefinedLength = 0xFFFFFFFF;
constexpr size_t kMostElements = 4096;

// Walks the elements into tags, recording what each call was given.
std::vector<Handed> Walk(const uint8_t* data, size_t size, calmora::TPVDICOMTags& tags) {
  std::vector<Handed> handed;
  size_t at = size >= 132 && std::memcmp(data + 128, "DICM", 4) == 0 ? 132 : 0;
  while (size - at >= 8 && handed.size() < kMostElements) {
    Handed h;
    h.Group = Le16(data + at);
    h.Element = Le16(data + at + 2);
    const uint8_t* vr = data + at + 4;
    // Items and delimiters (group FFFE) never carry a value representation.
    const bool explicitVR = h.Group != 0xFFFE && IsCapital(vr[0]) && IsCapital(vr[1]);
    uint32_t length = 0;
    if (!explicitVR) {
      length = Le32(data + at + 4);
      at += 8;
    } else if (HasLongLength(reinterpret_cast<const char*>(vr))) {
      if (size - at < 12) break;
      length = Le32(data + at + 8);
      at += 12;
    } else {
      length = Le16(data + at + 6);
      at += 8;
    }
    if (explicitVR) h.VR.assign(reinterpret_cast<const char*>(vr), 2);
    // Private groups (odd numbers) hand over a text of three characters, which is not kept.
    if (explicitVR && (h.Group & 1)) h.VR += 'x';
    std::unique_ptr<uint8_t[]> value;
    if (length == kUndefinedLength) {
      // A sequence or item of undefined length: its contents follow as elements.
      h.Length = -1;
      value = std::make_unique<uint8_t[]>(1);  // handed over all the same, and freed
    } else {
      if (length > size - at) break;
      h.Length = static_cast<int32_t>(length);
      if (length > 0) {
        // Values of odd elements come without the reader's zero, so a copy that reads it shows.
        const bool withZero = (h.Element & 1) == 0;
        value = std::make_unique<uint8_t[]>(length + (withZero ? 1 : 0));
        std::memcpy(value.get(), data + at, length);
        if (withZero) value[length] = 0;
        h.Data = value.get();
      }
      at += length;
    }
    const int32_t index = tags.AddTag(h.Group, h.Element, h.VR, std::move(value), h.Length);
    Check(index == static_cast<int32_t>(handed.size()));
    handed.push_back(std::move(h));
  }
  return handed;
}

void CheckTag(const calmora::TPVDICOMTag& tag, const Handed& h) {
  Check(tag.Group == h.Group && tag.Element == h.Element);
  const char noVR[2] = {0, 0};
  Check(std::memcmp(tag.VR, h.VR.size() == 2 ? h.VR.data() : noVR, 2) == 0);
  Check(tag.Length == (h.Length < 0 ? 0 : h.Length));
  Check(tag.Data.get() == h.Data);
}

void CheckCopy(const calmora::TPVDICOMTag& copy, const calmora::TPVDICOMTag& source) {
  Check(copy.Group == source.Group && copy.Element == source.Element);
  Check(std::memcmp(copy.VR, source.VR, 2) == 0 && copy.Length == source.Length);
  if (source.Length > 0 && source.Data) {
    Check(copy.Data && copy.Data.get() != source.Data.get());
    Check(std::memcmp(copy.Data.get(), source.Data.get(), static_cast<size_t>(source.Length)) ==
          0);
    Check(copy.Data[static_cast<size_t>(source.Length)] == 0);
  } else {
    Check(!copy.Data);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  calmora::TPVDICOMTags tags;
  const std::vector<Handed> handed = Walk(data, size, tags);
  Check(tags.Tags.size() == handed.size());
  for (size_t i = 0; i < handed.size(); ++i) CheckTag(tags.Tags[i], handed[i]);

  // A copy into a list that held something else, outliving its source.
  calmora::TPVDICOMTags copy;
  copy.AddTag(0x0008, 0x0016, "UI", nullptr, 0);
  {
    calmora::TPVDICOMTags source;
    source.Assign(&tags);
    for (size_t i = 0; i < tags.Tags.size(); ++i) CheckCopy(source.Tags[i], tags.Tags[i]);
    copy.Assign(&source);
  }
  Check(copy.Tags.size() == tags.Tags.size());
  for (size_t i = 0; i < tags.Tags.size(); ++i) CheckCopy(copy.Tags[i], tags.Tags[i]);
  copy.Assign(nullptr);
  copy.Assign(&copy);
  Check(copy.Tags.size() == tags.Tags.size());
  copy.Clear();
  Check(copy.Tags.empty());
  return 0;
}
