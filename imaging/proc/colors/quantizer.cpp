// TPVQuantizer: choosing the path for an image, filling the palette and mapping colours.
#include "imaging/proc/colors/quantizer.h"

#include <cmath>
#include <cstring>

namespace calmora {

int32_t QuantizerAlgorithm = -1;
int32_t NeuQuantQuality = -1;

namespace {

// The box splitter has 256 boxes; past that the network serves.
int32_t ChooseAlgorithm(int32_t numColors) {
  int32_t algorithm = 0;
  if (QuantizerAlgorithm == -1)
    algorithm = numColors < 128 ? 1 : 0;
  else if (QuantizerAlgorithm == 1)
    algorithm = 1;
  return algorithm == 1 && numColors > kMedianCutMaxBoxes ? 0 : algorithm;
}

uint8_t GreyRampLevel(int32_t i, int32_t numColors) {
  return static_cast<uint8_t>(std::trunc(256.0 / numColors * i));
}

int32_t GreyRampIndex(uint8_t level, int32_t numColors) {
  return static_cast<int32_t>(int64_t{level} * numColors / 256);
}

// Three equal samples per pixel, each Sample wide, pixels Stride bytes apart.
template <typename Sample, int Stride>
bool RowIsGrey(const uint8_t* row, int32_t width) {
  for (int32_t x = 0; x < width; ++x) {
    Sample s[3];
    std::memcpy(s, row + static_cast<size_t>(x) * Stride, sizeof s);
    if (s[0] != s[1] || s[1] != s[2]) return false;
  }
  return true;
}

template <typename Sample, int Stride>
bool PixelsAreGrey(const TPVBitmap& bitmap) {
  for (int32_t y = 0; y < bitmap.GetHeight(); ++y) {
    const uint8_t* row = bitmap.GetScanline(y);
    if (row && !RowIsGrey<Sample, Stride>(row, bitmap.GetWidth())) return false;
  }
  return true;
}

// Entry i is the ramp's level i, which the ramp's index formula maps back to i.
bool PaletteIsGreyRamp(const TPVBitmap& bitmap, int32_t numColors) {
  if (bitmap.GetPaletteLen() != numColors) return false;
  for (int32_t i = 0; i < numColors; ++i) {
    const TPVRGB c = bitmap.GetPaletteColor(i);
    const uint8_t level = GreyRampLevel(i, numColors);
    if (c != TPVRGB{level, level, level} || GreyRampIndex(level, numColors) != i) return false;
  }
  return true;
}

bool IsGreyForQuantizer(const TPVBitmap& bitmap, int32_t numColors) {
  switch (bitmap.GetPixelFormat()) {
    case pv8p: return PaletteIsGreyRamp(bitmap, numColors);
    case pv24RGB: return PixelsAreGrey<uint8_t, 3>(bitmap);
    case pvRGB48: return PixelsAreGrey<uint16_t, 6>(bitmap);
    case pv32RGB: return PixelsAreGrey<uint8_t, 4>(bitmap);
    default: return true;
  }
}

}  // namespace

TPVQuantizer::TPVQuantizer(const TPVBitmap& bitmap, TPVRGB* Palette, int32_t numColors)
    : NumColors(numColors), Bitmap(bitmap) {
  IsGrey = IsGreyForQuantizer(Bitmap, NumColors);
  if (NumColors < 1) return;
  const TPVPixelFormat format = Bitmap.GetPixelFormat();
  if (!IsGrey && format == pv24RGB) {
    ExactColors = CollectExactColors(Bitmap, NumColors, Palette);
    if (ExactColors) return;
    Algorithm = ChooseAlgorithm(NumColors);
    if (Algorithm == 0)
      State = NeuQuantCreate(Bitmap, Palette, NeuQuantQuality, NumColors);
    else
      State = MedianCutCreate(Bitmap, Palette, NumColors);
  } else if (format == pv8p) {
    if (Palette)
      for (int32_t i = 0; i < NumColors; ++i) Palette[i] = Bitmap.GetPaletteColor(i);
    bitmapPalette_ = std::make_unique<TPVExactColors>();
    for (int32_t i = 0; i < Bitmap.GetPaletteLen(); ++i)
      bitmapPalette_->Add(Bitmap.GetPaletteColor(i));  // the first of equal entries stays
  } else if (IsGrey && Palette) {
    for (int32_t i = 0; i < NumColors; ++i) {
      const uint8_t level = GreyRampLevel(i, NumColors);
      Palette[i] = TPVRGB{level, level, level};
    }
  }
}

const TNeuQuantState* TPVQuantizer::NeuQuant() const {
  const auto* state = std::get_if<std::unique_ptr<TNeuQuantState>>(&State);
  return state ? state->get() : nullptr;
}

const TMedianCutState* TPVQuantizer::MedianCut() const {
  const auto* state = std::get_if<std::unique_ptr<TMedianCutState>>(&State);
  return state ? state->get() : nullptr;
}

int32_t TPVQuantizer::RGBIndex(TPVRGB Color) const {
  if (NumColors < 1) return 0;
  if (ExactColors) return ExactColors->IndexOf(Color);
  if (IsGrey) return GreyRampIndex(Color.r, NumColors);
  if (const TNeuQuantState* network = NeuQuant()) return NeuQuantIndex(*network, Color);
  if (const TMedianCutState* boxes = MedianCut()) return MedianCutIndex(*boxes, Color);
  if (bitmapPalette_) {
    const int32_t index = bitmapPalette_->IndexOf(Color);
    return index >= 0 ? index : Bitmap.GetPaletteLen();
  }
  return 0;
}

}  // namespace calmora
