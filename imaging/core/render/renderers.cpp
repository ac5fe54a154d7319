// The twenty renderers of TPVBitmap, an opaque and a blended one per pixel format: each picks
// the pixel reader its format and settings call for and runs the one row loop with it.
#include "imaging/core/bitmap/bitmap.h"
#include "imaging/core/render/bitmap_renderers.h"
#include "imaging/core/render/render_pixel_readers.h"

namespace calmora {

namespace {

using render::Paint;
using render::RuleReader;

// Each format's colours as pixel_rules.h reads them; pv24RGB with its row copy.
template <TPVPixelFormat Format>
struct PlainReaderOf {
  using Type = RuleReader<pixel_rules::SourceOf<Format>>;
};
template <>
struct PlainReaderOf<pv24RGB> {
  using Type = render::RGB24Reader;
};
template <TPVPixelFormat Format>
using PlainReader = typename PlainReaderOf<Format>::Type;

// Only the 24-bit, 32-bit and 1-bit renderers copy a row that repeats the one above.
TPVRenderArea WithoutRowReuse(TPVRenderArea area) {
  area.RowReuse = false;
  return area;
}

// pv24RGB and pv32RGB: through the channel curves when shifts, contrast or an operation apply,
// else plain; an opaque pv24RGB render at 1:1 copies rows straight when they lie in the source
// (or there are no maps to go by).
template <TPVPixelFormat Format>
void RenderColorPixels(const TPVBitmap& source, TPVRenderRows rows, TPVBitmap& target,
                       TPVBlendOperation operation, const TPVRenderArea& area,
                       const TPVRenderOpacity* opacity) {
  if (source.ChannelShiftEnabled || source.DisplayContrast != 0 || operation != pvboNormal) {
    const render::CurvedReader<PlainReader<Format>> read{
        {}, render::ChannelCurves(source.DisplayContrast, source.ChannelShift)};
    Paint(source, read, rows, target, operation, area, opacity);
    return;
  }
  if (Format == pv24RGB && !opacity && area.XScale == kRenderScaleOne &&
      area.YScale == kRenderScaleOne) {
    TPVRenderArea straight = area;
    const bool inside = render::LimitToStraightCopy(source, rows, target, straight);
    const bool whole = inside && straight.FirstRow == area.FirstRow &&
                       straight.LastRow == area.LastRow &&
                       straight.FirstColumn == area.FirstColumn &&
                       straight.LastColumn == area.LastColumn;
    if (whole || (area.XMap.empty() && area.YMap.empty())) {
      if (inside) render::CopyStraight(source, rows, straight);
      return;
    }
  }
  Paint(source, PlainReader<Format>{}, rows, target, operation, area, opacity);
}

void RenderRGB48Pixels(const TPVBitmap& source, TPVRenderRows rows, TPVBitmap& target,
                       TPVBlendOperation operation, const TPVRenderArea& area,
                       const TPVRenderOpacity* opacity) {
  const TPVRenderArea painted = WithoutRowReuse(area);
  if (source.ChannelShiftEnabled || source.DisplayContrast != 0 || operation != pvboNormal)
    Paint(source, render::CurvedRGB48Reader(source.DisplayContrast, source.ChannelShift), rows,
          target, operation, painted, opacity);
  else
    Paint(source, PlainReader<pvRGB48>{}, rows, target, operation, painted, opacity);
}

// The grey formats: through the black/white window when its levels differ, else plain.
template <class WindowedReader, TPVPixelFormat Format>
void RenderGreyPixels(const TPVBitmap& source, TPVRenderRows rows, TPVBitmap& target,
                      const TPVRenderArea& area, const TPVRenderOpacity* opacity) {
  const render::GreyWindow window{source.BlackLevel, source.WhiteLevel};
  const TPVRenderArea painted = WithoutRowReuse(area);
  if (window.Open())
    Paint(source, WindowedReader{window}, rows, target, pvboNormal, painted, opacity);
  else
    Paint(source, PlainReader<Format>{}, rows, target, pvboNormal, painted, opacity);
}

// pv8p: nothing without a palette.
void RenderPalettePixels(const TPVBitmap& source, TPVRenderRows rows, TPVBitmap& target,
                         const TPVRenderArea& area, const TPVRenderOpacity* opacity) {
  if (!source.Palette || source.PaletteLength < 1) return;
  PlainReader<pv8p> read;
  read.rule.Entries = source.Palette.get();
  read.rule.Length = source.PaletteLength;
  Paint(source, read, rows, target, pvboNormal, WithoutRowReuse(area), opacity);
}

}  // namespace

void TPVBitmap::Render24RGB(TPVRenderRows rowTable, TPVBitmap& target,
                            TPVBlendOperation operation, const TPVRenderArea& area) const {
  RenderColorPixels<pv24RGB>(*this, rowTable, target, operation, area, nullptr);
}

void TPVBitmap::Render24RGBBlended(TPVRenderRows rowTable, TPVBitmap& target,
                                   TPVBlendOperation operation, const TPVRenderArea& area,
                                   const TPVRenderOpacity& opacity) const {
  RenderColorPixels<pv24RGB>(*this, rowTable, target, operation, area, &opacity);
}

void TPVBitmap::Render32RGB(TPVRenderRows rowTable, TPVBitmap& target,
                            TPVBlendOperation operation, const TPVRenderArea& area) const {
  RenderColorPixels<pv32RGB>(*this, rowTable, target, operation, area, nullptr);
}

void TPVBitmap::Render32RGBBlended(TPVRenderRows rowTable, TPVBitmap& target,
                                   TPVBlendOperation operation, const TPVRenderArea& area,
                                   const TPVRenderOpacity& opacity) const {
  RenderColorPixels<pv32RGB>(*this, rowTable, target, operation, area, &opacity);
}

void TPVBitmap::Render1g(TPVRenderRows rowTable, TPVBitmap& target,
                         const TPVRenderArea& area) const {
  Paint(*this, render::BitReader{}, rowTable, target, pvboNormal, area, nullptr);
}

void TPVBitmap::Render1gBlended(TPVRenderRows rowTable, TPVBitmap& target,
                                const TPVRenderArea& area,
                                const TPVRenderOpacity& opacity) const {
  Paint(*this, render::BitReader{}, rowTable, target, pvboNormal, area, &opacity);
}

void TPVBitmap::Render8g(TPVRenderRows rowTable, TPVBitmap& target,
                         const TPVRenderArea& area) const {
  RenderGreyPixels<render::WindowedGrey8Reader, pv8g>(*this, rowTable, target, area, nullptr);
}

void TPVBitmap::Render8gBlended(TPVRenderRows rowTable, TPVBitmap& target,
                                const TPVRenderArea& area,
                                const TPVRenderOpacity& opacity) const {
  RenderGreyPixels<render::WindowedGrey8Reader, pv8g>(*this, rowTable, target, area, &opacity);
}

void TPVBitmap::Render8p(TPVRenderRows rowTable, TPVBitmap& target,
                         const TPVRenderArea& area) const {
  RenderPalettePixels(*this, rowTable, target, area, nullptr);
}

void TPVBitmap::Render8pBlended(TPVRenderRows rowTable, TPVBitmap& target,
                                const TPVRenderArea& area,
                                const TPVRenderOpacity& opacity) const {
  RenderPalettePixels(*this, rowTable, target, area, &opacity);
}

void TPVBitmap::Render16g(TPVRenderRows rowTable, TPVBitmap& target,
                          const TPVRenderArea& area) const {
  RenderGreyPixels<render::WindowedGrey16Reader, pv16g>(*this, rowTable, target, area, nullptr);
}

void TPVBitmap::Render16gBlended(TPVRenderRows rowTable, TPVBitmap& target,
                                 const TPVRenderArea& area,
                                 const TPVRenderOpacity& opacity) const {
  RenderGreyPixels<render::WindowedGrey16Reader, pv16g>(*this, rowTable, target, area, &opacity);
}

void TPVBitmap::Render32f(TPVRenderRows rowTable, TPVBitmap& target,
                          const TPVRenderArea& area) const {
  RenderGreyPixels<render::WindowedFloatReader, pv32f>(*this, rowTable, target, area, nullptr);
}

void TPVBitmap::Render32fBlended(TPVRenderRows rowTable, TPVBitmap& target,
                                 const TPVRenderArea& area,
                                 const TPVRenderOpacity& opacity) const {
  RenderGreyPixels<render::WindowedFloatReader, pv32f>(*this, rowTable, target, area, &opacity);
}

void TPVBitmap::RenderCMYK(TPVRenderRows rowTable, TPVBitmap& target,
                           const TPVRenderArea& area) const {
  Paint(*this, PlainReader<pvCMYK>{}, rowTable, target, pvboNormal, WithoutRowReuse(area),
        nullptr);
}

void TPVBitmap::RenderCMYKBlended(TPVRenderRows rowTable, TPVBitmap& target,
                                  const TPVRenderArea& area,
                                  const TPVRenderOpacity& opacity) const {
  Paint(*this, PlainReader<pvCMYK>{}, rowTable, target, pvboNormal, WithoutRowReuse(area),
        &opacity);
}

void TPVBitmap::RenderCIELab(TPVRenderRows rowTable, TPVBitmap& target,
                             const TPVRenderArea& area) const {
  Paint(*this, PlainReader<pvCIELab>{}, rowTable, target, pvboNormal, WithoutRowReuse(area),
        nullptr);
}

void TPVBitmap::RenderCIELabBlended(TPVRenderRows rowTable, TPVBitmap& target,
                                    const TPVRenderArea& area,
                                    const TPVRenderOpacity& opacity) const {
  Paint(*this, PlainReader<pvCIELab>{}, rowTable, target, pvboNormal, WithoutRowReuse(area),
        &opacity);
}

void TPVBitmap::RenderRGB48(TPVRenderRows rowTable, TPVBitmap& target,
                            TPVBlendOperation operation, const TPVRenderArea& area) const {
  RenderRGB48Pixels(*this, rowTable, target, operation, area, nullptr);
}

void TPVBitmap::RenderRGB48Blended(TPVRenderRows rowTable, TPVBitmap& target,
                                   TPVBlendOperation operation, const TPVRenderArea& area,
                                   const TPVRenderOpacity& opacity) const {
  RenderRGB48Pixels(*this, rowTable, target, operation, area, &opacity);
}

}  // namespace calmora
