// TPVBitmap::RenderToBitmap and its wrappers: fits the rectangles, resamples first for a
// filter, builds (or takes) the row table and maps, and hands the area to the renderer of the
// source's pixel format.
#include <algorithm>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "imaging/base/debug_log.h"
#include "imaging/core/bitmap/bitmap.h"
#include "imaging/core/bitmap/bitmap_internal.h"
#include "imaging/core/render/bitmap_renderers.h"
#include "imaging/core/render/render_placement.h"
#include "imaging/core/render/render_resampling.h"

namespace calmora {

namespace {

std::unique_ptr<TPVBitmap> NoResampling(TPVBitmap&, int32_t, int32_t, int32_t, int32_t, int32_t,
                                        int32_t, TResampleFilter, bool, bool) {
  return nullptr;
}

// A failure while painting (a file row that cannot be read or written, memory) ends that step
// quietly and leaves the target partly painted: the next paint repaints it. Developers see it
// in the debug log.
template <class Step>
void Quietly(const Step& step) {
  const auto note = [](const char* what) {
#ifndef NDEBUG
    LogDebugLine(std::string("RenderToBitmap: painting stopped: ") + what);
#else
    (void)what;
#endif
  };
  try {
    step();
  } catch (const std::exception& failure) {
    note(failure.what());
  } catch (...) {
    note("an unknown exception");
  }
}

// The target's rows for one render. A file-stored target cannot keep its rows valid together
// through GetScanline, so the painted ones are mapped for the render (and written back at its
// end), and its table is never handed out.
class TargetRows {
 public:
  TargetRows(TPVBitmap& target, TPVRenderRowTable& given, const TPVRenderArea& area)
      : target_(target) {
    const int32_t height = target.GetHeight();
    if (target.Location == pvFile) {
      mapped_ = true;
      built_.assign(static_cast<size_t>(height), nullptr);
      Quietly([&] {  // rows left unmapped stay null and are not painted
        for (int32_t r = std::max(area.FirstRow, 0); r <= area.LastRow && r < height; ++r)
          built_[r] = target.MapRow(r);
      });
      rows_ = built_;
      return;
    }
    // A table of another length was made for another bitmap: it is not used.
    if (given.size() == static_cast<size_t>(height)) {
      rows_ = given;
      return;
    }
    built_.resize(static_cast<size_t>(height));
    for (int32_t r = 0; r < height; ++r) built_[r] = target.GetScanline(r);
    rows_ = built_;
  }
  ~TargetRows() {
    if (mapped_) Quietly([this] { target_.UnmapAllRows(); });  // writes the rows back
  }
  TargetRows(const TargetRows&) = delete;
  TargetRows& operator=(const TargetRows&) = delete;

  TPVRenderRows Rows() const { return rows_; }
  // Hands a table built here to the caller, unless the caller wants it freed.
  void HandBack(TPVRenderRowTable& given, bool freeTables) {
    if (!freeTables && !mapped_ && !built_.empty()) given = std::move(built_);
  }

 private:
  TPVBitmap& target_;
  TPVRenderRowTable built_;
  TPVRenderRows rows_;
  bool mapped_ = false;
};

// A map for the area's columns (or rows): the caller's, read from the entry of the first
// painted position, or one built here.
class AreaMap {
 public:
  AreaMap(TPVRenderMap& given, bool needed, int32_t first, int32_t last, int32_t targetStart,
          double ratio, int32_t sourceStart, int32_t sourceSize) {
    if (!given.empty()) {
      const size_t skipped = static_cast<size_t>(first - targetStart);
      if (skipped < given.size()) entries_ = std::span<const int32_t>(given).subspan(skipped);
    } else if (needed) {
      built_ = render::BuildMap(first, last, targetStart, ratio, sourceStart, sourceSize);
      entries_ = built_;
    }
  }
  std::span<const int32_t> Entries() const { return entries_; }
  void HandBack(TPVRenderMap& given, bool freeTables) {
    if (!freeTables && !built_.empty()) given = std::move(built_);
  }

 private:
  TPVRenderMap built_;
  std::span<const int32_t> entries_;
};

// The renderer pair of a format: the blended one when an opacity is given. The 24-, 32- and
// 48-bit renderers take the blend operation.
using TOperationRenderer = void (TPVBitmap::*)(TPVRenderRows, TPVBitmap&, TPVBlendOperation,
                                               const TPVRenderArea&) const;
using TOperationBlendedRenderer = void (TPVBitmap::*)(TPVRenderRows, TPVBitmap&,
                                                      TPVBlendOperation, const TPVRenderArea&,
                                                      const TPVRenderOpacity&) const;
using TPlainRenderer = void (TPVBitmap::*)(TPVRenderRows, TPVBitmap&,
                                           const TPVRenderArea&) const;
using TPlainBlendedRenderer = void (TPVBitmap::*)(TPVRenderRows, TPVBitmap&,
                                                  const TPVRenderArea&,
                                                  const TPVRenderOpacity&) const;

struct RenderCall {
  const TPVBitmap& Source;
  TPVRenderRows Rows;
  TPVBitmap& Target;
  TPVBlendOperation Operation;
  const TPVRenderArea& Area;
  const TPVRenderOpacity* Opacity;

  void operator()(TOperationRenderer opaque, TOperationBlendedRenderer blended) const {
    Opacity ? (Source.*blended)(Rows, Target, Operation, Area, *Opacity)
            : (Source.*opaque)(Rows, Target, Operation, Area);
  }
  void operator()(TPlainRenderer opaque, TPlainBlendedRenderer blended) const {
    Opacity ? (Source.*blended)(Rows, Target, Area, *Opacity)
            : (Source.*opaque)(Rows, Target, Area);
  }
};

void CallRenderer(const RenderCall& call) {
  using B = TPVBitmap;
  switch (call.Source.GetPixelFormat()) {
    case pv24RGB: call(&B::Render24RGB, &B::Render24RGBBlended); break;
    case pv32RGB: call(&B::Render32RGB, &B::Render32RGBBlended); break;
    case pv1g: call(&B::Render1g, &B::Render1gBlended); break;
    case pv8g: call(&B::Render8g, &B::Render8gBlended); break;
    case pv8p: call(&B::Render8p, &B::Render8pBlended); break;
    case pv16g: call(&B::Render16g, &B::Render16gBlended); break;
    case pv32f: call(&B::Render32f, &B::Render32fBlended); break;
    case pvCMYK: call(&B::RenderCMYK, &B::RenderCMYKBlended); break;
    case pvCIELab: call(&B::RenderCIELab, &B::RenderCIELabBlended); break;
    case pvRGB48: call(&B::RenderRGB48, &B::RenderRGB48Blended); break;
    default: break;
  }
}

}  // namespace

TResampleRectForRenderProc ResampleRectForRenderProc = NoResampling;

void TPVBitmap::RenderToBitmap(TPVBitmap& target, TPVRenderRowTable& rowTable,
                               TPVRenderMap& xMap, TPVRenderMap& yMap, const TRect* clipRect,
                               int32_t targetX, int32_t targetY, int32_t targetWidth,
                               int32_t targetHeight, int32_t sourceX, int32_t sourceY,
                               int32_t sourceWidth, int32_t sourceHeight, bool useAlpha,
                               bool rowReuse, int32_t transparency, TResampleFilter filter,
                               bool freeTables, TPVBlendOperation operation) {
  const TPVDataAccessScope readOnly(*this, pvdRead);  // whatever the access was before
  if (target.GetPixelFormat() != pv24RGB || (&target == this && Location == pvFile)) return;
  render::Placement placement{targetX,     targetY, targetWidth, targetHeight,
                              sourceX,     sourceY, sourceWidth, sourceHeight};
  if (!render::FitPlacement(placement, target.GetWidth(), target.GetHeight(), GetWidth(),
                            GetHeight()))
    return;
  const render::Placement& p = placement;

  const TPVPixelFormat format = GetPixelFormat();
  if (filter != rfNone && (p.SourceWidth != p.TargetWidth || p.SourceHeight != p.TargetHeight) &&
      (format == pv1g || format == pv24RGB)) {
    const bool withAlpha = useAlpha && HasAlphaChannel();
    const bool greyReduction = format == pv1g && p.SourceWidth >= p.TargetWidth && !withAlpha &&
                               filter != rfProjectBW && filter != rfProjectWB;
    std::unique_ptr<TPVBitmap> resampled =
        ResampleRectForRenderProc(*this, p.SourceX, p.SourceY, p.SourceWidth, p.SourceHeight,
                                  p.TargetWidth, p.TargetHeight, filter, withAlpha, greyReduction);
    if (resampled) {
      std::copy(std::begin(ChannelShift), std::end(ChannelShift), resampled->ChannelShift);
      resampled->ChannelShiftEnabled = ChannelShiftEnabled;
      resampled->DisplayContrast = DisplayContrast;
      TPVRenderMap localX, localY;
      resampled->RenderToBitmap(target, rowTable, localX, localY, clipRect, p.TargetX, p.TargetY,
                                p.TargetWidth, p.TargetHeight, 0, 0, p.TargetWidth,
                                p.TargetHeight, useAlpha, rowReuse, transparency, rfNone, true,
                                operation);
      return;
    }
  }

  TPVRenderArea area = render::PaintedArea(p, clipRect, target.GetWidth(), target.GetHeight());
  area.RowReuse = rowReuse;
  const int32_t opacityLimit = render::OpacityLimit(transparency);
  const bool useAlphaPlane = useAlpha && AlphaBitmap && !AlphaBitmap->Opaque;
  const bool blended = opacityLimit < 255 || useAlphaPlane;
  TargetRows rows(target, rowTable, area);

  // A plain 1:1 pv24RGB render copies rows and needs no maps, unless the rectangle reaches past
  // the source: the maps then repeat its last row or column, as at every other scale.
  const bool straight = format == pv24RGB && area.XScale == kRenderScaleOne &&
                        area.YScale == kRenderScaleOne && !blended && !ChannelShiftEnabled &&
                        DisplayContrast == 0 && operation == pvboNormal &&
                        int64_t{p.SourceX} + p.TargetWidth <= GetWidth() &&
                        int64_t{p.SourceY} + p.TargetHeight <= GetHeight();
  const bool mapsNeeded = !straight;
  AreaMap columns(xMap, mapsNeeded, area.FirstColumn, area.LastColumn, p.TargetX, p.RatioX,
                  p.SourceX, GetWidth());
  AreaMap lines(yMap, mapsNeeded, area.FirstRow, area.LastRow, p.TargetY, p.RatioY, p.SourceY,
                GetHeight());
  area.XMap = columns.Entries();
  area.YMap = lines.Entries();

  Quietly([&] {
    const std::vector<uint8_t> transparencyRow(
        opacityLimit < 255 ? static_cast<size_t>(GetWidth()) : 0,
        static_cast<uint8_t>(opacityLimit));
    const TPVRenderOpacity opacity{transparencyRow, useAlphaPlane, opacityLimit};
    CallRenderer(RenderCall{*this, rows.Rows(), target, operation, area,
                            blended ? &opacity : nullptr});
  });
  rows.HandBack(rowTable, freeTables);
  columns.HandBack(xMap, freeTables);
  lines.HandBack(yMap, freeTables);
}

namespace {

// A device bitmap as the target of a render, wrapped in place; its owner keeps it.
std::unique_ptr<TPVBitmap> Wrapped(platform::TBitmap* device) {
  auto wrapper = std::make_unique<TPVBitmap>();
  wrapper->EncapsulateTBitmap(device, false);
  return wrapper;
}

}  // namespace

void TPVBitmap::RenderToTBitmap(platform::TBitmap* target, TPVRenderRowTable& rowTable,
                                TPVRenderMap& xMap, TPVRenderMap& yMap, const TRect* clipRect,
                                int32_t targetX, int32_t targetY, int32_t targetWidth,
                                int32_t targetHeight, int32_t sourceX, int32_t sourceY,
                                int32_t sourceWidth, int32_t sourceHeight, bool useAlpha,
                                bool rowReuse, int32_t transparency, TResampleFilter filter,
                                bool freeTables, TPVBlendOperation operation) {
  if (!target) return;
  RenderToBitmap(*Wrapped(target), rowTable, xMap, yMap, clipRect, targetX, targetY,
                 targetWidth, targetHeight, sourceX, sourceY, sourceWidth, sourceHeight,
                 useAlpha, rowReuse, transparency, filter, freeTables, operation);
}

void TPVBitmap::DrawToBitmap(TPVBitmap& target, int32_t targetX, int32_t targetY,
                             int32_t targetWidth, int32_t targetHeight, int32_t sourceX,
                             int32_t sourceY, int32_t sourceWidth, int32_t sourceHeight,
                             int32_t transparency, TResampleFilter filter,
                             TPVBlendOperation operation) {
  TPVRenderRowTable rowTable;
  TPVRenderMap xMap, yMap;
  RenderToBitmap(target, rowTable, xMap, yMap, nullptr, targetX, targetY, targetWidth,
                 targetHeight, sourceX, sourceY, sourceWidth, sourceHeight, true, false,
                 transparency, filter, true, operation);
}

void TPVBitmap::DrawToTBitmap(platform::TBitmap* target, int32_t targetX, int32_t targetY,
                              int32_t targetWidth, int32_t targetHeight, int32_t sourceX,
                              int32_t sourceY, int32_t sourceWidth, int32_t sourceHeight,
                              int32_t transparency, TResampleFilter filter,
                              TPVBlendOperation operation) {
  if (!target) return;
  DrawToBitmap(*Wrapped(target), targetX, targetY, targetWidth, targetHeight, sourceX, sourceY,
               sourceWidth, sourceHeight, transparency, filter, operation);
}

}  // namespace calmora
