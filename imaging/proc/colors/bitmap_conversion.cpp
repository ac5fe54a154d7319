// TPVBitmap's pixel-format conversion in memory and file: SetPixelFormat, ConvertPixelFormat
// and ConvertFrom with its table of pairs. Bitmap members defined in the processing layer, as
// the declaration in bitmap.h says, because the reductions call the tools of this layer.
#include "imaging/proc/colors/bitmap_conversion.h"

#include <cstdint>
#include <utility>

#include "imaging/core/bitmap/bitmap.h"
#include "imaging/core/bitmap/bitmap_internal.h"
#include "imaging/core/bitmap/pixel_row_converter.h"

namespace calmora {

namespace bitmap_conversion {

PairKind KindOf(TPVPixelFormat from, TPVPixelFormat to) {
  if (from == to || from == pvNoFormat) return PairKind::kNothing;
  if (PixelRowConverter::HasRule(from, to)) return PairKind::kPixelRule;
  if (to == pv1g && (from == pv8p || from == pv8g || from == pv16g || from == pv24RGB ||
                     from == pv32f || from == pvRGB48))
    return PairKind::kToOneBit;
  if (from == pv24RGB && to == pv8p) return PairKind::kQuantize;
  return PairKind::kViaRGB24;
}

}  // namespace bitmap_conversion

namespace {

using bitmap_conversion::PairKind;

// The palette a pv8p target takes from a source converted pixel by pixel: black and white for
// the bits of pv1g, the grey ramp for the grey formats.
void WriteRulePalette(TPVPixelFormat from, TPVBitmap& target) {
  if (from == pv1g) {
    target.SetPaletteColor(0, TPVRGB{0, 0, 0});
    target.SetPaletteColor(1, TPVRGB{255, 255, 255});
    return;
  }
  for (int32_t i = 0; i < 256; ++i) {
    const auto level = static_cast<uint8_t>(i);
    target.SetPaletteColor(i, TPVRGB{level, level, level});
  }
}

bool ConvertRowsByRule(const TPVBitmap& source, TPVBitmap& target) {
  if (target.Format == pv8p) WriteRulePalette(source.Format, target);
  const PixelRowConverter converter(source.Format, target.Format, source);
  TPVDataAccessScope writeOnly(target, pvdWrite);
  for (int32_t y = 0; y < target.Height; ++y) {
    const uint8_t* from = source.GetScanline(y);
    uint8_t* to = target.GetScanline(y);
    if (!from || !to) return false;
    converter.Convert(from, to, target.Width);
  }
  return true;
}

}  // namespace

bool TPVBitmap::SetPixelFormat(TPVPixelFormat format) {
  if (format == GetPixelFormat()) return true;
  return ConvertPixelFormat(format);
}

bool TPVBitmap::ConvertPixelFormat(TPVPixelFormat format) {
  if (format >= PixelFormatCount) return false;
  if (Location == pvTBitmap) return bitmap_conversion::ConvertDeviceBitmap(*this, format);
  if (IsEmpty()) {
    Format = format;  // nothing to convert: the format is all there is to change
    return true;
  }
  // The pixels wait in a temporary while the new format is allocated; whatever fails on the way
  // (the new storage, the detour of the source via pv24RGB, a file transfer) gives the storage
  // back as it was.
  const bool forceReallocate = ForceReallocate;
  TPVBitmap held;
  held.FileThreshold = FileThreshold;  // a detour via pv24RGB is stored by the same rule
  MoveStorageTo(held);
  const auto restore = [&] {
    held.MoveStorageTo(*this);
    ForceReallocate = forceReallocate;
  };
  bool converted = false;
  try {
    converted = Allocate(held.Width, held.Height, format) && ConvertFrom(held);
  } catch (...) {
    restore();
    throw;
  }
  if (!converted) {
    restore();
    return false;
  }
  ForceReallocate = true;  // as after any move of the storage
  return true;
}

bool TPVBitmap::ConvertFrom(TPVBitmap& Source) {
  if (&Source == this) return true;
  if (Source.GetWidth() != GetWidth() || Source.GetHeight() != GetHeight() || Location == pvTBitmap)
    return false;
  const TPVPixelFormat from = Source.Format;
  const PairKind kind = IsEmpty() ? PairKind::kNothing : bitmap_conversion::KindOf(from, Format);
  bool converted = true;
  switch (kind) {
    case PairKind::kNothing: break;
    case PairKind::kPixelRule: converted = ConvertRowsByRule(Source, *this); break;
    case PairKind::kToOneBit: converted = bitmap_conversion::ReduceToOneBit(Source, *this); break;
    case PairKind::kQuantize: converted = bitmap_conversion::QuantizeInto(Source, *this); break;
    case PairKind::kViaRGB24:
      return Source.ConvertPixelFormat(pv24RGB) && Source.Format == pv24RGB && ConvertFrom(Source);
  }
  if (!converted) return false;
  AlphaBitmap = std::move(Source.AlphaBitmap);
  RealizePalette();
  return true;
}

}  // namespace calmora
