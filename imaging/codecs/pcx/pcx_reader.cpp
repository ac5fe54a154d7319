// ReadPCXStream: one PCX image (a PCX file, or a DCX page) from memory-held data into a pv1g or
// pv24RGB bitmap. Every layout decoded here is refused up front when its header does not fit
// the data; layouts the reader does not decode end in the abort flag, not in a blank image.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "imaging/codecs/pcx/pcx_codec.h"
#include "imaging/base/streams/byte_reader.h"
#include "imaging/base/streams/reader_boundary.h"
#include "imaging/base/streams/streams.h"
#include "imaging/core/bitmap/bitmap_internal.h"
#include "imaging/core/dpi_globals.h"

namespace calmora {

namespace {

constexpr int64_t kHeaderBytes = 128;
constexpr int64_t kTrailingPaletteBytes = 768;
// One RLE pair gives at most 63 bytes.
constexpr int64_t kMostBytesPerDataByte = 63;

enum class TPCXLayout { kIndexed8, kIndexed4, kOneBit, kRGB, kEGA, kRGBA, kOther };

struct TPCXHeader {
  uint8_t Manufacturer = 0;
  uint8_t Version = 0;
  uint8_t Encoding = 0;
  uint8_t BitsPerPixel = 0;
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t DpiX = 0;
  int32_t DpiY = 0;
  TPVRGB Palette16[16] = {};
  uint8_t Planes = 0;
  int32_t BytesPerLine = 0;
};

TPCXHeader ReadHeader(TPVByteReader& reader) {
  TPCXHeader h;
  h.Manufacturer = reader.ReadByte();
  h.Version = reader.ReadByte();
  h.Encoding = reader.ReadByte();
  h.BitsPerPixel = reader.ReadByte();
  const int32_t xMin = reader.ReadLE<uint16_t>();
  const int32_t yMin = reader.ReadLE<uint16_t>();
  const int32_t xMax = reader.ReadLE<uint16_t>();
  const int32_t yMax = reader.ReadLE<uint16_t>();
  h.Width = xMax - xMin + 1;
  h.Height = yMax - yMin + 1;
  h.DpiX = reader.ReadLE<uint16_t>();
  h.DpiY = reader.ReadLE<uint16_t>();
  for (TPVRGB& entry : h.Palette16) {
    entry.r = reader.ReadByte();
    entry.g = reader.ReadByte();
    entry.b = reader.ReadByte();
  }
  reader.Skip(1);  // reserved
  h.Planes = reader.ReadByte();
  h.BytesPerLine = reader.ReadLE<uint16_t>();
  reader.Skip(60);  // palette info and filler
  return h;
}

TPCXLayout LayoutOf(const TPCXHeader& h) {
  if (h.Planes == 1 && h.BitsPerPixel == 8) return TPCXLayout::kIndexed8;
  if (h.Planes == 1 && h.BitsPerPixel == 4) return TPCXLayout::kIndexed4;
  if (h.Planes == 1 && h.BitsPerPixel == 1) return TPCXLayout::kOneBit;
  if (h.Planes == 3 && h.BitsPerPixel == 8) return TPCXLayout::kRGB;
  if (h.Planes == 4 && h.BitsPerPixel == 1) return TPCXLayout::kEGA;
  // ImageMagick writes RGBA images so; the fourth plane is alpha, which PCX has no field for.
  if (h.Planes == 4 && h.BitsPerPixel == 8) return TPCXLayout::kRGBA;
  return TPCXLayout::kOther;
}

void SetColorMap(TIOParamsVals& params, const TPVRGB* entries, int32_t count) {
  params.ColorMap = std::make_unique<TPVRGB[]>(static_cast<size_t>(count));
  std::copy(entries, entries + count, params.ColorMap.get());
  params.ColorMapCount = count;
}

// One bitmap row from the decoded plane lines.
void ConvertRow(TPCXLayout layout, const TPCXHeader& h, const uint8_t* lines, const TPVRGB* palette,
                uint8_t* row) {
  const int32_t width = h.Width;
  const int32_t bpl = h.BytesPerLine;
  switch (layout) {
    case TPCXLayout::kIndexed8:
      for (int32_t x = 0; x < width; ++x) {
        const TPVRGB c = palette[lines[x]];
        row[3 * x] = c.b;
        row[3 * x + 1] = c.g;
        row[3 * x + 2] = c.r;
      }
      break;
    case TPCXLayout::kIndexed4:
      for (int32_t x = 0; x < width; ++x) {
        const uint8_t byte = lines[x / 2];
        const TPVRGB c = palette[(x & 1) ? (byte & 0x0F) : (byte >> 4)];
        row[3 * x] = c.b;
        row[3 * x + 1] = c.g;
        row[3 * x + 2] = c.r;
      }
      break;
    case TPCXLayout::kOneBit:
      std::memcpy(row, lines, static_cast<size_t>((width + 7) / 8));
      break;
    case TPCXLayout::kRGB:
    case TPCXLayout::kRGBA:
      for (int32_t x = 0; x < width; ++x) {
        row[3 * x] = lines[2 * bpl + x];
        row[3 * x + 1] = lines[bpl + x];
        row[3 * x + 2] = lines[x];
      }
      break;
    case TPCXLayout::kEGA:
      for (int32_t x = 0; x < width; ++x) {
        int32_t index = 0;
        const int32_t mask = 0x80 >> (x & 7);
        for (int32_t k = 0; k < 4; ++k) {
          if (lines[k * bpl + x / 8] & mask) index |= 1 << k;
        }
        const TPVRGB c = palette[index];
        row[3 * x] = c.b;
        row[3 * x + 1] = c.g;
        row[3 * x + 2] = c.r;
      }
      break;
    case TPCXLayout::kOther: break;
  }
}

void ReadBody(TStream* Stream, TPVBitmap& Bitmap, TIOParamsVals& Params, int64_t DataSize,
              TPVProgressRecord& Progress, bool ParamsOnly) {
  bool& aborting = *Progress.Aborting;
  const int64_t start = Stream->GetPosition();
  const int64_t available = Stream->GetSize() - start;
  const int64_t dataSize = std::min(DataSize, available);
  if (dataSize < kHeaderBytes) {
    aborting = true;
    return;
  }
  TPVByteReader headerReader(Stream);
  const TPCXHeader h = ReadHeader(headerReader);
  if (headerReader.Failed() || h.Manufacturer != 10 || h.BitsPerPixel > 8 || h.Encoding > 1) {
    aborting = true;
    return;
  }
  if (h.DpiX == 0 || h.DpiY == 0) {
    Params.SetDpiX(DefaultDpiX);
    Params.SetDpiY(DefaultDpiY);
  } else {
    Params.SetDpiX(h.DpiX);
    Params.SetDpiY(h.DpiY);
  }
  const TPCXLayout layout = LayoutOf(h);
  const int64_t dataBytes = dataSize - kHeaderBytes;

  // The 256-colour palette ends the image's data (the 0x0C before it is not looked at).
  TPVRGB palette[256] = {};
  std::copy(std::begin(h.Palette16), std::end(h.Palette16), palette);
  if (h.Planes == 1 && h.BitsPerPixel > 4) {
    if (dataBytes < kTrailingPaletteBytes) {
      aborting = true;
      return;
    }
    Stream->SetPosition(start + dataSize - kTrailingPaletteBytes);
    TPVByteReader paletteReader(Stream);
    for (TPVRGB& entry : palette) {
      entry.r = paletteReader.ReadByte();
      entry.g = paletteReader.ReadByte();
      entry.b = paletteReader.ReadByte();
    }
    if (paletteReader.Failed()) {
      aborting = true;
      return;
    }
    Stream->SetPosition(start + kHeaderBytes);
  }

  Params.BitsPerSample = h.BitsPerPixel;
  Params.SamplesPerPixel = h.Planes;
  Params.Width = h.Width;
  Params.Height = h.Height;
  Params.OriginalWidth = h.Width;
  Params.OriginalHeight = h.Height;
  Params.PCX_Version = h.Version;
  Params.ColorMap.reset();
  Params.ColorMapCount = 0;
  if (h.BitsPerPixel == 8) {
    SetColorMap(Params, palette, 256);
  } else if (layout == TPCXLayout::kEGA) {
    SetColorMap(Params, palette, 16);
    Params.BitsPerSample = 4;
    Params.SamplesPerPixel = 1;
  } else {
    SetColorMap(Params, palette, 1 << h.BitsPerPixel);
  }

  // Layouts without a decoding, and headers that do not fit a plane line or the data, are
  // refused before anything is allocated.
  if (layout == TPCXLayout::kOther || h.Width < 1 || h.Height < 1 || h.BytesPerLine < 1) {
    aborting = true;
    return;
  }
  if (int64_t{h.Width} * h.BitsPerPixel > int64_t{h.BytesPerLine} * 8) {
    aborting = true;
    return;
  }
  if (ParamsOnly) return;
  const int64_t lineBytes = int64_t{h.BytesPerLine} * h.Planes;
  const int64_t imageBytes = lineBytes * h.Height;
  const int64_t capacity = h.Encoding == 1 ? dataBytes * kMostBytesPerDataByte : dataBytes;
  if (imageBytes > capacity) {
    aborting = true;
    return;
  }

  std::vector<uint8_t> data(static_cast<size_t>(dataBytes));
  TPVByteReader streamReader(Stream);
  if (!streamReader.Read(data.data(), dataBytes)) {
    aborting = true;
    return;
  }
  if (!Bitmap.Allocate(h.Width, h.Height, layout == TPCXLayout::kOneBit ? pv1g : pv24RGB)) {
    aborting = true;
    return;
  }
  std::vector<uint8_t> lines(static_cast<size_t>(lineBytes));
  TPVByteReader reader(data.data(), dataBytes);
  TPCXRunCarry carry;
  Progress.Step = 100.0 / h.Height;
  Progress.Value = 0;
  TPVDataAccessScope access(Bitmap, pvdWrite);
  for (int32_t y = 0; y < h.Height && !aborting; ++y) {
    if (Progress.OnProgress) {
      Progress.OnProgress(Progress.Sender, static_cast<int32_t>(std::trunc(y * Progress.Step)));
    }
    // What the data do not cover stays zero.
    std::fill(lines.begin(), lines.end(), 0);
    for (int32_t plane = 0; plane < h.Planes; ++plane) {
      DecodePCXLine(reader, h.Encoding == 1, lines.data() + int64_t{plane} * h.BytesPerLine,
                    h.BytesPerLine, carry);
    }
    ConvertRow(layout, h, lines.data(), palette, Bitmap.GetScanline(y));
    Progress.Value = y + 1;
  }
}

}  // namespace

void ReadPCXStream(TStream* Stream, TPVBitmap& Bitmap, TIOParamsVals& Params, int64_t DataSize,
                   TPVProgressRecord& Progress, bool ParamsOnly) {
  RunInReaderBoundary(Progress, [&] {
    ReadBody(Stream, Bitmap, Params, DataSize, Progress, ParamsOnly);
  });
}

int32_t ReadPCXForIO(TStream& Stream, TPVBitmap& Bitmap, TIOParamsVals& Params, bool ParamsOnly,
                     TPVProgressRecord& Progress, std::unique_ptr<TPVMask>& /*Mask*/) {
  bool local = false;
  if (!Progress.Aborting) Progress.Aborting = &local;
  // The I/O component hands a window of exactly the image's data after any stream header.
  const int64_t dataSize = Stream.GetSize() - Stream.GetPosition();
  ReadPCXStream(&Stream, Bitmap, Params, dataSize, Progress, ParamsOnly);
  const bool aborted = *Progress.Aborting;
  if (Progress.Aborting == &local) Progress.Aborting = nullptr;
  return aborted ? 0 : 1;
}

}  // namespace calmora
