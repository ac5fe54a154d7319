// Power functions with integral fast paths, and the cosine table of the blending transitions.
#include <cmath>
#include <numbers>

#include "imaging/base/defs.h"
#include "imaging/base/powers.h"

namespace calmora {

namespace {

// base^exponent by repeated squaring over |exponent|, the reciprocal for a negative exponent.
template <typename Real>
Real PowerBySquaring(Real base, int32_t exponent) {
  int64_t remaining = exponent < 0 ? -static_cast<int64_t>(exponent) : exponent;
  Real result = 1;
  Real factor = base;
  while (remaining != 0) {
    if (remaining & 1) result *= factor;
    remaining >>= 1;
    if (remaining != 0) factor *= factor;
  }
  return exponent < 0 ? 1 / result : result;
}

}  // namespace

long double RaiseToIntPower(long double base, int32_t exponent) {
  if (exponent == 0) return 1;
  return PowerBySquaring(base, exponent);
}

long double RaiseToPower(long double base, long double exponent) {
  if (exponent == 0) return 1;
  if (base == 0 && exponent > 0) return 0;
  if (std::trunc(exponent) == exponent && std::fabs(exponent) <= 2147483647.0L)
    return RaiseToIntPower(base, static_cast<int32_t>(exponent));
  return std::exp(exponent * std::log(base));
}

double RaiseDoubleToPower(double base, double exponent) {
  if (std::trunc(exponent) == exponent && std::fabs(exponent) < 2147483647.0) {
    if (base == 0) return exponent == 0 ? 1 : 0;
    const auto n = static_cast<int32_t>(exponent);
    switch (n) {
      case 0: return 1;
      case 1: return base;
      case 2: return base * base;
      case -1: return 1 / base;
      case -2: return 1 / (base * base);
      default: break;
    }
    return PowerBySquaring(base, n);
  }
  if (base == 0) return base;
  return std::exp2(exponent * std::log2(base));
}

void BuildCosineTable() {
  for (int i = 0; i < 256; ++i)
    CosineBlendTable[i] =
        static_cast<int32_t>(std::nearbyint(64 - 64 * std::cos(i * std::numbers::pi / 255)));
}

}  // namespace calmora
