// WriteTGAStream: a pv24RGB or pv1g bitmap as a top-down Targa file of 1, 4, 8 (palette or
// grey), 24 or 32 bits, raw or RLE, with the TGA 2.0 extension area and footer. The caller's
// bitmap is never changed: reductions work on private copies.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "imaging/codecs/tga/tga_codec.h"
#include "imaging/base/color_helpers.h"
#include "imaging/base/streams/reader_boundary.h"
#include "imaging/base/streams/streams.h"
#include "imaging/core/bitmap/bitmap_internal.h"
#include "imaging/proc/colors/black_and_white.h"
#include "imaging/proc/colors/color_reduction.h"
#include "imaging/proc/colors/quantizer.h"

namespace calmora {

namespace {

constexpr int32_t kExtensionBytes = 495;
constexpr int32_t kLongestId = 254;
constexpr int32_t kLongestName = 40;

void PutLE16(uint8_t* at, int64_t value) {
  const auto v = static_cast<uint16_t>(std::clamp<int64_t>(value, 0, 65535));
  at[0] = static_cast<uint8_t>(v & 0xFF);
  at[1] = static_cast<uint8_t>(v >> 8);
}

void PutLE32(uint8_t* at, uint32_t value) {
  for (int32_t i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

// A ratio as a 16-bit numerator over 10000, both divided by 10 until the numerator fits.
void PutRatio(uint8_t* at, double value) {
  int64_t numerator = std::isfinite(value) && value > 0
                          ? static_cast<int64_t>(std::min(value * 10000.0, 1.0e15))
                          : 0;
  int64_t denominator = 10000;
  while (numerator > 65535 && denominator > 1) {
    numerator /= 10;
    denominator /= 10;
  }
  PutLE16(at, numerator);
  PutLE16(at + 2, denominator);
}

uint8_t IndexOf(const TPVQuantizer& quantizer, const TTGAWriteContext& c, TPVRGB color) {
  int32_t index = quantizer.RGBIndex(color);
  if (index < 0 || index >= c.PaletteCount) {
    index = NearestPaletteIndex(c.Palette.data(), c.PaletteCount, color);
  }
  return static_cast<uint8_t>(index);
}

void WriteBody(TStream* Stream, TPVBitmap& Bitmap, TIOParamsVals& Params,
               TPVProgressRecord& Progress, const TPVMask* AlphaMask) {
  bool& aborting = *Progress.Aborting;
  const TPVPixelFormat format = Bitmap.GetPixelFormat();
  const int32_t width = Bitmap.GetWidth();
  const int32_t height = Bitmap.GetHeight();
  // Only these two are written; anything else is a failed save, not a silent empty file.
  if ((format != pv24RGB && format != pv1g) || width <= 0 || height <= 0 || width > 65535 ||
      height > 65535) {
    aborting = true;
    return;
  }
  TTGAWriteContext c;
  c.Start = Stream->GetPosition();
  std::unique_ptr<TPVBitmap> reduced;
  std::unique_ptr<TPVQuantizer> quantizer;
  const TPVBitmap* source = &Bitmap;
  // The pv1g palette: 0 black, 1 white, whatever the output.
  c.Palette[1] = TPVRGB{255, 255, 255};
  if (Params.SamplesPerPixel == 1) {
    c.Depth = Params.BitsPerSample == 1 || Params.BitsPerSample == 4 ? Params.BitsPerSample : 8;
    if (c.Depth == 1) {
      Params.TGA_Compressed = false;
      if (format == pv24RGB) {
        TPVRGB color0{}, color1{};
        reduced = ExtractTwoColorBitmap(Bitmap, color0, color1);
        if (!reduced) {
          // The conversion takes the source's alpha plane: it works on a private copy.
          TPVBitmap copy;
          reduced = std::make_unique<TPVBitmap>();
          if (!copy.Assign(&Bitmap) || !reduced->Allocate(width, height, pv1g) ||
              !reduced->ConvertFrom(copy)) {
            aborting = true;
            return;
          }
        }
        source = reduced.get();
      }
    } else {
      if (c.Depth == 4) Params.TGA_Compressed = false;
      if (format == pv1g) {
        // A one-bit source is quantised from a true-colour copy.
        reduced = std::make_unique<TPVBitmap>();
        if (!reduced->Assign(&Bitmap) || !reduced->SetPixelFormat(pv24RGB)) {
          aborting = true;
          return;
        }
        source = reduced.get();
      }
      c.PaletteCount = c.Depth == 4 ? 16 : 256;
      c.Palette.fill(TPVRGB{0, 0, 0});
      quantizer = std::make_unique<TPVQuantizer>(*source, c.Palette.data(), c.PaletteCount);
      Params.ColorMap = std::make_unique<TPVRGB[]>(static_cast<size_t>(c.PaletteCount));
      std::copy(c.Palette.begin(), c.Palette.begin() + c.PaletteCount, Params.ColorMap.get());
      Params.ColorMapCount = c.PaletteCount;
      c.Gray = c.Depth == 8 && Params.TGA_GrayLevel;
    }
  } else if (AlphaMask && !AlphaMask->AllSet && AlphaMask->Width == width &&
             AlphaMask->Height == height) {
    c.Depth = 32;
    Params.TGA_Compressed = false;
  } else {
    c.Depth = 24;
    AlphaMask = nullptr;
  }
  if (c.Depth != 32) AlphaMask = nullptr;
  c.Compressed = Params.TGA_Compressed && (c.Depth == 8 || c.Depth == 24);

  WriteTGAHeader(Stream, aborting, c, Params, width, height);
  WriteTGARows(Stream, Progress, c, *source, quantizer.get(), AlphaMask);
  WriteTGAFooter(Stream, aborting, c, Params);
}

}  // namespace

void WriteTGAHeader(TStream* Stream, bool& Failed, const TTGAWriteContext& Context,
                    const TIOParamsVals& Params, int32_t Width, int32_t Height) {
  const TTGAWriteContext& c = Context;
  const std::string id = Params.TGA_Descriptor.substr(0, kLongestId);
  uint8_t header[18] = {};
  header[0] = static_cast<uint8_t>(id.size() + 1);
  const bool mapped = c.Depth == 4 || (c.Depth == 8 && !c.Gray);
  header[1] = mapped ? 1 : 0;
  uint8_t type = 2;
  if (c.Depth == 1 || c.Gray) type = 3;
  if (mapped) type = 1;
  header[2] = static_cast<uint8_t>(c.Compressed ? type + 8 : type);
  if (mapped || c.Gray) {
    // A grey file names a 256-entry map it does not hold: its readers take the type, not the
    // length (tgatoppm, ImageMagick and PIL read it so).
    PutLE16(header + 5, c.Depth == 4 ? 16 : 256);
    header[7] = 24;
  }
  PutLE16(header + 8, Params.TGA_XPos);
  PutLE16(header + 10, Params.TGA_YPos);
  PutLE16(header + 12, Width);
  PutLE16(header + 14, Height);
  header[16] = static_cast<uint8_t>(c.Depth);
  header[17] = static_cast<uint8_t>(0x20 | (c.Depth == 32 ? 8 : 0));
  SafeStreamWrite(Stream, Failed, header, 18);
  std::vector<uint8_t> idBytes(id.begin(), id.end());
  idBytes.push_back(0);
  SafeStreamWrite(Stream, Failed, idBytes.data(), static_cast<int32_t>(idBytes.size()));
  if (mapped) {
    std::vector<uint8_t> map;
    for (int32_t i = 0; i < c.PaletteCount; ++i) {
      map.push_back(c.Palette[i].b);
      map.push_back(c.Palette[i].g);
      map.push_back(c.Palette[i].r);
    }
    SafeStreamWrite(Stream, Failed, map.data(), static_cast<int32_t>(map.size()));
  }
}

void WriteTGARows(TStream* Stream, TPVProgressRecord& Progress, const TTGAWriteContext& Context,
                  const TPVBitmap& Source, const TPVQuantizer* Quantizer,
                  const TPVMask* AlphaMask) {
  const TTGAWriteContext& c = Context;
  bool& failed = *Progress.Aborting;
  const int32_t width = Source.GetWidth();
  const int32_t height = Source.GetHeight();
  const bool oneBitSource = Source.GetPixelFormat() == pv1g;
  std::vector<uint8_t> out(static_cast<size_t>(width) * 4 + 8);
  std::vector<uint8_t> packets;
  uint8_t gray[256];
  for (int32_t i = 0; i < 256; ++i) gray[i] = static_cast<uint8_t>(GrayLevelOf(c.Palette[i]));
  Progress.Step = 100.0 / height;
  Progress.Value = 0;
  TPVDataAccessScope access(const_cast<TPVBitmap&>(Source), pvdRead);
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* row = Source.GetScanline(y);
    if (c.Depth == 24 && !oneBitSource && !c.Compressed) {
      // The bitmap's rows already are the file's: blue, green, red.
      SafeStreamWrite(Stream, failed, row, width * 3);
      ++Progress.Value;
      if (Progress.OnProgress) {
        Progress.OnProgress(Progress.Sender,
                            static_cast<int32_t>(std::trunc(Progress.Value * Progress.Step)));
      }
      continue;
    }
    int32_t length = 0;
    switch (c.Depth) {
      case 1:
        length = (width + 7) / 8;
        std::memcpy(out.data(), row, static_cast<size_t>(length));
        break;
      case 4:
        length = (width + 1) / 2;
        std::fill(out.begin(), out.begin() + length, 0);
        for (int32_t x = 0; x < width; ++x) {
          const uint8_t index =
              IndexOf(*Quantizer, c, TPVRGB{row[3 * x], row[3 * x + 1], row[3 * x + 2]});
          out[x / 2] |= static_cast<uint8_t>((x & 1) ? index : index << 4);
        }
        break;
      case 8:
        length = width;
        for (int32_t x = 0; x < width; ++x) {
          const uint8_t index =
              IndexOf(*Quantizer, c, TPVRGB{row[3 * x], row[3 * x + 1], row[3 * x + 2]});
          out[x] = c.Gray ? gray[index] : index;
        }
        break;
      case 24:
      case 32: {
        const uint8_t* alpha = c.Depth == 32 ? AlphaMask->GetRow(y) : nullptr;
        const int32_t step = c.Depth == 32 ? 4 : 3;
        length = width * step;
        for (int32_t x = 0; x < width; ++x) {
          uint8_t* pixel = out.data() + step * x;
          if (oneBitSource) {
            const uint8_t v = (row[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
            pixel[0] = pixel[1] = pixel[2] = v;
          } else {
            pixel[0] = row[3 * x];
            pixel[1] = row[3 * x + 1];
            pixel[2] = row[3 * x + 2];
          }
          if (alpha) pixel[3] = alpha[x];
        }
        break;
      }
      default: break;
    }
    if (c.Compressed) {
      packets.clear();
      EncodeTGARLERow(out.data(), width, c.Depth == 8 ? 1 : 3, packets);
      SafeStreamWrite(Stream, failed, packets.data(), static_cast<int32_t>(packets.size()));
    } else {
      SafeStreamWrite(Stream, failed, out.data(), length);
    }
    ++Progress.Value;
    if (Progress.OnProgress) {
      Progress.OnProgress(Progress.Sender,
                          static_cast<int32_t>(std::trunc(Progress.Value * Progress.Step)));
    }
  }
}

void WriteTGAFooter(TStream* Stream, bool& Failed, const TTGAWriteContext& Context,
                    const TIOParamsVals& Params) {
  const int64_t offset = Stream->GetPosition() - Context.Start;
  uint8_t ext[kExtensionBytes] = {};
  const std::string author = Params.TGA_Author.substr(0, kLongestName);
  std::memcpy(ext + 2, author.data(), author.size());
  const TTGADateParts parts = TGADateTimeToParts(Params.TGA_Date);
  PutLE16(ext + 367, parts.Month);
  PutLE16(ext + 369, parts.Day);
  PutLE16(ext + 371, parts.Year);
  PutLE16(ext + 373, parts.Hour);
  PutLE16(ext + 375, parts.Minute);
  PutLE16(ext + 377, parts.Second);
  const std::string job = Params.TGA_ImageName.substr(0, kLongestName);
  std::memcpy(ext + 379, job.data(), job.size());
  ext[471] = Params.TGA_Background.r;
  ext[472] = Params.TGA_Background.g;
  ext[473] = Params.TGA_Background.b;
  PutRatio(ext + 474, Params.TGA_AspectRatio);
  PutRatio(ext + 478, Params.TGA_Gamma);
  SafeStreamWrite(Stream, Failed, ext, kExtensionBytes);
  uint8_t footer[26] = {};
  PutLE32(footer, static_cast<uint32_t>(std::clamp<int64_t>(offset, 0, UINT32_MAX)));
  std::memcpy(footer + 8, "TRUEVISION-XFILE.", 17);
  SafeStreamWrite(Stream, Failed, footer, 26);
}

void EncodeTGARLERow(const uint8_t* Row, int32_t Count, int32_t PixelBytes,
                     std::vector<uint8_t>& Out) {
  const auto size = static_cast<size_t>(PixelBytes);
  auto same = [&](int32_t a, int32_t b) {
    return std::memcmp(Row + a * size, Row + b * size, size) == 0;
  };
  int32_t p = 0;
  while (p < Count) {
    int32_t run = 1;
    while (p + run < Count && run < 128 && same(p, p + run)) ++run;
    if (run >= 2) {
      Out.push_back(static_cast<uint8_t>(0x80 | (run - 1)));
      Out.insert(Out.end(), Row + p * size, Row + (p + 1) * size);
      p += run;
      continue;
    }
    int32_t length = 1;
    int32_t i = p + 1;
    while (i < Count - 1 && !same(i, i + 1) && length < 127) {
      ++length;
      ++i;
    }
    if (i == Count - 1) ++length;  // the row's last pixel joins the literal
    Out.push_back(static_cast<uint8_t>(length - 1));
    Out.insert(Out.end(), Row + p * size, Row + (p + length) * size);
    p += length;
  }
}

void WriteTGAStream(TStream* Stream, TPVBitmap& Bitmap, TIOParamsVals& Params,
                    TPVProgressRecord& Progress, const TPVMask* AlphaMask) {
  RunInReaderBoundary(Progress, [&] { WriteBody(Stream, Bitmap, Params, Progress, AlphaMask); });
}

void WriteTGAForIO(TStream& Stream, TPVBitmap& Bitmap, TIOParamsVals& Params,
                   TPVProgressRecord& Progress, const TPVMask* Mask) {
  WriteTGAStream(&Stream, Bitmap, Params, Progress, Mask);
}

}  // namespace calmora
