// The library's small containers in one include: THash1, TPVByteArray, TPVList and its typed
// lists, TPVRecordList.
#pragma once

#include "imaging/base/byte_array.h"
#include "imaging/base/hash.h"
#include "imaging/base/pv_list.h"
#include "imaging/base/record_list.h"
