// Integer and real minimum, maximum, clamping, rounding toward the infinities and exchanges:
// the small numeric routines every unit of the imaging library calls.
#pragma once

#include <cstdint>

namespace calmora {

// Trunc(X), plus 1 when X has a positive fraction. Results beyond int32 saturate; NaN gives 0.
int32_t CeilToInt(long double X);
// Trunc(X), minus 1 when X has a negative fraction. Results beyond int32 saturate; NaN gives 0.
int32_t FloorToInt(long double X);
// Trunc of a double kept to its low 32 bits, as a 64-bit integer truncation assigned to a
// 32-bit variable would give; NaN and values beyond int64 saturate instead of being undefined.
int32_t TruncToInt32Bits(double value);

inline double MinFloat(double A, double B) { return A < B ? A : B; }
inline double MaxFloat(double A, double B) { return A > B ? A : B; }
inline int32_t IntMax(int32_t A, int32_t B) { return A < B ? B : A; }
inline int32_t IntMin(int32_t A, int32_t B) { return B < A ? B : A; }

// Low when Value <= Low, else High when Value >= High, else Value. The Low test comes first,
// so with Low above High every value above Low gives High.
inline int32_t ClampInt(int32_t Value, int32_t Low, int32_t High) {
  if (Value <= Low) return Low;
  if (Value >= High) return High;
  return Value;
}

inline uint8_t ClampByte(int32_t Value) {
  if (Value < 0) return 0;
  if (Value > 255) return 255;
  return static_cast<uint8_t>(Value);
}

inline void SwapInt(int32_t& A, int32_t& B) {
  const int32_t t = A;
  A = B;
  B = t;
}

inline void SwapByte(uint8_t& A, uint8_t& B) {
  const uint8_t t = A;
  A = B;
  B = t;
}

// Orders a rectangle given by two corners: X1 <= X2 and Y1 <= Y2 afterwards.
inline void OrderCorners(int32_t& X1, int32_t& Y1, int32_t& X2, int32_t& Y2) {
  if (X1 > X2) SwapInt(X1, X2);
  if (Y1 > Y2) SwapInt(Y1, Y2);
}

}  // namespace calmora
