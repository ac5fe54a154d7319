// The IPTC tests' view of a dataset list: (record, dataset, bytes) triples, read from a
// TPVIPTCInfoList or added to one, the text helper the cases are written with, and blocks
// written here field by field, apart from the list's own writer.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "imaging/core/metadata/iptc_info_list.h"

namespace calmora::test {

using Bytes = std::vector<uint8_t>;

struct Dataset {
  int32_t record = 0, dataset = 0;
  Bytes data;
  friend bool operator==(const Dataset&, const Dataset&) = default;
};

inline Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

// The list's datasets in order; each entry's stored length must match its buffer.
inline std::vector<Dataset> Datasets(const TPVIPTCInfoList& list) {
  std::vector<Dataset> datasets;
  for (int32_t i = 0; i < list.GetCount(); ++i) {
    EXPECT_EQ(list.Info[i].Length, static_cast<int32_t>(list.Buffers[i].size()));
    datasets.push_back({list.GetRecordNumber(i), list.GetDatasetNumber(i), list.Buffers[i]});
  }
  return datasets;
}

inline void AddAll(TPVIPTCInfoList& list, const std::vector<Dataset>& datasets) {
  for (const Dataset& d : datasets)
    ASSERT_GE(list.AddItem(d.record, d.dataset, int32_t(d.data.size()), d.data.data()), 0);
}

// Datasets as a block holds them: tag, record, dataset, the length in 2 bytes below 0x8000,
// else 0x80 0x04 and the length in 4 bytes; then the data.
inline Bytes DatasetBytes(const std::vector<Dataset>& datasets) {
  Bytes bytes;
  for (const Dataset& d : datasets) {
    const uint32_t length = static_cast<uint32_t>(d.data.size());
    bytes.insert(bytes.end(), {0x1C, uint8_t(d.record), uint8_t(d.dataset)});
    if (length < 0x8000)
      bytes.insert(bytes.end(), {uint8_t(length >> 8), uint8_t(length)});
    else
      bytes.insert(bytes.end(), {0x80, 0x04, uint8_t(length >> 24), uint8_t(length >> 16),
                                 uint8_t(length >> 8), uint8_t(length)});
    bytes.insert(bytes.end(), d.data.begin(), d.data.end());
  }
  return bytes;
}

// A "Photoshop 3.0" block of one IPTC resource (8BIM, 0x0404) named name (a length byte and the
// text, padded to an even size), with sizeField in its size field whatever data holds, then
// data padded to an even size.
inline Bytes ResourceBlock(const std::string& name, uint32_t sizeField, const Bytes& data) {
  Bytes block = Text("Photoshop 3.0");
  block.push_back(0);
  const Bytes marker = Text("8BIM");
  block.insert(block.end(), marker.begin(), marker.end());
  block.insert(block.end(), {0x04, 0x04, uint8_t(name.size())});
  block.insert(block.end(), name.begin(), name.end());
  if (name.size() % 2 == 0) block.push_back(0);
  block.insert(block.end(), {uint8_t(sizeField >> 24), uint8_t(sizeField >> 16),
                             uint8_t(sizeField >> 8), uint8_t(sizeField)});
  block.insert(block.end(), data.begin(), data.end());
  if (data.size() % 2 == 1) block.push_back(0);
  return block;
}

// The size field of the IPTC resource of a "Photoshop 3.0" block, found by walking its
// resources one by one; nothing when the walk does not reach one.
inline std::optional<uint32_t> ResourceSizeField(const Bytes& block) {
  const auto be32 = [&](size_t at) {
    return uint32_t{block[at]} << 24 | uint32_t{block[at + 1]} << 16 |
           uint32_t{block[at + 2]} << 8 | uint32_t{block[at + 3]};
  };
  size_t at = 14;  // "Photoshop 3.0" and its zero
  while (at + 7 <= block.size() && std::memcmp(block.data() + at, "8BIM", 4) == 0) {
    const bool iptc = block[at + 4] == 0x04 && block[at + 5] == 0x04;
    const size_t nameBytes = (1 + size_t{block[at + 6]} + 1) / 2 * 2;
    const size_t sizeAt = at + 6 + nameBytes;
    if (sizeAt + 4 > block.size()) return std::nullopt;
    const uint32_t size = be32(sizeAt);
    if (iptc) return size;
    at = sizeAt + 4 + size + (size & 1);
  }
  return std::nullopt;
}

// Two datasets whose bytes in a block come to exactly size (at least 18): a title, then a
// caption of the rest, in the extended form where it needs it (no split gives 0x8011 to
// 0x8014).
inline std::vector<Dataset> DatasetsOfSize(uint32_t size) {
  const Dataset title{2, 5, Text("Harbour")};  // 12 bytes
  const uint32_t rest = size - 12;
  const uint32_t caption = rest - 5 < 0x8000 ? rest - 5 : rest - 9;
  Bytes text(caption);
  for (uint32_t i = 0; i < caption; ++i) text[i] = uint8_t('a' + i * 7 % 26);
  return {title, {2, 120, text}};
}

}  // namespace calmora::test
