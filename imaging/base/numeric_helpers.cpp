// Rounding of reals toward the infinities. Out-of-range results saturate instead of being
// undefined, since pixel arithmetic feeds these with unchecked coordinates.
#include "imaging/base/numeric_helpers.h"

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

int32_t TruncToInt32Bits(double value) {
  if (std::isnan(value)) return 0;
  const double truncated = std::trunc(value);
  int64_t whole;
  if (truncated >= 9223372036854775807.0)
    whole = std::numeric_limits<int64_t>::max();
  else if (truncated <= -9223372036854775808.0)
    whole = std::numeric_limits<int64_t>::min();
  else
    whole = static_cast<int64_t>(truncated);
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(whole)));
}

}  // namespace calmora
