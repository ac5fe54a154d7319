// The processing dialogs' parameter record: its reset values and the leading setters.
#include "imaging/proc/component/ip_dialog_params.h"

namespace calmora {

void TIPDialogParams::SetValue(int32_t index, int32_t value) {
  if (index < 0 || index > 3) return;
  leading_[index] = value;
  Stream.Clear();
}

void TIPDialogParams::Reset() {
  for (int32_t i = 0; i < 4; ++i) SetValue(i, -1);
  for (int32_t& value : Ints) value = 0;
  for (auto& row : Matrix)
    for (int32_t& value : row) value = 0;
  Matrix[1][1] = 1;  // the identity filter
  MatrixDivisor = 0;
  const TPVRGB black{0, 0, 0};
  const TPVRGB white{255, 255, 255};
  Colors[0] = black;
  Colors[1] = white;
  Colors[2] = black;
  Colors[3] = white;
  Rect1[0] = 0;
  Rect1[1] = 0;
  Rect1[2] = 150;
  Rect1[3] = 150;
  Color5 = white;
  Int5 = 0;
  Flag1 = true;
  Rect2[0] = 0;
  Rect2[1] = 0;
  Rect2[2] = 150;
  Rect2[3] = 150;
  Gamma = 1.7;
  Flag2 = true;
  Int6 = 10;
  Int7 = 10;
  Int8 = 0;
  Flag3 = false;
  Int9 = 0;
  Int10 = 1;
  Low = 0.0;
  High = 1.0;
  Int11 = 1;
  Int12 = 4;
  Flag4 = true;
  Stream.Clear();
}

}  // namespace calmora
