// Size changes of a TPVBitmap that keep the content: SetWidth, SetHeight and ResizeCanvas.
// The new image is built aside (and its alpha plane beside it) and only then replaces the old,
// so a size whose storage cannot be had leaves the bitmap as it was.
#include <algorithm>
#include <memory>
#include <optional>
#include <utility>

#include "imaging/core/bitmap/bitmap.h"
#include "platform/device_bitmap.h"

namespace calmora {

namespace {

// How the content lands on a new size.
struct TCanvasPlacement {
  uint8_t HorizontalAlign = 0;
  uint8_t VerticalAlign = 0;
  std::optional<double> Fill;       // for the new pixels; none: they start 0
  std::optional<double> AlphaFill;  // likewise for the alpha plane's
};

// Where content of oldSize starts on newSize: 0 at the start, 1 centred, 2 at the end (other
// values act as 0). Centring moves by half the difference truncated toward zero, so an odd
// pixel goes after the content when growing and is cut from the end when shrinking.
int32_t AlignedOffset(int32_t oldSize, int32_t newSize, uint8_t alignment) {
  const int64_t difference = int64_t{newSize} - oldSize;
  switch (alignment) {
    case 1: return static_cast<int32_t>(difference / 2);
    case 2: return static_cast<int32_t>(difference);
    default: return 0;
  }
}

// A bitmap of the new size holding image's pixels at their aligned place over the fill.
// It is kept where image is (a device bitmap's canvas in memory) with the same rows, and
// starts zero-filled. Null when its storage cannot be had.
std::unique_ptr<TPVBitmap> BuildCanvas(const TPVBitmap& image, int32_t width, int32_t height,
                                       const TCanvasPlacement& place,
                                       const std::optional<double>& fill) {
  auto canvas = std::make_unique<TPVBitmap>();
  const bool device = image.Location == pvTBitmap;
  canvas->Location = device ? pvMemory : image.Location;
  canvas->RowAlignment = device ? 32 : image.RowAlignment;
  canvas->FileThreshold = image.FileThreshold;
  canvas->Allocator = pvmaGlobal;
  if (!canvas->Allocate(width, height, image.Format)) return nullptr;
  if (fill) canvas->FillRect(0, 0, width - 1, height - 1, *fill);
  image.CopyRectTo(*canvas, 0, 0, AlignedOffset(image.Width, width, place.HorizontalAlign),
                   AlignedOffset(image.Height, height, place.VerticalAlign), image.Width,
                   image.Height);
  return canvas;
}

// image takes the canvas's pixels. Memory and file storage are handed over; a device bitmap
// (perhaps a caller's, which others may hold) is resized in place and gets the canvas's rows.
// The palette and the settings stay with image. False, with image unchanged, when the device
// bitmap cannot take the size.
bool TakeCanvasPixels(TPVBitmap& image, TPVBitmap& canvas) {
  if (image.Location == pvTBitmap) {
    platform::TBitmap* device = image.Storage.WrappedTBitmap.get();
    const bool resized = device ? device->SetSize(canvas.Width, canvas.Height)
                                : image.Allocate(canvas.Width, canvas.Height, canvas.Format);
    if (!resized) return false;
    image.SyncTBitmap();
    const int32_t bytes = std::min(image.RowBytes, canvas.RowBytes);
    for (int32_t y = 0; y < canvas.Height; ++y) {
      const uint8_t* from = std::as_const(canvas).GetScanline(y);
      uint8_t* to = image.GetScanline(y);
      if (from && to) std::copy_n(from, bytes, to);
    }
  } else {
    image.Storage = std::exchange(canvas.Storage, TPVPixelStorage());
    image.Location = canvas.Location;
    image.Width = canvas.Width;
    image.Height = canvas.Height;
    image.BitsPerPixel = canvas.BitsPerPixel;
    image.ChannelsPerPixel = canvas.ChannelsPerPixel;
    image.RowBytes = canvas.RowBytes;
    if (!image.Palette) {  // an empty pv8p bitmap had none
      image.Palette = std::move(canvas.Palette);
      image.PaletteLength = canvas.PaletteLength;
    }
  }
  image.Opaque = false;
  return true;
}

// The one resize behind SetWidth, SetHeight and ResizeCanvas.
bool Resize(TPVBitmap& image, int32_t width, int32_t height, const TCanvasPlacement& place) {
  if (width < 0 || height < 0) return false;
  image.SyncTBitmap();
  if (width == image.Width && height == image.Height) return true;
  if (image.Format == pvNoFormat || width == 0 || height == 0) {
    // Nothing of the pixels can stay. An allocated bitmap ends empty, as a failed allocation
    // leaves it; an empty one keeps the size for a later change of the other side.
    if (!image.IsEmpty()) {
      image.FreeImage(true);
    } else {
      image.Width = width;
      image.Height = height;
    }
    return true;
  }
  const std::unique_ptr<TPVBitmap> canvas = BuildCanvas(image, width, height, place, place.Fill);
  if (!canvas) return false;
  std::unique_ptr<TPVBitmap> plane = image.IsAlphaPlane ? nullptr : std::move(image.AlphaBitmap);
  std::unique_ptr<TPVBitmap> planeCanvas;
  if (plane) planeCanvas = BuildCanvas(*plane, width, height, place, place.AlphaFill);
  if ((plane && !planeCanvas) || !TakeCanvasPixels(image, *canvas)) {
    if (plane) image.AlphaBitmap = std::move(plane);
    return false;
  }
  if (plane) {
    TakeCanvasPixels(*plane, *planeCanvas);  // memory or file storage: always taken
    image.AlphaBitmap = std::move(plane);
  }
  return true;
}

}  // namespace

bool TPVBitmap::SetWidth(int32_t width) {
  return Resize(*this, width, GetHeight(), TCanvasPlacement{});
}

bool TPVBitmap::SetHeight(int32_t height) {
  return Resize(*this, GetWidth(), height, TCanvasPlacement{});
}

bool TPVBitmap::ResizeCanvas(int32_t newWidth, int32_t newHeight, double fill, int32_t alphaFill,
                             uint8_t horizontalAlign, uint8_t verticalAlign) {
  return Resize(
      *this, newWidth, newHeight,
      TCanvasPlacement{horizontalAlign, verticalAlign, fill, static_cast<double>(alphaFill)});
}

}  // namespace calmora
