// WritePCXStream: a bitmap as one PCX image of 1, 4, 8 or 24 bits, raw or RLE. The caller's
// bitmap is never changed: conversions work on private copies.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "imaging/codecs/pcx/pcx_codec.h"
#include "imaging/base/streams/reader_boundary.h"
#include "imaging/base/streams/streams.h"
#include "imaging/core/bitmap/bitmap_internal.h"
#include "imaging/core/dpi_globals.h"
#include "imaging/proc/colors/black_and_white.h"
#include "imaging/proc/colors/color_reduction.h"
#include "imaging/proc/colors/quantizer.h"

namespace calmora {

namespace {

constexpr int32_t kHeaderBytes = 128;

void PutLE16(uint8_t* at, int32_t value) {
  const auto v = static_cast<uint16_t>(std::clamp(value, 0, 65535));
  at[0] = static_cast<uint8_t>(v & 0xFF);
  at[1] = static_cast<uint8_t>(v >> 8);
}

// The quantiser's index of a colour, the nearest palette entry where it has none.
uint8_t IndexOf(const TPVQuantizer& quantizer, const TPVRGB* palette, int32_t count, TPVRGB c) {
  int32_t index = quantizer.RGBIndex(c);
  if (index < 0 || index >= count) index = NearestPaletteIndex(palette, count, c);
  return static_cast<uint8_t>(index);
}

// The source as pv24RGB: itself, or a private converted copy held in copy.
const TPVBitmap* AsRGB(TPVBitmap& source, std::unique_ptr<TPVBitmap>& copy) {
  if (source.GetPixelFormat() == pv24RGB) return &source;
  copy = std::make_unique<TPVBitmap>();
  if (!copy->Assign(&source) || !copy->SetPixelFormat(pv24RGB)) return nullptr;
  return copy.get();
}

void WriteBody(TStream* Stream, TPVBitmap& Bitmap, TIOParamsVals& Params,
               TPVProgressRecord& Progress) {
  bool& aborting = *Progress.Aborting;
  const int32_t width = Bitmap.GetWidth();
  const int32_t height = Bitmap.GetHeight();
  if (width <= 0 || height <= 0 || width > 65536 || height > 65536) {
    aborting = true;
    return;
  }
  int32_t depth = Params.BitsPerSample == 1 ? 1 : Params.BitsPerSample * Params.SamplesPerPixel;
  // Anything else (8 x 4 after an RGBA load, 16-bit samples) is written as true colour.
  if (depth != 1 && depth != 4 && depth != 8) depth = 24;

  std::unique_ptr<TPVBitmap> rgbCopy;
  std::unique_ptr<TPVBitmap> oneBit;
  const TPVBitmap* work = nullptr;
  TPVRGB palette[256] = {};
  std::unique_ptr<TPVQuantizer> quantizer;
  if (depth == 1) {
    palette[1] = TPVRGB{255, 255, 255};
    if (Bitmap.GetPixelFormat() == pv1g) {
      work = &Bitmap;
    } else {
      const TPVBitmap* rgb = AsRGB(Bitmap, rgbCopy);
      if (!rgb) {
        aborting = true;
        return;
      }
      oneBit = ExtractTwoColorBitmap(*rgb, palette[0], palette[1]);
      if (!oneBit) {
        palette[0] = TPVRGB{0, 0, 0};
        palette[1] = TPVRGB{255, 255, 255};
        // The conversion takes the source's alpha plane, so it runs on a private copy.
        if (!rgbCopy) {
          rgbCopy = std::make_unique<TPVBitmap>();
          if (!rgbCopy->Assign(&Bitmap)) {
            aborting = true;
            return;
          }
        }
        oneBit = std::make_unique<TPVBitmap>();
        if (!oneBit->Allocate(width, height, pv1g) || !oneBit->ConvertFrom(*rgbCopy)) {
          aborting = true;
          return;
        }
      }
      work = oneBit.get();
    }
  } else {
    work = AsRGB(Bitmap, rgbCopy);
    if (!work) {
      aborting = true;
      return;
    }
    if (depth == 4 || depth == 8) {
      quantizer = std::make_unique<TPVQuantizer>(*work, palette, depth == 4 ? 16 : 256);
    }
  }

  int32_t bytesPerLine = depth == 1 ? (width + 7) / 8 : depth == 4 ? (width + 1) / 2 : width;
  bytesPerLine += bytesPerLine & 1;
  const int32_t planes = depth == 24 ? 3 : 1;
  const bool compressed = Params.PCX_Compression != 0;

  uint8_t header[kHeaderBytes] = {};
  header[0] = 10;
  header[1] = static_cast<uint8_t>(Params.PCX_Version);
  header[2] = compressed ? 1 : 0;
  header[3] = depth == 1 ? 1 : depth == 4 ? 4 : 8;
  PutLE16(header + 8, width - 1);
  PutLE16(header + 10, height - 1);
  PutLE16(header + 12, Params.DpiX);
  PutLE16(header + 14, Params.DpiY);
  if (depth == 1 || depth == 4) {
    for (int32_t i = 0; i < 16; ++i) {
      header[16 + 3 * i] = palette[i].r;
      header[17 + 3 * i] = palette[i].g;
      header[18 + 3 * i] = palette[i].b;
    }
  }
  header[65] = static_cast<uint8_t>(planes);
  PutLE16(header + 66, bytesPerLine);
  PutLE16(header + 68, depth == 24 ? 0 : 1);
  SafeStreamWrite(Stream, aborting, header, kHeaderBytes);

  std::vector<uint8_t> line(static_cast<size_t>(bytesPerLine) * planes);
  std::vector<uint8_t> packed;
  packed.reserve(line.size() * 2 + 2);
  Progress.Step = 100.0 / height;
  Progress.Value = 0;
  TPVDataAccessScope access(const_cast<TPVBitmap&>(*work), pvdRead);
  for (int32_t y = 0; y < height && !aborting; ++y) {
    if (Progress.OnProgress) {
      Progress.OnProgress(Progress.Sender, static_cast<int32_t>(std::trunc(y * Progress.Step)));
    }
    std::fill(line.begin(), line.end(), 0);
    const uint8_t* row = work->GetScanline(y);
    switch (depth) {
      case 1: std::memcpy(line.data(), row, static_cast<size_t>((width + 7) / 8)); break;
      case 4:
        for (int32_t x = 0; x < width; ++x) {
          const TPVRGB c{row[3 * x], row[3 * x + 1], row[3 * x + 2]};
          const uint8_t index = IndexOf(*quantizer, palette, 16, c);
          line[x / 2] |= static_cast<uint8_t>((x & 1) ? index : index << 4);
        }
        break;
      case 8:
        for (int32_t x = 0; x < width; ++x) {
          const TPVRGB c{row[3 * x], row[3 * x + 1], row[3 * x + 2]};
          line[x] = IndexOf(*quantizer, palette, 256, c);
        }
        break;
      default:
        for (int32_t x = 0; x < width; ++x) {
          line[x] = row[3 * x + 2];
          line[bytesPerLine + x] = row[3 * x + 1];
          line[2 * bytesPerLine + x] = row[3 * x];
        }
        break;
    }
    for (int32_t plane = 0; plane < planes; ++plane) {
      const uint8_t* planeLine = line.data() + static_cast<size_t>(plane) * bytesPerLine;
      if (compressed) {
        packed.clear();
        EncodePCXLine(planeLine, bytesPerLine, packed);
        SafeStreamWrite(Stream, aborting, packed.data(), static_cast<int32_t>(packed.size()));
      } else {
        SafeStreamWrite(Stream, aborting, planeLine, bytesPerLine);
      }
    }
    Progress.Value = y + 1;
  }
  if (depth == 8 && !aborting) {
    uint8_t trailer[769];
    trailer[0] = 0x0C;
    for (int32_t i = 0; i < 256; ++i) {
      trailer[1 + 3 * i] = palette[i].r;
      trailer[2 + 3 * i] = palette[i].g;
      trailer[3 + 3 * i] = palette[i].b;
    }
    SafeStreamWrite(Stream, aborting, trailer, static_cast<int32_t>(sizeof trailer));
  }
}

}  // namespace

void WritePCXStream(TStream* Stream, TPVBitmap& Bitmap, TIOParamsVals& Params,
                    TPVProgressRecord& Progress) {
  RunInReaderBoundary(Progress, [&] { WriteBody(Stream, Bitmap, Params, Progress); });
}

void WritePCXForIO(TStream& Stream, TPVBitmap& Bitmap, TIOParamsVals& Params,
                   TPVProgressRecord& Progress, const TPVMask* /*Mask*/) {
  WritePCXStream(&Stream, Bitmap, Params, Progress);
}

}  // namespace calmora
