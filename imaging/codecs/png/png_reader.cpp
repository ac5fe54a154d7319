// ReadPNGStream: a PNG into a bitmap and the parameter record. Every call into libpng is
// guarded, so a libpng error comes back as a failed call and ends in the abort flag; the
// structures and buffers are owned here, outside the guarded frames.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "imaging/base/color_helpers.h"
#include "imaging/base/streams/byte_reader.h"
#include "imaging/base/streams/reader_boundary.h"
#include "imaging/base/streams/streams.h"
#include "imaging/codecs/png/png_codec.h"
#include "imaging/codecs/png/png_glue.h"
#include "imaging/core/bitmap/bitmap_internal.h"
#include "imaging/core/dpi_globals.h"

namespace calmora {

namespace {

// deflate gives at most about 1032 bytes per byte it reads: an image claiming more rows than
// its remaining bytes can carry is refused before anything is allocated for it.
constexpr uint64_t kInflateRatio = 1032;
constexpr uint64_t kSlackBytes = 4096;

// Read and info structures, released on every path.
struct Decoder {
  png_structp Png = nullptr;
  png_infop Info = nullptr;
  ~Decoder() {
    if (Png) png_destroy_read_struct(&Png, Info ? &Info : nullptr, nullptr);
  }
};

void SendProgress(TPVProgressRecord& progress, int32_t& lastPercent) {
  ++progress.Value;
  if (!progress.OnProgress) return;
  const int32_t percent = static_cast<int32_t>(std::trunc(progress.Value * progress.Step));
  if (percent == lastPercent) return;
  lastPercent = percent;
  progress.OnProgress(progress.Sender, percent);
}

// The packed one-bit palette row as colours: entry 1 for a set bit, entry 0 for a clear one
// (entry 0 for both when the palette has one entry).
void UnpackPaletteBits(const uint8_t* packed, uint8_t* line, int32_t width, const TPVRGB* map,
                       int32_t count) {
  const TPVRGB zero = count > 0 ? map[0] : TPVRGB{0, 0, 0};
  const TPVRGB one = count > 1 ? map[1] : zero;
  for (int32_t x = 0; x < width; ++x) {
    const TPVRGB c = (packed[x >> 3] & (0x80 >> (x & 7))) ? one : zero;
    line[3 * x] = c.b;
    line[3 * x + 1] = c.g;
    line[3 * x + 2] = c.r;
  }
}

void ReadBody(TStream* Stream, TPVBitmap& Bitmap, TIOParamsVals& Params,
              TPVProgressRecord& Progress, bool ParamsOnly) {
  bool& aborting = *Progress.Aborting;
  if (aborting) return;
  TPVByteReader reader(Stream);
  Decoder d;
  d.Png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &aborting, PNGReadError, PNGReadWarning);
  if (!d.Png) {
    aborting = true;
    return;
  }
  d.Info = png_create_info_struct(d.Png);
  if (!d.Info) {
    aborting = true;
    return;
  }
  png_structp png = d.Png;
  png_infop info = d.Info;
  png_uint_32 width = 0;
  png_uint_32 height = 0;
  int depth = 0;
  int colorType = 0;
  int interlace = 0;
  if (!PNGGuarded(png, [&] {
        png_set_read_fn(png, &reader, PNGReadData);
        png_read_info(png, info);
        png_get_IHDR(png, info, &width, &height, &depth, &colorType, &interlace, nullptr,
                     nullptr);
      }) ||
      aborting) {
    aborting = true;
    return;
  }

  // Text chunks in file order.
  Params.PNG_TextKeys.clear();
  Params.PNG_TextValues.clear();
  png_textp texts = nullptr;
  int textCount = 0;
  png_get_text(png, info, &texts, &textCount);
  for (int i = 0; i < textCount; ++i) {
    Params.PNG_TextKeys.emplace_back(texts[i].key ? texts[i].key : "");
    Params.PNG_TextValues.emplace_back(texts[i].text ? texts[i].text : "",
                                       texts[i].text ? texts[i].text_length : 0);
  }
  png_color_16p background = nullptr;
  if (png_get_bKGD(png, info, &background) && background) {
    Params.PNG_Background = MakeRGB(static_cast<uint8_t>(background->red & 0xFF),
                                    static_cast<uint8_t>(background->green & 0xFF),
                                    static_cast<uint8_t>(background->blue & 0xFF));
  }

  const bool grey = colorType == PNG_COLOR_TYPE_GRAY;
  const bool palette = colorType == PNG_COLOR_TYPE_PALETTE;
  const bool native = Params.NativePixelFormat && (depth == 8 || depth == 16) && (grey || palette);
  int passes = 1;
  if (!PNGGuarded(png, [&] {
        if (native) {
          if (depth == 16) png_set_swap(png);
        } else {
          if (palette && depth >= 2) png_set_palette_to_rgb(png);
          if (grey && depth > 1 && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
          if (depth == 16) png_set_strip_16(png);
          if (depth == 2 || depth == 4) png_set_packing(png);
          if ((grey || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) && depth > 1) {
            png_set_gray_to_rgb(png);
          }
          if (depth > 1) {
            png_set_bgr(png);
            if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
          }
        }
        passes = png_set_interlace_handling(png);
        png_read_update_info(png, info);
      }) ||
      aborting) {
    aborting = true;
    return;
  }
  const int channels = png_get_channels(png, info);
  const size_t outRowBytes = png_get_rowbytes(png, info);

  Params.Width = static_cast<int32_t>(width);
  Params.Height = static_cast<int32_t>(height);
  Params.OriginalWidth = Params.Width;
  Params.OriginalHeight = Params.Height;
  Params.BitsPerSample = depth;
  switch (colorType) {
    case PNG_COLOR_TYPE_RGB: Params.SamplesPerPixel = 3; break;
    case PNG_COLOR_TYPE_GRAY_ALPHA: Params.SamplesPerPixel = 2; break;
    case PNG_COLOR_TYPE_RGB_ALPHA: Params.SamplesPerPixel = 4; break;
    default: Params.SamplesPerPixel = 1; break;
  }
  png_uint_32 resX = 0;
  png_uint_32 resY = 0;
  int unit = 0;
  int32_t dpiX = 0;
  int32_t dpiY = 0;
  if (png_get_pHYs(png, info, &resX, &resY, &unit) && unit == PNG_RESOLUTION_METER) {
    dpiX = PNGMetresToDpi(resX);
    dpiY = PNGMetresToDpi(resY);
  }
  Params.SetDpiX(dpiX == 0 ? DefaultDpiX : dpiX);
  Params.SetDpiY(dpiY == 0 ? DefaultDpiY : dpiY);
  Params.ColorMap.reset();
  Params.ColorMapCount = 0;
  png_colorp plte = nullptr;
  int plteCount = 0;
  if (palette && png_get_PLTE(png, info, &plte, &plteCount) && plteCount > 0) {
    Params.ColorMap = std::make_unique<TPVRGB[]>(static_cast<size_t>(plteCount));
    for (int i = 0; i < plteCount; ++i) {
      Params.ColorMap[i] = MakeRGB(plte[i].red, plte[i].green, plte[i].blue);
    }
    Params.ColorMapCount = plteCount;
  }
  Params.PNG_Interlaced = interlace != PNG_INTERLACE_NONE;
  if (ParamsOnly) return;

  const uint64_t fileRowBytes =
      (uint64_t{width} * static_cast<uint64_t>(depth) * Params.SamplesPerPixel + 7) / 8;
  const uint64_t decoded = uint64_t{height} * (fileRowBytes + 1);
  if (decoded / kInflateRatio > static_cast<uint64_t>(reader.Left()) + kSlackBytes) {
    aborting = true;
    return;
  }

  const bool packedPalette = palette && depth == 1;
  TPVPixelFormat format = pv24RGB;
  if (grey && depth == 1) {
    format = pv1g;
  } else if (native && channels == 1) {
    format = palette ? pv8p : depth == 8 ? pv8g : pv16g;
  }
  const int32_t w = static_cast<int32_t>(width);
  const int32_t h = static_cast<int32_t>(height);
  if (!Bitmap.Allocate(w, h, format)) {
    aborting = true;
    return;
  }
  if (format == pv8p) {
    Bitmap.PaletteColorsUsed = 1 << depth;
    for (int32_t i = 0; i < Params.ColorMapCount && i < 256; ++i) {
      Bitmap.SetPaletteColor(i, Params.ColorMap[i]);
    }
  }
  TPVBitmap* alpha = nullptr;
  if (channels == 4) {
    alpha = Bitmap.GetAlphaChannel();
    if (!alpha) {
      aborting = true;
      return;
    }
    Bitmap.Opaque = false;
  }

  // Rows libpng hands over in a layout the bitmap does not have go through these buffers: a
  // work row for alpha, and for packed palette rows one row or, interlaced, the whole image
  // (passes fill it in turn and it is converted once they are done).
  std::vector<uint8_t> work;
  if (channels == 4) work.resize(outRowBytes);
  std::vector<uint8_t> packed;
  const bool wholePacked = packedPalette && passes > 1;
  if (packedPalette) {
    const uint64_t size = wholePacked ? uint64_t{outRowBytes} * height : outRowBytes;
    packed.assign(static_cast<size_t>(size), 0);
  }
  Progress.Step = 100.0 / (static_cast<double>(height) * passes);
  Progress.Value = 0;
  int32_t lastPercent = -1;
  // Interlaced passes combine with the pixels earlier passes left in the rows, so then the
  // rows are read back as well as written.
  TPVDataAccessScope access(Bitmap, passes > 1 ? pvdRead | pvdWrite : pvdWrite);
  std::unique_ptr<TPVDataAccessScope> alphaAccess;
  if (alpha) {
    alphaAccess = std::make_unique<TPVDataAccessScope>(
        *alpha, passes > 1 ? pvdRead | pvdWrite : pvdWrite);
  }
  for (int pass = 0; pass < passes && !aborting; ++pass) {
    for (int32_t y = 0; y < h && !aborting; ++y) {
      uint8_t* line = Bitmap.GetScanline(y);
      png_bytep target = line;
      if (channels == 4) {
        uint8_t* a = alpha->GetScanline(y);
        if (pass > 0) {
          // The earlier passes' pixels, which libpng keeps in the row it is given.
          for (int32_t x = 0; x < w; ++x) {
            std::memcpy(&work[4 * size_t(x)], line + 3 * size_t(x), 3);
            work[4 * size_t(x) + 3] = a[x];
          }
        }
        target = work.data();
      } else if (packedPalette) {
        target = packed.data() + (wholePacked ? size_t(y) * outRowBytes : 0);
      }
      if (!PNGGuarded(png, [&] { png_read_row(png, target, nullptr); })) {
        aborting = true;
        break;
      }
      if (channels == 4) {
        line = Bitmap.GetScanline(y);
        uint8_t* a = alpha->GetScanline(y);
        for (int32_t x = 0; x < w; ++x) {
          std::memcpy(line + 3 * size_t(x), &work[4 * size_t(x)], 3);
          a[x] = work[4 * size_t(x) + 3];
        }
      } else if (packedPalette && !wholePacked) {
        UnpackPaletteBits(target, line, w, Params.ColorMap.get(), Params.ColorMapCount);
      }
      SendProgress(Progress, lastPercent);
    }
  }
  if (wholePacked) {
    for (int32_t y = 0; y < h; ++y) {
      UnpackPaletteBits(packed.data() + size_t(y) * outRowBytes, Bitmap.GetScanline(y), w,
                        Params.ColorMap.get(), Params.ColorMapCount);
    }
  }
  if (!aborting && !PNGGuarded(png, [&] { png_read_end(png, nullptr); })) aborting = true;
}

}  // namespace

void ReadPNGStream(TStream* Stream, TPVBitmap& Bitmap, TIOParamsVals& Params,
                   TPVProgressRecord& Progress, bool ParamsOnly) {
  RunInReaderBoundary(Progress,
                      [&] { ReadBody(Stream, Bitmap, Params, Progress, ParamsOnly); });
}

int32_t ReadPNGForIO(TStream& Stream, TPVBitmap& Bitmap, TIOParamsVals& Params, bool ParamsOnly,
                     TPVProgressRecord& Progress, std::unique_ptr<TPVMask>& /*Mask*/) {
  bool local = false;
  if (!Progress.Aborting) Progress.Aborting = &local;
  ReadPNGStream(&Stream, Bitmap, Params, Progress, ParamsOnly);
  const bool aborted = *Progress.Aborting;
  if (Progress.Aborting == &local) Progress.Aborting = nullptr;
  return aborted ? 0 : 1;
}

}  // namespace calmora
