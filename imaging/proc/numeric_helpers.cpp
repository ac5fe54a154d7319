// Rounding of reals toward the infinities. Out-of-range results saturate instead of being
// undefined, since pixel arithmetic feeds these with unchecked coordinates.
#include "imaging/proc/numeric_helpers.h"

#include <cmath>
#include <limits>

namespace calmora {

namespace {

int32_t SaturatedInt(long double value) {
  if (std::isnan(value)) return 0;
  if (value >= static_cast<long double>(std::numeric_limits<int32_t>::max()))
    return std::numeric_limits<int32_t>::max();
  if (value <= static_cast<long double>(std::numeric_limits<int32_t>::min()))
    return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(value);
}

}  // namespace

int32_t CeilToInt(long double X) {
  const long double whole = std::trunc(X);
  return SaturatedInt(X - whole > 0 ? whole + 1 : whole);
}

int32_t FloorToInt(long double X) {
  const long double whole = std::trunc(X);
  return SaturatedInt(X - whole < 0 ? whole - 1 : whole);
}

}  // namespace calmora
