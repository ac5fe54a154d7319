// The library's small containers in one include: THash1, TPVByteArray, TPVList and its typed
// lists, TPVRecordList.
#pragma once

#include "imaging/core/byte_array.h"
#include "imaging/core/hash.h"
#include "imaging/core/pv_list.h"
#include "imaging/core/record_list.h"
