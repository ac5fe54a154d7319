// Powers with integral fast paths, small selection helpers and the cosine blend table.
#pragma once

#include <cstdint>

namespace calmora {

// base^exponent by repeated squaring over |exponent|; a negative exponent gives the reciprocal.
long double RaiseToIntPower(long double base, int32_t exponent);

// base^exponent: 1 for exponent 0, 0 for base 0 and a positive exponent, RaiseToIntPower for
// integral exponents within int32, else exp(exponent * ln base).
long double RaiseToPower(long double base, long double exponent);

// base^exponent with fast paths for the exponents 0, +-1, +-2 and other integral exponents;
// non-integral exponents need a positive base.
double RaiseDoubleToPower(double base, double exponent);

inline int32_t ChooseInt(bool flag, int32_t a, int32_t b) { return flag ? a : b; }
inline int32_t SelectInteger(bool flag, int32_t a, int32_t b) { return flag ? a : b; }
inline double SelectDouble(bool flag, double a, double b) { return flag ? a : b; }

// Fills CosineBlendTable.
void BuildCosineTable();

}  // namespace calmora
