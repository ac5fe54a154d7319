// The library's small containers in one include: THash1, TPVByteArray, TPVList and its typed
// lists, TPVRecordList.
#pragma once

#include "imaging/core/base/byte_array.h"
#include "imaging/core/base/hash.h"
#include "imaging/core/base/pv_list.h"
#include "imaging/core/base/record_list.h"
