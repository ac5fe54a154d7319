// The IPTC tests' view of a dataset list: (record, dataset, bytes) triples, read from a
// TPVIPTCInfoList or added to one, and the text helper the cases are written with.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
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

}  // namespace calmora::test
