// A text dump of a parameter record, one "Name=value" line per field in record order: what
// tests compare, and a readable picture of a record when one is needed.
#pragma once

#include <string>

#include "imaging/params/io_params.h"

namespace calmora {

// Owned objects appear by their content (sizes, counts and a hash of their bytes), procedure
// and owner links only as null or set.
std::string DumpParams(const TIOParamsVals& Params);

}  // namespace calmora
