// WriteGIFStream: a bitmap as a one-frame GIF through the record's LZW procedure. The caller's
// bitmap is only read: a one-bit or 24-bit working copy is made where its own rows do not
// serve, and every write goes through SafeStreamWrite.
#include <algorithm>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "imaging/base/color_helpers.h"
#include "imaging/base/streams/reader_boundary.h"
#include "imaging/base/streams/streams.h"
#include "imaging/codecs/gif/gif_codec.h"
#include "imaging/core/bitmap/bitmap_internal.h"
#include "imaging/core/bitmap/bitmap_pixels.h"
#include "imaging/params/lzw_defaults.h"
#include "imaging/proc/colors/black_and_white.h"
#include "imaging/proc/colors/color_reduction.h"
#include "imaging/proc/colors/quantizer.h"

namespace calmora {

namespace {

constexpr int32_t kLargestSide = 65535;
constexpr size_t kSubBlock = 255;

void Report(TPVProgressRecord& progress, int32_t percent) {
  if (progress.OnProgress) progress.OnProgress(progress.Sender, percent);
}

std::unique_ptr<TPVBitmap> CopyAs(TPVBitmap& bitmap, TPVPixelFormat format) {
  auto copy = std::make_unique<TPVBitmap>();
  if (!copy->Assign(&bitmap) || !copy->SetPixelFormat(format)) return nullptr;
  return copy;
}

void Put16(std::vector<uint8_t>& out, int32_t value) {
  out.push_back(static_cast<uint8_t>(value & 0xFF));
  out.push_back(static_cast<uint8_t>((value >> 8) & 0xFF));
}

void WriteBody(TStream* Stream, TPVBitmap& Bitmap, TIOParamsVals& Params,
               TPVProgressRecord& Progress) {
  bool& aborting = *Progress.Aborting;
  const int32_t width = Bitmap.GetWidth();
  const int32_t height = Bitmap.GetHeight();
  if (Bitmap.IsEmpty() || width > kLargestSide || height > kLargestSide) {
    aborting = true;
    return;
  }
  const bool hasAlpha = Bitmap.HasAlphaChannel();
  const bool oneBit = std::clamp(Params.BitsPerSample, 1, 8) == 1;
  // With one bit there is no room for a transparent index beside black and white: the file
  // gets two bits, the pixels stay black and white.
  const int32_t bits = oneBit && hasAlpha ? 2 : std::clamp(Params.BitsPerSample, 1, 8);
  const TPVPixelFormat own = Bitmap.GetPixelFormat();
  std::unique_ptr<TPVBitmap> copy;
  if (oneBit && own != pv1g) {
    TPVRGB color0{};
    TPVRGB color1{};
    copy = ExtractTwoColorBitmap(Bitmap, color0, color1);
    if (!copy) copy = CopyAs(Bitmap, pv1g);
  } else if (!oneBit && own != pv8p && own != pv24RGB) {
    copy = CopyAs(Bitmap, pv24RGB);
  }
  if (!copy && ((oneBit && own != pv1g) || (!oneBit && own != pv8p && own != pv24RGB))) {
    aborting = true;
    return;
  }
  TPVBitmap& work = copy ? *copy : Bitmap;
  const TPVPixelFormat format = work.GetPixelFormat();

  int32_t colors = 1 << bits;
  if (hasAlpha) {
    --colors;
    Params.GIF_Transparent = true;
  }
  std::array<TPVRGB, 256> palette{};
  std::vector<uint8_t> indices(size_t(width) * size_t(height));
  std::unique_ptr<TPVQuantizer> quantizer;
  auto indexOf = [&](TPVRGB c) {
    const int32_t index = quantizer ? quantizer->RGBIndex(c) : -1;
    if (index >= 0 && index < colors) return index;
    return NearestPaletteIndex(palette.data(), colors, c);
  };
  {
    TPVDataAccessScope access(work, pvdRead);
    if (format == pv1g) {
      palette[1] = MakeRGB(255, 255, 255);
    } else {
      quantizer = std::make_unique<TPVQuantizer>(work, palette.data(), colors);
    }
    std::array<TPVRGB, 256> own8p{};
    if (format == pv8p) {
      for (int32_t i = 0; i < 256; ++i) own8p[i] = work.GetPaletteColor(i);
    }
    TPVBitmap* alpha = hasAlpha ? Bitmap.GetAlphaChannel() : nullptr;
    for (int32_t y = 0; y < height; ++y) {
      const uint8_t* line = static_cast<const TPVBitmap&>(work).GetScanline(y);
      uint8_t* out = indices.data() + size_t(y) * width;
      for (int32_t x = 0; x < width; ++x) {
        if (format == pv1g) {
          out[x] = (line[x >> 3] >> (7 - (x & 7))) & 1;
        } else if (format == pv8p) {
          out[x] = static_cast<uint8_t>(line[x] < colors ? line[x] : indexOf(own8p[line[x]]));
        } else {
          out[x] = static_cast<uint8_t>(
              indexOf(TPVRGB{line[3 * x], line[3 * x + 1], line[3 * x + 2]}));
        }
      }
      if (alpha) {
        const uint8_t* a = static_cast<const TPVBitmap*>(alpha)->GetScanline(y);
        for (int32_t x = 0; x < width; ++x) {
          if (a[x] != 255) out[x] = static_cast<uint8_t>(colors);
        }
      }
    }
  }
  Report(Progress, 30);
  if (aborting) return;

  std::vector<uint8_t> head;
  const std::string& version = Params.GIF_Version;
  const std::string written = version == "GIF87a" || version == "GIF89a" ? version : "GIF89a";
  head.insert(head.end(), written.begin(), written.end());
  Put16(head, width);
  Put16(head, height);
  head.push_back(static_cast<uint8_t>(0x80 | (bits - 1) | (bits - 1) << 4));
  head.push_back(static_cast<uint8_t>(indexOf(Params.GIF_Background)));
  head.push_back(0);
  for (int32_t i = 0; i < (1 << bits); ++i) {
    const TPVRGB c = i < colors ? palette[i] : TPVRGB{0, 0, 0};
    head.insert(head.end(), {c.r, c.g, c.b});
  }
  // The graphic control extension is always written.
  head.insert(head.end(), {0x21, 0xF9, 0x04});
  head.push_back(static_cast<uint8_t>((Params.GIF_Disposal & 7) << 2 |
                                      (Params.GIF_Transparent ? 1 : 0)));
  Put16(head, Params.GIF_DelayTime);
  head.push_back(static_cast<uint8_t>(hasAlpha ? colors : indexOf(Params.GIF_TransparentColor)));
  head.push_back(0);
  head.push_back(0x2C);
  Put16(head, Params.GIF_XPos);
  Put16(head, Params.GIF_YPos);
  Put16(head, width);
  Put16(head, height);
  head.push_back(Params.GIF_Interlaced ? 0x40 : 0);
  SafeStreamWrite(Stream, aborting, head.data(), static_cast<int32_t>(head.size()));
  Report(Progress, 70);
  if (aborting) return;

  TGIFLZWCompressProc compress =
      Params.GIF_LZWCompress ? Params.GIF_LZWCompress : DefaultGIFLZWCompress;
  if (!compress) {
    aborting = true;
    return;
  }
  compress(Stream, height, width, Params.GIF_Interlaced, indices.data(), bits);
  if (aborting) return;

  // The comment extension is always written; long comments go out in 255-byte sub-blocks.
  std::vector<uint8_t> tail = {0x21, 0xFE};
  for (const std::string& comment : Params.GIF_Comments) {
    for (size_t at = 0; at < comment.size(); at += kSubBlock) {
      const size_t part = std::min(kSubBlock, comment.size() - at);
      tail.push_back(static_cast<uint8_t>(part));
      tail.insert(tail.end(), comment.begin() + static_cast<std::ptrdiff_t>(at),
                  comment.begin() + static_cast<std::ptrdiff_t>(at + part));
    }
  }
  tail.push_back(0);
  tail.push_back(0x3B);
  SafeStreamWrite(Stream, aborting, tail.data(), static_cast<int32_t>(tail.size()));
}

}  // namespace

void WriteGIFStream(TStream* Stream, TPVBitmap& Bitmap, TIOParamsVals& Params,
                    TPVProgressRecord& Progress) {
  Report(Progress, 0);
  RunInReaderBoundary(Progress, [&] {
    if (*Progress.Aborting) return;
    WriteBody(Stream, Bitmap, Params, Progress);
    if (!*Progress.Aborting) Report(Progress, 100);
  });
}

void WriteGIFForIO(TStream& Stream, TPVBitmap& Bitmap, TIOParamsVals& Params,
                   TPVProgressRecord& Progress, const TPVMask* /*Mask*/) {
  WriteGIFStream(&Stream, Bitmap, Params, Progress);
}

}  // namespace calmora
