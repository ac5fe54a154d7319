// Metafile import: the picture rendered into the working bitmap at the asked size (or its own)
// over the background, and a second time over a key colour to learn which pixels it paints,
// which gives the alpha plane.
#include <algorithm>
#include <string>

#include "imaging/core/dpi_globals.h"
#include "imaging/io/io_unit.h"
#include "imaging/io/io_thread.h"
#include "imaging/io/pictavo_io.h"
#include "platform/canvas.h"
#include "platform/device_bitmap.h"
#include "platform/file_stream.h"
#include "platform/metafile.h"

namespace calmora {

namespace {

// Pixels still of this colour after the second rendering were left unpainted (0x00BBGGRR).
constexpr uint32_t kUnpaintedKey = 0x00010203;
constexpr TPVRGB kUnpaintedKeyPixel{1, 2, 3};
constexpr TColor kWhite = 0xFFFFFF;

// The metafile played onto a 24-bit device bitmap of its current size filled with the colour
// first; false when the bitmap cannot be had.
bool Render(const platform::Metafile& picture, uint32_t fill, platform::TBitmap& target) {
  if (!target.SetPixelFormat(platform::pf24bit) ||
      !target.SetSize(picture.Width(), picture.Height()))
    return false;
  platform::TCanvas& canvas = *target.GetCanvas();
  canvas.Brush.Color = fill;
  canvas.Brush.Style = platform::bsSolid;
  canvas.FillRect(0, 0, picture.Width(), picture.Height());
  picture.Play(canvas);
  return true;
}

// The size to render at, by the rules of the signature's comment; nothing when the picture or
// the result is empty.
bool RenderSize(const platform::Metafile& picture, int32_t width, int32_t height,
                int64_t& outWidth, int64_t& outHeight) {
  const int64_t ownWidth = picture.Width(), ownHeight = picture.Height();
  // The aspect rules divide by the picture's own size: an empty picture renders nothing.
  if (ownWidth <= 0 || ownHeight <= 0) return false;
  outWidth = width < 0 && height >= 0 ? ownWidth * height / ownHeight
             : width < 0              ? ownWidth
                                      : width;
  outHeight = height < 0 && width >= 0 ? ownHeight * width / ownWidth
              : height < 0             ? ownHeight
                                       : height;
  if (outWidth <= 0 || outHeight <= 0) return false;
  const int64_t most = MetafileMaxSize;
  if (outWidth > most || outHeight > most) {
    // The longer side becomes the limit; the shorter keeps at least one pixel.
    if (outWidth < outHeight) {
      outWidth = std::max<int64_t>(1, outWidth * most / outHeight);
      outHeight = most;
    } else {
      outHeight = std::max<int64_t>(1, outHeight * most / outWidth);
      outWidth = most;
    }
  }
  return outWidth > 0 && outHeight > 0;
}

}  // namespace

void TPictavoIO::ImportMetafile(const std::u16string& FileName, int32_t Width, int32_t Height,
                                bool WithAlpha) {
  if (HandedToWorker(TPVIOWorkKind::kMetafileProc,
                     [FileName, Width, Height, WithAlpha](TPictavoIO& IO) {
                       IO.RunImportMetafile(FileName, Width, Height, WithAlpha);
                     }))
    return;
  RunImportMetafile(FileName, Width, Height, WithAlpha);
}

void TPictavoIO::RunImportMetafile(const std::u16string& FileName, int32_t Width, int32_t Height,
                                   bool WithAlpha) {
  std::string reason;
  const std::unique_ptr<platform::Metafile> picture =
      platform::LoadMetafile(platform::Utf16ToUtf8(FileName), reason);
  if (picture == nullptr) {
    Aborting = true;
  } else {
    SyncImportMetafile(*picture, Width, Height, WithAlpha);
    Params->FileName = FileName;
  }
  DoFinishWork();
}

void TPictavoIO::SyncImportMetafile(platform::Metafile& Metafile, int32_t Width, int32_t Height,
                                    bool WithAlpha) {
  Aborting = false;
  if (Width == 0 || Height == 0 || !PrepareBitmap({})) {
    Aborting = true;
    return;
  }
  Params->ResetInfo();
  int64_t width = 0, height = 0;
  if (!RenderSize(Metafile, Width, Height, width, height)) {
    Aborting = true;
    return;
  }
  Metafile.SetWidth(static_cast<int32_t>(width));
  Metafile.SetHeight(static_cast<int32_t>(height));

  platform::TBitmap device;
  if (!Render(Metafile, GetBackground(), device)) {
    Aborting = true;
    return;
  }
  Params->FileName.clear();
  Params->FileType = Metafile.Kind() == platform::MetafileKind::kEnhanced ? kFormatEMF : kFormatWMF;
  Params->BitsPerSample = 8;
  Params->SamplesPerPixel = 3;
  Params->Width = device.GetWidth();
  Params->Height = device.GetHeight();
  Params->SetDpiX(DefaultDpiX);
  Params->SetDpiY(DefaultDpiY);
  Params->ColorMap.reset();
  Params->ColorMapCount = 0;
  UpdateViewDPI();
  if (!WorkBitmap->CopyFromTBitmap(device)) {
    Aborting = true;
    return;
  }
  WorkBitmap->RemoveAlphaChannel(false, kWhite);

  if (WithAlpha) {
    TPVBitmap* alpha = WorkBitmap->GetAlphaChannel();
    if (alpha == nullptr || !Render(Metafile, kUnpaintedKey, device)) {
      Aborting = true;
      return;
    }
    for (int32_t y = 0; y < device.GetHeight(); ++y) {
      const auto* pixels = reinterpret_cast<const TPVRGB*>(device.GetScanLine(y));
      uint8_t* row = alpha->GetScanline(y);
      for (int32_t x = 0; x < device.GetWidth(); ++x)
        row[x] = pixels[x] == kUnpaintedKeyPixel ? 0 : 255;
    }
    alpha->IsOpaqueScan();
  }
  Update();
}

}  // namespace calmora
