// TPVQuantizer: a palette of at most N colours for an image and the palette index of any
// colour. Behind it: the image's own colours when they fit, the image's palette, a grey ramp,
// and the two quantisers (network and box splitter) chosen by two process-wide settings.
#pragma once

#include <cstdint>
#include <memory>
#include <variant>

#include "imaging/base/defs.h"
#include "imaging/core/bitmap/bitmap.h"
#include "imaging/proc/colors/exact_colors.h"
#include "imaging/proc/colors/median_cut.h"
#include "imaging/proc/colors/neuquant.h"

namespace calmora {

// -1 automatic (the box splitter below 128 colours, the network from 128 up), 0 the network,
// 1 the box splitter; other values act as 0. The I/O unit's set-up sets -1.
extern int32_t QuantizerAlgorithm;
// -1 derives the network's sampling factor from the pixel count; 0..100 from a quality.
extern int32_t NeuQuantQuality;

class TPVQuantizer : public TObject {
 public:
  // Fills Palette (room for NumColors entries): a pv24RGB image whose colours fit gets them in
  // scan order; a colourful pv24RGB image a quantiser's palette; a pv8p image its own first
  // NumColors palette entries; any other grey image the ramp Trunc(256 / N * i). Entries the
  // chosen path does not write keep their values. NumColors < 1 writes nothing; a null
  // Palette is allowed (only RGBIndex is wanted).
  TPVQuantizer(const TPVBitmap& bitmap, TPVRGB* Palette, int32_t numColors);
  // Frees ExactColors and the state of whichever quantiser ran.
  ~TPVQuantizer() override = default;
  TPVQuantizer(const TPVQuantizer&) = delete;
  TPVQuantizer& operator=(const TPVQuantizer&) = delete;

  // The palette index for the colour: the exact colour's index (-1 for a colour the image does
  // not have), Trunc(red * N / 256) for a grey image, the quantiser's index, the first equal
  // entry of a pv8p image's palette (its palette length when none is equal), else 0. Always 0
  // when NumColors < 1.
  int32_t RGBIndex(TPVRGB Color) const;

  // The quantiser that made the palette: none, the network or the box splitter.
  using TState = std::variant<std::monostate, std::unique_ptr<TNeuQuantState>,
                              std::unique_ptr<TMedianCutState>>;

  // The state of that quantiser, null when the other one (or none) ran.
  const TNeuQuantState* NeuQuant() const;
  const TMedianCutState* MedianCut() const;

  int32_t Algorithm = 0;  // 0 network, 1 box splitter; meaningful only with a state
  TState State;
  // Grey images get the ramp and the ramp's index formula. A pv8p image counts as grey only when
  // its palette is exactly that ramp (so its own indexes and RGBIndex agree), otherwise it is
  // served from its palette; any other format as TPVBitmap's grey test says (every pixel with
  // equal channels for pv24RGB, pvRGB48 and pv32RGB; the other formats always).
  bool IsGrey = false;
  std::unique_ptr<TPVExactColors> ExactColors;
  int32_t NumColors = 0;
  const TPVBitmap& Bitmap;

 private:
  // A pv8p image's palette by colour, for the lookup of its indexes.
  std::unique_ptr<TPVExactColors> bitmapPalette_;
};

}  // namespace calmora
