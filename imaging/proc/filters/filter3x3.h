// The 3 x 3 convolution of 8-bit grey images (ApplyFilter3x3) and the process-wide list of
// named filters that menus offer and the soft shadow's small-radius blur takes its kernel from.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "imaging/core/bitmap/bitmap.h"

namespace calmora {

// Nine weights in rows (the row above, the pixel's row, the row below; left, centre, right
// within each) and the divisor of the weighted sum; a divisor of 0 counts as 1.
struct Filter3x3 {
  int32_t Weights[9] = {};
  int32_t Divisor = 0;
  friend bool operator==(const Filter3x3&, const Filter3x3&) = default;
};

// Each pixel of [X1, X2) x [Y1, Y2), cut to the image, becomes ClampByte(|sum| div divisor) of
// its weighted 3 x 3 neighbourhood as it was before the call; neighbours beyond the image edge
// repeat the edge pixel. Only pv8g: other formats, and an empty rectangle, are left unchanged.
void ApplyFilter3x3(TPVBitmap& Bitmap, const Filter3x3& Filter, int32_t X1, int32_t Y1, int32_t X2,
                    int32_t Y2);

// Index of the built-in "Blur" in the named list (all nine weights 1, divisor 9).
inline constexpr int32_t NamedFilterBlur = 1;
// The nine built-in filters in list order, and their names.
extern const Filter3x3 BuiltInFilters[9];
extern const char* const BuiltInFilterNames[9];

// Filters and their names in the same order; filled by InitNamedFilters at the processing
// unit's set-up, emptied by FreeNamedFilters.
extern std::vector<Filter3x3> NamedFilters;
extern std::vector<std::string> NamedFilterNames;

// Makes the two lists the nine built-in entries (whatever they held before).
void InitNamedFilters();
void FreeNamedFilters();
// Appends a copy of the filter and its name; the new entry's index.
int32_t AddNamedFilter(const Filter3x3& Filter, const std::string& Name);

}  // namespace calmora
