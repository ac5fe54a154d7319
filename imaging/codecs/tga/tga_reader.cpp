// ReadTGAStream: a Targa file (raw or RLE; colour-mapped, true colour or grey) into a pv24RGB
// bitmap, or pv1g for 1-bit files, with an 8-bit mask for alpha and the TGA 2.0 extension
// area's fields. Layouts without a decoding end in the abort flag, not in a blank image.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "imaging/codecs/tga/tga_codec.h"
#include "imaging/base/streams/byte_reader.h"
#include "imaging/base/streams/reader_boundary.h"
#include "imaging/base/streams/streams.h"
#include "imaging/core/bitmap/bitmap_internal.h"
#include "imaging/core/dpi_globals.h"
#include "imaging/params/io_params_fields.h"

namespace calmora {

namespace {

constexpr int64_t kFooterBytes = 26;
constexpr int64_t kExtensionBytes = 495;
constexpr char kSignature[] = "TRUEVISION-XFILE.";
// One RLE packet of two bytes gives at most 128 pixels: no file describes more per byte.
constexpr int64_t kMostPixelsPerByte = 128;

bool IsImageType(uint8_t type) {
  return type == 1 || type == 2 || type == 3 || type == 9 || type == 10 || type == 11;
}

bool IsDepth(uint8_t depth) {
  return depth == 1 || depth == 4 || depth == 8 || depth == 16 || depth == 24 || depth == 32;
}

// Up to Count bytes of Block from At, to the first zero.
std::string FieldText(const uint8_t* block, int32_t at, int32_t count) {
  const auto* begin = reinterpret_cast<const char*>(block + at);
  return std::string(begin, strnlen(begin, static_cast<size_t>(count)));
}

TPVRGB From16(uint16_t value) {
  return TPVRGB{static_cast<uint8_t>((value & 0x1F) * 8),
                static_cast<uint8_t>(((value >> 5) & 0x1F) * 8),
                static_cast<uint8_t>(((value >> 10) & 0x1F) * 8)};
}

void ReadExtension(TStream* Stream, TTGAReadContext& c, TIOParamsVals& Params) {
  const int64_t size = Stream->GetSize();
  Params.TGA_Author.clear();
  Params.TGA_ImageName.clear();
  Params.TGA_Date = TodayAsDateTime();
  Params.TGA_Background = TPVRGB{0, 0, 0};
  Params.TGA_AspectRatio = 1.0;
  Params.TGA_Gamma = 2.2;
  c.HasFooter = false;
  // A stream shorter than the footer has none (and no position before its start is sought).
  if (size - c.Start < kFooterBytes) return;
  Stream->SetPosition(size - kFooterBytes);
  uint8_t footer[kFooterBytes];
  TPVByteReader footerReader(Stream);
  if (!footerReader.Read(footer, kFooterBytes)) return;
  if (std::memcmp(footer + 8, kSignature, 17) != 0) return;
  c.HasFooter = true;
  const uint32_t offset = static_cast<uint32_t>(footer[0] | footer[1] << 8 | footer[2] << 16 |
                                                uint32_t{footer[3]} << 24);
  if (offset == 0 || c.Start + offset + kExtensionBytes > size) return;
  Stream->SetPosition(c.Start + offset);
  uint8_t ext[kExtensionBytes];
  TPVByteReader reader(Stream);
  if (!reader.Read(ext, kExtensionBytes)) return;
  auto word = [&](int32_t at) { return static_cast<int32_t>(ext[at] | ext[at + 1] << 8); };
  Params.TGA_Author = FieldText(ext, 2, 41);
  TTGADateParts parts{word(371), word(367), word(369), word(373), word(375), word(377)};
  if (parts.Month != 0 && parts.Day != 0 && parts.Year != 0 && parts.Year < 2500) {
    TGAPartsToDateTime(parts, Params.TGA_Date);
  }
  Params.TGA_ImageName = FieldText(ext, 379, 41);
  Params.TGA_Background = TPVRGB{ext[473], ext[472], ext[471]};
  if (word(474) != 0 && word(476) != 0) Params.TGA_AspectRatio = double(word(474)) / word(476);
  if (word(478) != 0 && word(480) != 0) Params.TGA_Gamma = double(word(478)) / word(480);
}

// The unit at the buffer's position, decoded into Value (3 bytes) and Alpha.
inline void ReadUnit(TGAReadBuffer& buffer, const TTGAReadContext& c, uint8_t* value,
                     uint8_t& alpha) {
  switch (c.Header.Depth) {
    case 8: {
      const uint8_t index = buffer.ReadByte();
      const TPVRGB color = c.Palette[index];
      value[0] = color.b;
      value[1] = color.g;
      value[2] = color.r;
      alpha = c.PaletteAlpha[index];
      break;
    }
    case 16: {
      const TPVRGB color = From16(buffer.ReadWord());
      value[0] = color.b;
      value[1] = color.g;
      value[2] = color.r;
      break;
    }
    case 24: buffer.Read(value, 3); break;
    case 32:
      buffer.Read(value, 3);
      alpha = buffer.ReadByte();
      break;
    default: break;
  }
}

void ReadBody(TStream* Stream, TPVBitmap& Bitmap, TIOParamsVals& Params,
              TPVProgressRecord& Progress, bool ParamsOnly, std::unique_ptr<TPVMask>& AlphaMask,
              bool IgnoreAlpha) {
  bool& aborting = *Progress.Aborting;
  TTGAReadContext c;
  c.PaletteAlpha.fill(255);
  c.Start = Stream->GetPosition();
  TGAReadBuffer buffer(Stream);
  if (!ReadTGAHeader(Stream, buffer, c, Params)) {
    aborting = true;
    return;
  }
  const TTGAHeader& h = c.Header;
  Params.Width = h.Width;
  Params.OriginalWidth = h.Width;
  Params.Height = h.Height;
  Params.OriginalHeight = h.Height;
  Params.SetDpiX(DefaultDpiX);
  Params.SetDpiY(DefaultDpiY);
  switch (h.Depth) {
    case 1: Params.BitsPerSample = 1; Params.SamplesPerPixel = 1; break;
    case 8: Params.BitsPerSample = 8; Params.SamplesPerPixel = 1; break;
    case 16: Params.BitsPerSample = 5; Params.SamplesPerPixel = 3; break;
    case 24: Params.BitsPerSample = 8; Params.SamplesPerPixel = 3; break;
    case 32: Params.BitsPerSample = 8; Params.SamplesPerPixel = 4; break;
    default: break;
  }
  if (ParamsOnly) return;
  const int64_t pixels = int64_t{h.Width} * h.Height;
  if (pixels > (Stream->GetSize() - Stream->GetPosition() + buffer.Buffered()) * kMostPixelsPerByte) {
    aborting = true;
    return;
  }
  const bool oneBit = h.Depth == 1;
  if (!Bitmap.Allocate(h.Width, h.Height, oneBit ? pv1g : pv24RGB)) {
    aborting = true;
    return;
  }
  const int32_t rowBytes = oneBit ? (h.Width + 7) / 8 : h.Width * 3;
  std::vector<uint8_t> row(static_cast<size_t>(rowBytes));
  std::vector<uint8_t> alphaRow;
  if (!IgnoreAlpha && (h.Depth == 32 || (h.ColorMapType == 1 && h.EntrySize == 32))) {
    if (!AlphaMask) AlphaMask = std::make_unique<TPVMask>();
    if (!AlphaMask->Allocate(h.Width, h.Height, 8)) {
      aborting = true;
      return;
    }
    AlphaMask->Fill(255);
    AlphaMask->AllSet = false;
    alphaRow.assign(h.Width, 255);
  }
  uint8_t* alpha = alphaRow.empty() ? nullptr : alphaRow.data();
  Progress.Step = 100.0 / h.Height;
  Progress.Value = 0;
  const bool topDown = (h.Descriptor & 0x20) != 0;
  const bool rightToLeft = (h.Descriptor & 0x10) != 0;
  TPVDataAccessScope access(Bitmap, pvdWrite);
  for (int32_t done = 0; done < h.Height && !aborting; ++done) {
    const int32_t y = topDown ? done : h.Height - 1 - done;
    DecodeTGARow(buffer, c, row.data(), alpha, h.Width);
    if (rightToLeft && !oneBit) MirrorTGARow(row.data(), alpha, h.Width);
    std::memcpy(Bitmap.GetScanline(y), row.data(), static_cast<size_t>(rowBytes));
    if (alpha) std::memcpy(AlphaMask->GetRow(y), alpha, static_cast<size_t>(h.Width));
    // A file cut short keeps the rows decoded so far (the last one partly zeros).
    if (buffer.Exhausted()) aborting = true;
    ++Progress.Value;
    if (Progress.OnProgress) {
      Progress.OnProgress(Progress.Sender,
                          static_cast<int32_t>(std::trunc(Progress.Value * Progress.Step)));
    }
  }
}

}  // namespace

bool ReadTGAHeader(TStream* Stream, TGAReadBuffer& Buffer, TTGAReadContext& Context,
                   TIOParamsVals& Params) {
  TTGAReadContext& c = Context;
  ReadExtension(Stream, c, Params);
  Stream->SetPosition(c.Start);
  TTGAHeader& h = c.Header;
  h.IdLength = Buffer.ReadByte();
  h.ColorMapType = Buffer.ReadByte();
  h.ImageType = Buffer.ReadByte();
  h.FirstEntry = Buffer.ReadWord();
  h.MapLength = Buffer.ReadWord();
  h.EntrySize = Buffer.ReadByte();
  h.XOrigin = Buffer.ReadWord();
  h.YOrigin = Buffer.ReadWord();
  h.Width = Buffer.ReadWord();
  h.Height = Buffer.ReadWord();
  h.Depth = Buffer.ReadByte();
  h.Descriptor = Buffer.ReadByte();
  Params.TGA_XPos = h.XOrigin;
  Params.TGA_YPos = h.YOrigin;
  if (Buffer.Exhausted() || !IsImageType(h.ImageType) || !IsDepth(h.Depth) ||
      h.ColorMapType > 1 || h.Width == 0 || h.Height == 0) {
    return false;
  }
  std::string id(h.IdLength, '\0');
  Buffer.Read(reinterpret_cast<uint8_t*>(id.data()), h.IdLength);
  id.resize(strnlen(id.c_str(), id.size()));
  Params.TGA_Descriptor = id;

  for (int32_t i = 0; i < 256; ++i) {
    c.Palette[i] = TPVRGB{static_cast<uint8_t>((i & 3) * 64 + 60),
                          static_cast<uint8_t>(((i >> 2) & 7) * 32 + 28),
                          static_cast<uint8_t>((i >> 5) * 32 + 28)};
  }
  if (h.ColorMapType == 1) {
    // Entries past 255 are read and dropped: the palette has 256.
    for (int32_t i = h.FirstEntry; i < h.FirstEntry + h.MapLength; ++i) {
      TPVRGB color{};
      uint8_t alpha = 255;
      switch (h.EntrySize) {
        case 15:
        case 16: color = From16(Buffer.ReadWord()); break;
        case 24:
          color.b = Buffer.ReadByte();
          color.g = Buffer.ReadByte();
          color.r = Buffer.ReadByte();
          break;
        case 32:
          color.b = Buffer.ReadByte();
          color.g = Buffer.ReadByte();
          color.r = Buffer.ReadByte();
          alpha = Buffer.ReadByte();
          c.PaletteHasAlpha = true;
          break;
        default: return false;  // no other entry size has a layout to read
      }
      if (i < 256) {
        c.Palette[i] = color;
        c.PaletteAlpha[i] = alpha;
      }
    }
    const int32_t count = std::min<int32_t>(h.MapLength, 256);
    Params.ColorMap = count > 0 ? std::make_unique<TPVRGB[]>(static_cast<size_t>(count)) : nullptr;
    std::copy(c.Palette.begin(), c.Palette.begin() + count, Params.ColorMap.get());
    Params.ColorMapCount = count;
    Params.TGA_GrayLevel = false;
  } else if (h.Depth == 8) {
    for (int32_t i = 0; i < 256; ++i) {
      const auto v = static_cast<uint8_t>(i);
      c.Palette[i] = TPVRGB{v, v, v};
    }
    Params.TGA_GrayLevel = true;
  } else if (h.Depth == 1) {
    c.Palette[0] = TPVRGB{0, 0, 0};
    c.Palette[1] = TPVRGB{255, 255, 255};
  }
  c.Compressed = h.ImageType >= 9;
  Params.TGA_Compressed = c.Compressed;
  // Decisions on what has no decoding: 4-bit pixels and 1-bit RLE are refused.
  if (h.Depth == 4 || (h.Depth == 1 && c.Compressed)) return false;
  return !Buffer.Exhausted();
}

void DecodeTGARow(TGAReadBuffer& Buffer, TTGAReadContext& Context, uint8_t* Row,
                  uint8_t* AlphaRow, int32_t Width) {
  TTGAReadContext& c = Context;
  const uint8_t depth = c.Header.Depth;
  const bool alphaFromData = AlphaRow && (depth == 32 || (depth == 8 && c.PaletteHasAlpha));
  if (depth == 1) {
    Buffer.Read(Row, (Width + 7) / 8);
    return;
  }
  if (!c.Compressed) {
    if (depth == 24 && !alphaFromData) {
      Buffer.Read(Row, Width * 3);
      return;
    }
    for (int32_t x = 0; x < Width; ++x) {
      uint8_t alpha = 255;
      ReadUnit(Buffer, c, Row + 3 * x, alpha);
      if (alphaFromData) AlphaRow[x] = alpha;
    }
    return;
  }
  int32_t x = 0;
  while (x < Width) {
    if (c.CarryCount == 0) {
      const uint8_t header = Buffer.ReadByte();
      c.CarryCount = (header & 0x7F) + 1;
      c.CarryRun = (header & 0x80) != 0;
      if (c.CarryRun) ReadUnit(Buffer, c, c.CarryValue, c.CarryAlpha);
      if (Buffer.Exhausted()) {
        // Nothing more to read: the rest of the row stays zero.
        std::memset(Row + 3 * x, 0, static_cast<size_t>(Width - x) * 3);
        c.CarryCount = 0;
        return;
      }
    }
    const int32_t take = std::min(c.CarryCount, Width - x);
    for (int32_t i = 0; i < take; ++i, ++x) {
      if (c.CarryRun) {
        std::memcpy(Row + 3 * x, c.CarryValue, 3);
        if (alphaFromData) AlphaRow[x] = c.CarryAlpha;
      } else {
        uint8_t alpha = 255;
        ReadUnit(Buffer, c, Row + 3 * x, alpha);
        if (alphaFromData) AlphaRow[x] = alpha;
      }
    }
    c.CarryCount -= take;
  }
}

void MirrorTGARow(uint8_t* Row, uint8_t* AlphaRow, int32_t Width) {
  for (int32_t left = 0, right = Width - 1; left < right; ++left, --right) {
    for (int32_t k = 0; k < 3; ++k) std::swap(Row[3 * left + k], Row[3 * right + k]);
    if (AlphaRow) std::swap(AlphaRow[left], AlphaRow[right]);
  }
}

void ReadTGAStream(TStream* Stream, TPVBitmap& Bitmap, TIOParamsVals& Params,
                   TPVProgressRecord& Progress, bool ParamsOnly,
                   std::unique_ptr<TPVMask>& AlphaMask, bool IgnoreAlpha) {
  RunInReaderBoundary(Progress, [&] {
    ReadBody(Stream, Bitmap, Params, Progress, ParamsOnly, AlphaMask, IgnoreAlpha);
  });
  if (AlphaMask) {
    AlphaMask->RecomputeBox();
    if (AlphaMask->IsEmpty()) AlphaMask.reset();
  }
}

int32_t ReadTGAForIO(TStream& Stream, TPVBitmap& Bitmap, TIOParamsVals& Params, bool ParamsOnly,
                     TPVProgressRecord& Progress, std::unique_ptr<TPVMask>& Mask) {
  bool local = false;
  if (!Progress.Aborting) Progress.Aborting = &local;
  ReadTGAStream(&Stream, Bitmap, Params, Progress, ParamsOnly, Mask, ParamsOnly);
  const bool aborted = *Progress.Aborting;
  if (Progress.Aborting == &local) Progress.Aborting = nullptr;
  return aborted ? 0 : 1;
}

}  // namespace calmora
