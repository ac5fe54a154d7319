// A second, independent reading of the "cprt" and "desc" texts of an ICC profile, by plain
// indexing into the bytes: the tests and the fuzz target check TPVICC against it on any input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace calmora::test {

struct ProfileTexts {
  std::string Cprt;
  std::string Desc;
  bool operator==(const ProfileTexts&) const = default;
};

inline ProfileTexts ModelProfileTexts(const uint8_t* data, size_t size) {
  // Big-endian numbers composed by multiplication, not by shifts.
  const auto number = [data](size_t at) {
    uint64_t value = 0;
    for (size_t k = 0; k < 4; ++k) value = value * 256 + data[at + k];
    return value >= 0x80000000u ? int64_t(value) - 0x100000000 : int64_t(value);
  };
  ProfileTexts texts;
  if (size < 132) return texts;
  const int64_t count = number(128);
  if (count < 0 || count > 1000) return texts;
  for (int64_t i = 0; i < count; ++i) {
    const size_t entry = 132 + 12 * size_t(i);
    if (entry + 12 > size) break;
    const int64_t offset = number(entry + 4);
    const int64_t length = number(entry + 8);
    if (offset < 0 || length < 0 || offset > int64_t(size) || length > int64_t(size)) break;
    if (length >= 1000) continue;
    std::string* text = nullptr;
    size_t start = size_t(offset);
    if (std::memcmp(data + entry, "cprt", 4) == 0) {
      text = &texts.Cprt;
      start += 8;
    } else if (std::memcmp(data + entry, "desc", 4) == 0) {
      text = &texts.Desc;
      start += 12;
    } else {
      continue;
    }
    std::string found;
    for (size_t k = start; k < size && k < start + 1000; ++k) {
      if (data[k] == 0) {
        *text = found;
        break;
      }
      found += char(data[k]);
    }
  }
  return texts;
}

}  // namespace calmora::test
