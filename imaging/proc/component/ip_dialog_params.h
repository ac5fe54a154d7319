// TIPDialogParams, the parameter record of the processing dialogs, and the small option types
// those dialogs take. The dialogs themselves are not part of the library: these only hold
// values a program may set and read back.
#pragma once

#include <cstdint>
#include <functional>

#include "imaging/base/defs.h"
#include "imaging/base/pixel_types.h"
#include "imaging/base/streams/streams.h"

namespace calmora {

// Options of the processing dialogs.
enum TPRPreviewsParam : uint8_t { prppShowResetButton, prppHardReset };

// A set of TPRPreviewsParam: bit n stands for the option of ordinal n.
struct TPRPreviewsParams {
  uint8_t Bits = 0;
  bool Contains(TPRPreviewsParam option) const { return (Bits >> option) & 1u; }
  void Include(TPRPreviewsParam option) { Bits = static_cast<uint8_t>(Bits | (1u << option)); }
  friend bool operator==(const TPRPreviewsParams&, const TPRPreviewsParams&) = default;
};

// (Sender, PreviewForm): a processing dialog is about to show its preview.
using TPVPreviewEvent = std::function<void(TObject* Sender, TObject* PreviewForm)>;

class TIPDialogParams : public TObject {
 public:
  TIPDialogParams() { Reset(); }
  TIPDialogParams(const TIPDialogParams&) = delete;
  TIPDialogParams& operator=(const TIPDialogParams&) = delete;

  // Every value back to its start, the memory stream emptied.
  void Reset();

  // The four leading values (index 0..3; others are ignored); each setter also empties the memory
  // stream, whose contents were computed from them.
  int32_t GetValue(int32_t index) const { return leading_[index]; }
  void SetValue(int32_t index, int32_t value);

  // What follows is stored in the order the dialogs keep it; no code of the library reads it,
  // so the fields carry no meaning beyond their place.
  int32_t Ints[11] = {};
  int32_t Matrix[3][3] = {};
  int32_t MatrixDivisor = 0;
  TPVRGB Colors[4] = {};
  int32_t Rect1[4] = {};
  TPVRGB Color5 = {};
  int32_t Int5 = 0;
  bool Flag1 = false;
  int32_t Rect2[4] = {};
  double Gamma = 0;
  bool Flag2 = false;
  int32_t Int6 = 0;
  int32_t Int7 = 0;
  int32_t Int8 = 0;
  bool Flag3 = false;
  int32_t Int9 = 0;
  int32_t Int10 = 0;
  double Low = 0;
  double High = 0;
  int32_t Int11 = 0;
  int32_t Int12 = 0;
  bool Flag4 = false;
  TMemoryStream Stream;

 private:
  int32_t leading_[4] = {};
};

}  // namespace calmora
