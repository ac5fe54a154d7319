// WritePNGStream: a bitmap as a PNG. The caller's bitmap is only read: images in formats the
// rows cannot be taken from are written from a private copy. Every call into libpng is guarded;
// a libpng error becomes EInvalidGraphic once the structures are released.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "imaging/base/streams/streams.h"
#include "imaging/codecs/png/png_codec.h"
#include "imaging/codecs/png/png_glue.h"
#include "imaging/core/bitmap/bitmap_internal.h"
#include "imaging/proc/colors/black_and_white.h"
#include "imaging/proc/colors/color_reduction.h"
#include "imaging/proc/colors/quantizer.h"

namespace calmora {

namespace {

constexpr const char* kCreateError = "Error on creating PNG";

// Write and info structures, released on every path.
struct Encoder {
  png_structp Png = nullptr;
  png_infop Info = nullptr;
  ~Encoder() {
    if (Png) png_destroy_write_struct(&Png, Info ? &Info : nullptr);
  }
};

// What the rows carry.
enum class Kind { Grey1, Grey8, Grey16, Palette, PaletteAlpha, RGB, RGBA };

uint8_t GreyLevel(TPVRGB c) {
  return static_cast<uint8_t>((c.r * 77 + c.g * 151 + c.b * 28) >> 8);
}

// The colour of pixel x of a row of the working formats (pv24RGB, pv8g, pv8p).
TPVRGB PixelColor(const uint8_t* row, int32_t x, TPVPixelFormat format,
                  const std::array<TPVRGB, 256>& palette) {
  switch (format) {
    case pv8g: return TPVRGB{row[x], row[x], row[x]};
    case pv8p: return palette[row[x]];
    default: return TPVRGB{row[3 * x], row[3 * x + 1], row[3 * x + 2]};
  }
}

// The quantiser's index, or the nearest of its Count entries where it has none.
int32_t IndexOf(const TPVQuantizer& q, const TPVRGB* palette, int32_t count, TPVRGB c) {
  const int32_t index = q.RGBIndex(c);
  if (index >= 0 && index < count) return index;
  return NearestPaletteIndex(palette, count, c);
}

void SendProgress(TPVProgressRecord& progress, int32_t& lastPercent) {
  ++progress.Value;
  if (!progress.OnProgress) return;
  const int32_t percent = static_cast<int32_t>(std::trunc(progress.Value * progress.Step));
  if (percent == lastPercent) return;
  lastPercent = percent;
  progress.OnProgress(progress.Sender, percent);
}

// A private copy of the bitmap in the format; null when it cannot be had.
std::unique_ptr<TPVBitmap> CopyAs(TPVBitmap& bitmap, TPVPixelFormat format) {
  auto copy = std::make_unique<TPVBitmap>();
  if (!copy->Assign(&bitmap) || !copy->SetPixelFormat(format)) return nullptr;
  return copy;
}

void WriteBody(TStream* Stream, TPVBitmap& Bitmap, TIOParamsVals& Params,
               TPVProgressRecord& Progress, const TPVMask* Mask) {
  bool& aborting = *Progress.Aborting;
  if (aborting) return;
  const int32_t width = Bitmap.GetWidth();
  const int32_t height = Bitmap.GetHeight();
  if (Bitmap.IsEmpty() || width <= 0 || height <= 0) {
    aborting = true;
    return;
  }
  int32_t bits = Params.BitsPerSample;
  const int32_t samples = Params.SamplesPerPixel;
  if (samples == 1 && bits != 1 && bits != 8 && bits != 16) bits = 8;
  const bool hasAlpha = Mask && Mask->BitsPerPixel == 8 && !Mask->AllSet &&
                        Mask->Width >= width && Mask->Height >= height;
  const TPVPixelFormat own = Bitmap.GetPixelFormat();

  // The working bitmap: the caller's own when its rows serve, else a private copy.
  std::unique_ptr<TPVBitmap> copy;
  bool needCopy = false;
  Kind kind = Kind::RGB;
  const bool rowsServe = own == pv24RGB || own == pv8p || own == pv8g;
  if (bits == 1) {
    kind = Kind::Grey1;
    if (own != pv1g) {
      TPVRGB color0{};
      TPVRGB color1{};
      needCopy = true;
      copy = ExtractTwoColorBitmap(Bitmap, color0, color1);
      if (!copy) copy = CopyAs(Bitmap, pv1g);
    }
  } else if (samples != 1) {
    kind = hasAlpha ? Kind::RGBA : Kind::RGB;
    needCopy = own != pv24RGB;
  } else if (hasAlpha) {
    kind = Kind::PaletteAlpha;
    needCopy = !rowsServe;
  } else if (bits == 16 && own == pv16g) {
    kind = Kind::Grey16;
  } else {
    kind = Kind::Palette;  // or grey, when the quantiser says the image is grey
    needCopy = !rowsServe;
  }
  if (needCopy && !copy && kind != Kind::Grey1) copy = CopyAs(Bitmap, pv24RGB);
  if (needCopy && !copy) {
    aborting = true;
    return;
  }
  TPVBitmap* work = copy ? copy.get() : &Bitmap;
  const TPVPixelFormat format = work->GetPixelFormat();
  std::array<TPVRGB, 256> ownPalette{};
  if (format == pv8p) {
    for (int32_t i = 0; i < 256; ++i) ownPalette[i] = work->GetPaletteColor(i);
  }

  // Palettes: zeroed first, so entries the quantiser leaves alone are black.
  std::array<TPVRGB, 256> quantized{};
  std::unique_ptr<TPVQuantizer> quantizer;
  int32_t colors = 0;
  if (kind == Kind::Palette) {
    colors = 256;
    quantizer = std::make_unique<TPVQuantizer>(*work, quantized.data(), colors);
    if (quantizer->IsGrey) kind = bits == 16 ? Kind::Grey16 : Kind::Grey8;
  } else if (kind == Kind::PaletteAlpha) {
    colors = 255;
    quantizer = std::make_unique<TPVQuantizer>(*work, quantized.data(), colors);
  }
  // Opaque pixels of a pv8p image with alpha: index i becomes i + 1; index 255, which has no
  // place, the nearest of the entries that have.
  int32_t lastIndex = 0;
  if (kind == Kind::PaletteAlpha && format == pv8p) {
    lastIndex = 1 + NearestPaletteIndex(quantized.data(), colors, ownPalette[255]);
  }

  Encoder e;
  PNGWriteTarget target{Stream, &aborting};
  bool libpngFailed = false;
  e.Png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &libpngFailed, PNGWriteError,
                                  PNGWriteWarning);
  if (!e.Png) throw EInvalidGraphic(kCreateError);
  e.Info = png_create_info_struct(e.Png);
  if (!e.Info) throw EInvalidGraphic(kCreateError);
  png_structp png = e.Png;
  png_infop info = e.Info;

  int colorType = PNG_COLOR_TYPE_RGB;
  int depth = 8;
  switch (kind) {
    case Kind::Grey1: colorType = PNG_COLOR_TYPE_GRAY; depth = 1; break;
    case Kind::Grey8: colorType = PNG_COLOR_TYPE_GRAY; break;
    case Kind::Grey16: colorType = PNG_COLOR_TYPE_GRAY; depth = 16; break;
    case Kind::Palette:
    case Kind::PaletteAlpha: colorType = PNG_COLOR_TYPE_PALETTE; break;
    case Kind::RGB: break;
    case Kind::RGBA: colorType = PNG_COLOR_TYPE_RGB_ALPHA; break;
  }
  const TPVRGB background = Params.PNG_Background;
  std::array<png_color, 256> plte{};
  int plteCount = 0;
  if (kind == Kind::Palette) {
    for (int32_t i = 0; i < 256; ++i) plte[i] = {quantized[i].r, quantized[i].g, quantized[i].b};
    plteCount = 256;
  } else if (kind == Kind::PaletteAlpha) {
    plte[0] = {background.r, background.g, background.b};
    for (int32_t i = 0; i < colors; ++i) {
      plte[i + 1] = {quantized[i].r, quantized[i].g, quantized[i].b};
    }
    plteCount = colors + 1;
  }
  png_color_16 bkgd{};
  if (kind == Kind::Palette) {
    bkgd.index = static_cast<png_byte>(IndexOf(*quantizer, quantized.data(), colors, background));
  } else if (kind == Kind::PaletteAlpha) {
    bkgd.index =
        static_cast<png_byte>(1 + IndexOf(*quantizer, quantized.data(), colors, background));
  } else if (kind == Kind::Grey1) {
    bkgd.gray = GreyLevel(background) >= 128 ? 1 : 0;
  } else if (kind == Kind::Grey8) {
    bkgd.gray = GreyLevel(background);
  } else if (kind == Kind::Grey16) {
    bkgd.gray = static_cast<png_uint_16>(GreyLevel(background) * 257);
  } else {
    bkgd.red = background.r;
    bkgd.green = background.g;
    bkgd.blue = background.b;
  }
  // Keys without values are not written; nor are keys libpng would refuse.
  std::vector<png_text> texts;
  const size_t pairs = std::min(Params.PNG_TextKeys.size(), Params.PNG_TextValues.size());
  for (size_t i = 0; i < pairs; ++i) {
    const std::string& key = Params.PNG_TextKeys[i];
    if (key.empty() || key.size() > 79) continue;
    png_text text{};
    text.compression = PNG_TEXT_COMPRESSION_NONE;
    text.key = const_cast<char*>(key.c_str());
    text.text = const_cast<char*>(Params.PNG_TextValues[i].c_str());
    text.text_length = Params.PNG_TextValues[i].size();
    texts.push_back(text);
  }
  const uint32_t metresX = PNGDpiToMetres(Params.DpiX);
  const uint32_t metresY = PNGDpiToMetres(Params.DpiY);
  int passes = 1;
  const bool set = PNGGuarded(png, [&] {
    png_set_write_fn(png, &target, PNGWriteData, PNGFlushData);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height),
                 depth, colorType,
                 Params.PNG_Interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (plteCount > 0) png_set_PLTE(png, info, plte.data(), plteCount);
    if (kind == Kind::PaletteAlpha) {
      png_byte transparent = 0;
      png_set_tRNS(png, info, &transparent, 1, nullptr);
    }
    if (metresX > 0 && metresY > 0) {
      png_set_pHYs(png, info, metresX, metresY, PNG_RESOLUTION_METER);
    }
    switch (Params.PNG_Filter) {
      case 0: png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE); break;
      case 1: png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB); break;
      case 2: png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_PAETH); break;
      default: break;
    }
    png_set_bKGD(png, info, &bkgd);
    png_set_compression_level(png, std::clamp(Params.PNG_Compression, 0, 9));
    if (!texts.empty()) png_set_text(png, info, texts.data(), static_cast<int>(texts.size()));
    png_write_info(png, info);
    if (kind == Kind::RGB || kind == Kind::RGBA) png_set_bgr(png);
    if (kind == Kind::Grey16) png_set_swap(png);
    passes = png_set_interlace_handling(png);
  });
  if (!set || libpngFailed) {
    aborting = true;
    throw EInvalidGraphic(kCreateError);
  }

  size_t rowBytes = static_cast<size_t>(width);
  if (kind == Kind::RGBA) rowBytes *= 4;
  if (kind == Kind::Grey16) rowBytes *= 2;
  std::vector<uint8_t> row(rowBytes);
  Progress.Step = 100.0 / (static_cast<double>(height) * passes);
  Progress.Value = 0;
  int32_t lastPercent = -1;
  TPVDataAccessScope access(*work, pvdRead);
  for (int pass = 0; pass < passes && !aborting; ++pass) {
    for (int32_t y = 0; y < height && !aborting; ++y) {
      const uint8_t* line = static_cast<const TPVBitmap*>(work)->GetScanline(y);
      const uint8_t* alpha = hasAlpha ? Mask->GetRow(y) : nullptr;
      const uint8_t* out = row.data();
      switch (kind) {
        case Kind::Grey1:
        case Kind::RGB: out = line; break;
        case Kind::Grey8:
          if (format == pv8g) {
            out = line;
          } else {
            for (int32_t x = 0; x < width; ++x) {
              row[x] = format == pv8p ? line[x]
                                      : static_cast<uint8_t>(std::clamp(
                                            quantizer->RGBIndex(PixelColor(line, x, format,
                                                                           ownPalette)),
                                            0, 255));
            }
          }
          break;
        case Kind::Grey16:
          if (format == pv16g) {
            out = line;
          } else {
            for (int32_t x = 0; x < width; ++x) {
              const uint16_t v = static_cast<uint16_t>(
                  (format == pv8g ? line[x]
                                  : std::clamp(quantizer->RGBIndex(
                                                   PixelColor(line, x, format, ownPalette)),
                                               0, 255)) *
                  257);
              std::memcpy(&row[2 * size_t(x)], &v, 2);
            }
          }
          break;
        case Kind::Palette:
          for (int32_t x = 0; x < width; ++x) {
            row[x] = format == pv8p
                         ? line[x]
                         : static_cast<uint8_t>(IndexOf(*quantizer, quantized.data(), colors,
                                                        PixelColor(line, x, format, ownPalette)));
          }
          break;
        case Kind::PaletteAlpha:
          for (int32_t x = 0; x < width; ++x) {
            if (alpha[x] != 255) {
              row[x] = 0;
            } else if (format == pv8p) {
              row[x] = static_cast<uint8_t>(line[x] < 255 ? line[x] + 1 : lastIndex);
            } else {
              row[x] = static_cast<uint8_t>(
                  1 + IndexOf(*quantizer, quantized.data(), colors,
                              PixelColor(line, x, format, ownPalette)));
            }
          }
          break;
        case Kind::RGBA:
          for (int32_t x = 0; x < width; ++x) {
            std::memcpy(&row[4 * size_t(x)], line + 3 * size_t(x), 3);
            row[4 * size_t(x) + 3] = alpha[x];
          }
          break;
      }
      if (!PNGGuarded(png, [&] { png_write_row(png, out); }) || libpngFailed) {
        aborting = true;
        throw EInvalidGraphic(kCreateError);
      }
      SendProgress(Progress, lastPercent);
    }
  }
  if (!aborting && (!PNGGuarded(png, [&] { png_write_end(png, nullptr); }) || libpngFailed)) {
    aborting = true;
    throw EInvalidGraphic(kCreateError);
  }
}

}  // namespace

void WritePNGStream(TStream* Stream, TPVBitmap& Bitmap, TIOParamsVals& Params,
                    TPVProgressRecord& Progress, const TPVMask* Mask) {
  bool local = false;
  const bool ownFlag = !Progress.Aborting;
  if (ownFlag) Progress.Aborting = &local;
  try {
    WriteBody(Stream, Bitmap, Params, Progress, Mask);
  } catch (const EInvalidGraphic&) {
    *Progress.Aborting = true;
    if (ownFlag) Progress.Aborting = nullptr;
    throw;
  } catch (...) {
    // Anything else (no memory, a failing file-stored row) ends the save as aborted.
    *Progress.Aborting = true;
  }
  if (ownFlag) Progress.Aborting = nullptr;
}

void WritePNGForIO(TStream& Stream, TPVBitmap& Bitmap, TIOParamsVals& Params,
                   TPVProgressRecord& Progress, const TPVMask* Mask) {
  WritePNGStream(&Stream, Bitmap, Params, Progress, Mask);
}

}  // namespace calmora
