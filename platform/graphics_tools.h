// The pen, brush and font of a canvas, in place of the toolkit's TPen, TBrush and TFont.
// Colours are plain RGB values 0x00BBGGRR; system colours are resolved by the caller.
#pragma once

#include <cstdint>
#include <string>

namespace calmora::platform {

enum TPenStyle : uint8_t {
  psSolid,
  psDash,
  psDot,
  psDashDot,
  psDashDotDot,
  psClear,
  psInsideFrame
};

// How a pen's colour P combines with a pixel D (the binary raster operations, in the
// toolkit's order).
enum TPenMode : uint8_t {
  pmBlack,
  pmWhite,
  pmNop,
  pmNot,
  pmCopy,
  pmNotCopy,
  pmMergePenNot,
  pmMaskPenNot,
  pmMergeNotPen,
  pmMaskNotPen,
  pmMerge,
  pmNotMerge,
  pmMask,
  pmNotMask,
  pmXor,
  pmNotXor,
};

enum TBrushStyle : uint8_t {
  bsSolid,
  bsClear,
  bsHorizontal,
  bsVertical,
  bsFDiagonal,
  bsBDiagonal,
  bsCross,
  bsDiagCross,
};

struct TPen {
  uint32_t Color = 0x000000;
  TPenStyle Style = psSolid;
  TPenMode Mode = pmCopy;
  int32_t Width = 1;
};

struct TBrush {
  uint32_t Color = 0xFFFFFF;
  TBrushStyle Style = bsSolid;
};

// Size is in points at PixelsPerInch, as the screen's fonts are measured; the characters are
// Size * PixelsPerInch / 72 pixels high (rounded). Names of fonts that are not installed
// here map to installed ones of the same metrics where there are some ("Arial" to Liberation
// Sans, else DejaVu Sans).
struct TFont {
  std::string Name = "Tahoma";
  int32_t Size = 8;
  uint32_t Color = 0x000000;
  bool Bold = false;
  bool Italic = false;
  bool Underline = false;
  bool StrikeOut = false;
  int32_t PixelsPerInch = 96;

  int32_t PixelHeight() const;
};

}  // namespace calmora::platform
