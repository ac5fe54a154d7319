// WriteBMPStream: picks the bit count, prepares the rows (a private copy when the bitmap's
// format is not written as it is, a quantiser's palette for 4 and 8 bits), writes headers,
// colour table and rows bottom-up, then completes the headers with the sizes.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <vector>

#include "imaging/base/row_bits.h"
#include "imaging/base/streams/reader_boundary.h"
#include "imaging/base/streams/streams.h"
#include "imaging/codecs/bmp/bmp_codec.h"
#include "imaging/core/bitmap/bitmap_internal.h"
#include "imaging/proc/colors/black_and_white.h"
#include "imaging/proc/colors/color_reduction.h"
#include "imaging/proc/colors/quantizer.h"

namespace calmora {

namespace {

constexpr int64_t kFileHeaderSize = 14;
// The OS/2 core header keeps width and height in 16 bits.
constexpr int32_t kCoreMaxSide = 65535;

// Little-endian fields gathered before they are written.
class FieldBytes {
 public:
  void U8(uint8_t value) { bytes_.push_back(value); }
  void U16(uint32_t value) {
    U8(static_cast<uint8_t>(value));
    U8(static_cast<uint8_t>(value >> 8));
  }
  void U32(uint32_t value) {
    U16(value & 0xFFFF);
    U16(value >> 16);
  }
  void Zeros(size_t count) { bytes_.insert(bytes_.end(), count, 0); }
  const std::vector<uint8_t>& Bytes() const { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
};

struct BMPLayout {
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t BitCount = 24;
  bool Core = false;           // the 12-byte header
  uint32_t HeaderSize = 40;    // 12, 40 or 64
  uint32_t Compression = 0;    // 0, 1 (RLE8) or 2 (RLE4)
  int32_t PixelsPerMetreX = 0;
  int32_t PixelsPerMetreY = 0;
};

// Dots per inch to pixels per metre, halves to even.
int32_t PixelsPerMetre(int32_t dpi) {
  return static_cast<int32_t>(std::nearbyint(dpi / 2.54 * 100.0));
}

// File and information headers; the sizes are 0 until the rows are written.
std::vector<uint8_t> HeaderBytes(const BMPLayout& layout, uint32_t fileSize, uint32_t pixelOffset,
                                 uint32_t imageSize) {
  FieldBytes out;
  out.U8('B');
  out.U8('M');
  out.U32(fileSize);
  out.U32(0);
  out.U32(pixelOffset);
  out.U32(layout.HeaderSize);
  if (layout.Core) {
    out.U16(static_cast<uint32_t>(layout.Width));
    out.U16(static_cast<uint32_t>(layout.Height));
    out.U16(1);
    out.U16(static_cast<uint32_t>(layout.BitCount));
    return out.Bytes();
  }
  out.U32(static_cast<uint32_t>(layout.Width));
  out.U32(static_cast<uint32_t>(layout.Height));  // positive: rows bottom-up
  out.U16(1);
  out.U16(static_cast<uint32_t>(layout.BitCount));
  out.U32(layout.Compression);
  out.U32(imageSize);
  out.U32(static_cast<uint32_t>(layout.PixelsPerMetreX));
  out.U32(static_cast<uint32_t>(layout.PixelsPerMetreY));
  out.U32(layout.BitCount <= 8 ? uint32_t{1} << layout.BitCount : 0);
  out.U32(uint32_t{1} << (layout.BitCount % 32));  // important colours
  out.Zeros(layout.HeaderSize - 40);
  return out.Bytes();
}

void WriteBytes(TStream* stream, TPVProgressRecord& progress, const void* data, int64_t count) {
  if (count > 0)
    SafeStreamWrite(stream, *progress.Aborting, data, static_cast<int32_t>(count));
}

// A private pv24RGB (or other) copy of the pixels, without the alpha plane.
std::unique_ptr<TPVBitmap> CopyAs(const TPVBitmap& bitmap, TPVPixelFormat format) {
  auto copy = std::make_unique<TPVBitmap>();
  if (!copy->AssignImage(const_cast<TPVBitmap*>(&bitmap)) || !copy->SetPixelFormat(format))
    return nullptr;
  return copy;
}

// The rows' pixels as the chosen bit count needs them, and the colour table to write.
struct RowSource {
  const TPVBitmap* Pixels = nullptr;
  std::unique_ptr<TPVBitmap> Own;
  std::vector<TPVRGB> Table;
  std::optional<TPVQuantizer> Quantizer;
};

bool PrepareOneBit(const TPVBitmap& bitmap, RowSource& source) {
  const TPVRGB black{0, 0, 0};
  const TPVRGB white{255, 255, 255};
  source.Table = {black, white};
  if (bitmap.Format == pv1g) {
    source.Pixels = &bitmap;
    return true;
  }
  std::unique_ptr<TPVBitmap> wide;
  const TPVBitmap* colors = &bitmap;
  if (bitmap.Format != pv24RGB && bitmap.Format != pv8p) {
    wide = CopyAs(bitmap, pv24RGB);
    if (wide == nullptr) return false;
    colors = wide.get();
  }
  TPVRGB darker{};
  TPVRGB lighter{};
  source.Own = ExtractTwoColorBitmap(*colors, darker, lighter);
  if (source.Own != nullptr) {
    source.Table = {darker, lighter};
  } else {
    source.Own = CopyAs(*colors, pv1g);
    if (source.Own == nullptr) return false;
  }
  source.Pixels = source.Own.get();
  return true;
}

bool PrepareIndexed(const TPVBitmap& bitmap, int32_t colorCount, RowSource& source) {
  source.Pixels = &bitmap;
  if (bitmap.Format != pv8p && bitmap.Format != pv24RGB) {
    source.Own = CopyAs(bitmap, pv24RGB);
    if (source.Own == nullptr) return false;
    source.Pixels = source.Own.get();
  }
  // Entries the quantiser does not choose are written black.
  source.Table.assign(static_cast<size_t>(colorCount), TPVRGB{0, 0, 0});
  source.Quantizer.emplace(*source.Pixels, source.Table.data(), colorCount);
  return true;
}

bool PrepareColor(const TPVBitmap& bitmap, RowSource& source) {
  source.Pixels = &bitmap;
  if (bitmap.Format == pv24RGB) return true;
  source.Own = CopyAs(bitmap, pv24RGB);
  source.Pixels = source.Own.get();
  return source.Own != nullptr;
}

// The palette index of each pixel of row y: a pv8p row's own bytes while they fit the table,
// else the quantiser's index or, for colours it does not know, the nearest entry.
void RowIndices(const RowSource& source, int32_t y, uint8_t* indices) {
  const TPVBitmap& pixels = *source.Pixels;
  const uint8_t* line = pixels.GetScanline(y);
  const auto count = static_cast<int32_t>(source.Table.size());
  const auto nearest = [&](TPVRGB color) {
    int32_t index = source.Quantizer->RGBIndex(color);
    if (index < 0 || index >= count) index = NearestPaletteIndex(source.Table.data(), count, color);
    return static_cast<uint8_t>(index);
  };
  if (pixels.Format == pv8p) {
    for (int32_t x = 0; x < pixels.Width; ++x)
      indices[x] = line[x] < count ? line[x] : nearest(pixels.GetPaletteColor(line[x]));
    return;
  }
  const auto* colors = reinterpret_cast<const TPVRGB*>(line);
  for (int32_t x = 0; x < pixels.Width; ++x) indices[x] = nearest(colors[x]);
}

class RowWriter {
 public:
  RowWriter(TStream* stream, TPVProgressRecord& progress, const BMPLayout& layout,
            const RowSource& source, const TPVBitmap& bitmap, bool writeAlpha)
      : stream_(stream),
        progress_(progress),
        layout_(layout),
        source_(source),
        alpha_(writeAlpha ? bitmap.AlphaBitmap.get() : nullptr),
        rowLength_(CalcRowLength(layout.Width, layout.BitCount, 32)) {
    row_.assign(static_cast<size_t>(rowLength_), 0);
    if (layout.BitCount <= 8) indices_.assign(static_cast<size_t>(layout.Width) + 1, 0);
    if (layout.Compression != 0) encoded_.assign(MaxEncodedRLERowBytes(layout.Width), 0);
  }

  void Write(int32_t y) {
    switch (layout_.BitCount) {
      case 1: WriteOneBit(y); break;
      case 4:
      case 8: WriteIndexed(y); break;
      case 24: WriteColor(y); break;
      default: WriteColorAlpha(y); break;
    }
  }

 private:
  void Put(const void* data, int64_t count) { WriteBytes(stream_, progress_, data, count); }

  void WriteOneBit(int32_t y) {
    const uint8_t* line = source_.Pixels->GetScanline(y);
    const int64_t used = (layout_.Width + 7) / 8;
    std::memcpy(row_.data(), line, static_cast<size_t>(used));
    // Bits past the last pixel are written clear.
    if (const int32_t spare = static_cast<int32_t>(used * 8 - layout_.Width); spare > 0)
      row_[used - 1] &= static_cast<uint8_t>(0xFF << spare);
    Put(row_.data(), rowLength_);
  }

  void WriteIndexed(int32_t y) {
    RowIndices(source_, y, indices_.data());
    const int32_t width = layout_.Width;
    if (layout_.Compression != 0) {
      const int32_t bytes = layout_.BitCount == 4
                                ? EncodeRLE4Row(indices_.data(), width, encoded_.data())
                                : EncodeRLE8Row(indices_.data(), width, encoded_.data());
      Put(encoded_.data(), bytes);
      return;
    }
    if (layout_.BitCount == 8) {
      std::memcpy(row_.data(), indices_.data(), static_cast<size_t>(width));
    } else {
      for (int32_t x = 0; x < width; x += 2) {
        const uint8_t low = x + 1 < width ? indices_[x + 1] & 15 : 0;
        row_[x / 2] = static_cast<uint8_t>((indices_[x] & 15) << 4 | low);
      }
    }
    Put(row_.data(), rowLength_);
  }

  // Straight from the bitmap's row; the padding is written as zeros.
  void WriteColor(int32_t y) {
    const int64_t used = int64_t{3} * layout_.Width;
    Put(source_.Pixels->GetScanline(y), used);
    Put(row_.data(), rowLength_ - used);
  }

  void WriteColorAlpha(int32_t y) {
    const auto* colors = reinterpret_cast<const TPVRGB*>(source_.Pixels->GetScanline(y));
    const uint8_t* alpha = alpha_ != nullptr ? alpha_->GetScanline(y) : nullptr;
    for (int32_t x = 0; x < layout_.Width; ++x) {
      row_[4 * x] = colors[x].b;
      row_[4 * x + 1] = colors[x].g;
      row_[4 * x + 2] = colors[x].r;
      row_[4 * x + 3] = alpha != nullptr ? alpha[x] : 255;
    }
    Put(row_.data(), rowLength_);
  }

  TStream* stream_;
  TPVProgressRecord& progress_;
  const BMPLayout& layout_;
  const RowSource& source_;
  const TPVBitmap* alpha_;
  int64_t rowLength_;
  std::vector<uint8_t> row_;
  std::vector<uint8_t> indices_;
  std::vector<uint8_t> encoded_;
};

bool WriteBMP(TStream* stream, TPVBitmap& bitmap, TIOParamsVals& params,
              TPVProgressRecord& progress, bool writeAlpha) {
  if (stream == nullptr) return false;
  BMPLayout layout;
  layout.Width = bitmap.GetWidth();
  layout.Height = bitmap.GetHeight();
  if (layout.Width < 1 || layout.Height < 1 || bitmap.Format == pvNoFormat) return false;
  if (params.BitsPerSample == 1 || params.BitsPerSample == 4)
    layout.BitCount = params.BitsPerSample;
  else if (params.SamplesPerPixel == 1)
    layout.BitCount = 8;
  else
    layout.BitCount = bitmap.HasAlphaChannel() ? 32 : 24;
  layout.Core = params.BMP_Version == 2;
  if (layout.Core && (layout.Width > kCoreMaxSide || layout.Height > kCoreMaxSide)) return false;
  layout.HeaderSize = layout.Core ? 12 : params.BMP_Version == 3 ? 64 : 40;
  if (params.BMP_Compression == 1 && !layout.Core && layout.BitCount == 4) layout.Compression = 2;
  if (params.BMP_Compression == 1 && !layout.Core && layout.BitCount == 8) layout.Compression = 1;
  layout.PixelsPerMetreX = PixelsPerMetre(params.DpiX);
  layout.PixelsPerMetreY = PixelsPerMetre(params.DpiY);

  // The file's sizes are 32-bit fields: a file that could outgrow them is not begun.
  const int64_t rowLength = CalcRowLength(layout.Width, layout.BitCount, 32);
  const int64_t rowBound = layout.Compression != 0 ? MaxEncodedRLERowBytes(layout.Width) : rowLength;
  const int64_t sizeBound = kFileHeaderSize + layout.HeaderSize + 4 * 256 + 2 +
                            CalcImageByteSize(rowBound, layout.Height);
  if (CalcImageByteSize(rowBound, layout.Height) < 0 ||
      sizeBound > std::numeric_limits<uint32_t>::max())
    return false;

  TPVDataAccessScope readOnly(bitmap, pvdRead);
  RowSource source;
  const bool prepared = layout.BitCount == 1   ? PrepareOneBit(bitmap, source)
                        : layout.BitCount <= 8 ? PrepareIndexed(bitmap, 1 << layout.BitCount, source)
                                               : PrepareColor(bitmap, source);
  if (!prepared) return false;
  if (!source.Table.empty()) {
    params.ColorMap = std::make_unique<TPVRGB[]>(source.Table.size());
    std::copy(source.Table.begin(), source.Table.end(), params.ColorMap.get());
    params.ColorMapCount = static_cast<int32_t>(source.Table.size());
  }

  const int64_t start = stream->GetPosition();
  const std::vector<uint8_t> blank = HeaderBytes(layout, 0, 0, 0);
  WriteBytes(stream, progress, blank.data(), static_cast<int64_t>(blank.size()));
  FieldBytes table;
  for (const TPVRGB& color : source.Table) {
    table.U8(color.b);
    table.U8(color.g);
    table.U8(color.r);
    if (!layout.Core) table.U8(0);
  }
  WriteBytes(stream, progress, table.Bytes().data(), static_cast<int64_t>(table.Bytes().size()));

  bool& aborting = *progress.Aborting;
  const int64_t pixelStart = stream->GetPosition();
  progress.Step = 100.0 / layout.Height;
  RowWriter rows(stream, progress, layout, source, bitmap, writeAlpha);
  for (int32_t written = 0; written < layout.Height; ++written) {
    if (progress.OnProgress)
      progress.OnProgress(progress.Sender, static_cast<int>(written * progress.Step));
    if (aborting) break;
    rows.Write(layout.Height - 1 - written);
  }
  if (layout.Compression != 0) {
    const uint8_t endOfBitmap[2] = {0, 1};
    WriteBytes(stream, progress, endOfBitmap, 2);
  }
  if (aborting) return false;

  const int64_t end = stream->GetPosition();
  const std::vector<uint8_t> complete =
      HeaderBytes(layout, static_cast<uint32_t>(end - start), static_cast<uint32_t>(pixelStart - start),
                  static_cast<uint32_t>(end - pixelStart));
  stream->SetPosition(start);
  WriteBytes(stream, progress, complete.data(), static_cast<int64_t>(complete.size()));
  stream->SetPosition(end);
  return !aborting;
}

}  // namespace

void WriteBMPStream(TStream* Stream, TPVBitmap& Bitmap, TIOParamsVals& Params,
                    TPVProgressRecord& Progress, bool WriteAlpha) {
  RunInReaderBoundary(Progress,
                      [&] { return WriteBMP(Stream, Bitmap, Params, Progress, WriteAlpha); });
}

void WriteBMPForIO(TStream& Stream, TPVBitmap& Bitmap, TIOParamsVals& Params,
                   TPVProgressRecord& Progress, const TPVMask* /*Mask*/) {
  WriteBMPStream(&Stream, Bitmap, Params, Progress, Params.BMP_AlphaChannel);
}

}  // namespace calmora
