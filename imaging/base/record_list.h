// TPVRecordList: a TPVList of records whose size is given at creation.
#pragma once

#include <cstdint>

#include "imaging/base/pv_list.h"

namespace calmora {

class TPVRecordList : public TPVList {
 public:
  // A negative size counts as 0.
  explicit TPVRecordList(int32_t recordSize) { ItemSize = recordSize > 0 ? recordSize : 0; }

  void* GetRecord(int32_t i) const { return GetItem(i); }
  int32_t AddRecord(const void* record) { return Add(record); }
};

}  // namespace calmora
