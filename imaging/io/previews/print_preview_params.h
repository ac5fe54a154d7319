// TIOPrintPreviewParams, the print-preview settings of the I/O component. Linux printing is
// not part of the library, so nothing reads them; they keep their values at creation.
#pragma once

#include <cstdint>

#include "imaging/base/defs.h"

namespace calmora {

class TIOPrintPreviewParams : public TObject {
 public:
  double MarginLeft = 1.0;
  double MarginTop = 1.0;
  double MarginRight = 1.0;
  double MarginBottom = 1.0;
  uint8_t Position = 4;
  uint8_t Size = 1;
  double Width = -1.0;
  double Height = -1.0;
  double Gamma = 1.0;
};

}  // namespace calmora
