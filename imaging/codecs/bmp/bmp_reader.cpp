// ReadBMPStream: the file and information headers, the colour table and masks, then the rows
// by bit count (plain rows here, run-length data through the decoders). Sizes are checked
// against the bytes left before anything is allocated.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "imaging/base/row_bits.h"
#include "imaging/base/streams/byte_reader.h"
#include "imaging/base/streams/reader_boundary.h"
#include "imaging/base/streams/streams.h"
#include "imaging/codecs/bmp/bmp_codec.h"
#include "imaging/core/bitmap/bitmap_internal.h"
#include "imaging/core/dpi_globals.h"

namespace calmora {

namespace {

constexpr uint32_t kCoreHeaderSize = 12;
// Longer headers are read this far; what lies beyond is skipped.
constexpr uint32_t kHeaderBlockSize = 64;
// Headers of at least this size hold the three channel masks at bytes 40-51.
constexpr uint32_t kHeaderWithMasks = 52;

constexpr uint32_t kCompressionNone = 0;
constexpr uint32_t kCompressionRLE8 = 1;
constexpr uint32_t kCompressionRLE4 = 2;
constexpr uint32_t kCompressionBitFields = 3;

// What the header says, read and checked.
struct BMPHeader {
  uint32_t Size = 0;
  int32_t Width = 0;
  int32_t Height = 0;  // made positive
  bool TopDown = false;
  int32_t BitCount = 0;
  uint32_t Compression = kCompressionNone;
  uint32_t ImageSize = 0;
  uint32_t Masks[3] = {0x7C00, 0x03E0, 0x001F};  // red, green, blue: 5-5-5
};

// How the pixels of a header are filled.
enum class PixelSource { kNothing, kPlainRows, kRLE4, kRLE8 };

PixelSource SourceOf(const BMPHeader& header) {
  switch (header.BitCount) {
    case 1:
      return header.Compression == kCompressionNone ? PixelSource::kPlainRows
                                                    : PixelSource::kNothing;
    case 4:
      if (header.Compression == kCompressionNone) return PixelSource::kPlainRows;
      return header.Compression == kCompressionRLE4 ? PixelSource::kRLE4 : PixelSource::kNothing;
    case 8:
      if (header.Compression == kCompressionNone) return PixelSource::kPlainRows;
      return header.Compression == kCompressionRLE8 ? PixelSource::kRLE8 : PixelSource::kNothing;
    case 16:
    case 24:
    case 32:
      // These depths have no run-length form: their rows are read plain whatever the field says.
      return PixelSource::kPlainRows;
    default:
      return PixelSource::kNothing;
  }
}

// Pixels per metre to dots per inch, halves to even; a file without a resolution gives the
// library's default.
int32_t DpiOf(int32_t pixelsPerMetre, int32_t fallback) {
  const double dpi = std::nearbyint(pixelsPerMetre / 100.0 * 2.54);
  return dpi == 0 ? fallback : static_cast<int32_t>(dpi);
}

void StoreColorMap(TIOParamsVals& params, std::vector<TPVRGB> colors) {
  params.ColorMap = std::make_unique<TPVRGB[]>(colors.size());
  std::copy(colors.begin(), colors.end(), params.ColorMap.get());
  params.ColorMapCount = static_cast<int32_t>(colors.size());
}

// The 12-byte OS/2 core header and its 3-byte colour table.
bool ReadCoreHeader(TPVByteReader& in, BMPHeader& header, TIOParamsVals& params) {
  in.Skip(4);  // its size
  header.Width = in.ReadLE<uint16_t>();
  header.Height = in.ReadLE<uint16_t>();
  in.Skip(2);  // planes
  header.BitCount = in.ReadLE<uint16_t>();
  if (in.Failed()) return false;
  params.BMP_Version = 2;
  params.SetDpiX(DefaultDpiX);
  params.SetDpiY(DefaultDpiY);
  if (header.BitCount <= 8) {
    const int64_t entries = int64_t{1} << header.BitCount;
    if (!in.CheckCount(entries, 3)) return false;
    std::vector<TPVRGB> colors(static_cast<size_t>(entries));
    for (TPVRGB& color : colors) {
      color.b = in.ReadByte();
      color.g = in.ReadByte();
      color.r = in.ReadByte();
    }
    if (in.Failed()) return false;
    StoreColorMap(params, std::move(colors));
  }
  return true;
}

// Any other header size: its first 64 bytes at most, then the 4-byte colour table and masks.
bool ReadInfoHeader(TPVByteReader& in, BMPHeader& header, TIOParamsVals& params) {
  uint8_t block[kHeaderBlockSize] = {};
  in.Read(block, std::min(header.Size, kHeaderBlockSize));
  if (header.Size > kHeaderBlockSize) in.Skip(header.Size - kHeaderBlockSize);
  if (in.Failed()) return false;

  TPVByteReader fields(block, kHeaderBlockSize);
  fields.Skip(4);  // its size
  const int32_t width = fields.ReadLE<int32_t>();
  const int32_t height = fields.ReadLE<int32_t>();
  fields.Skip(2);  // planes
  header.BitCount = fields.ReadLE<uint16_t>();
  header.Compression = fields.ReadLE<uint32_t>();
  header.ImageSize = fields.ReadLE<uint32_t>();
  const int32_t pixelsPerMetreX = fields.ReadLE<int32_t>();
  const int32_t pixelsPerMetreY = fields.ReadLE<int32_t>();
  uint32_t colorsUsed = fields.ReadLE<uint32_t>();
  fields.Skip(4);  // important colours
  uint32_t headerMasks[3];
  for (uint32_t& mask : headerMasks) mask = fields.ReadLE<uint32_t>();

  // A negative width has no meaning, and the most negative height no positive counterpart.
  if (width < 0 || height == std::numeric_limits<int32_t>::min()) return false;
  header.Width = width;
  header.TopDown = height < 0;
  header.Height = height < 0 ? -height : height;

  params.BMP_Version = header.Size == 64 ? 3 : header.Size == 40 ? 1 : 0;
  params.SetDpiX(DpiOf(pixelsPerMetreX, DefaultDpiX));
  params.SetDpiY(DpiOf(pixelsPerMetreY, DefaultDpiY));

  if (colorsUsed > 256) colorsUsed = 0;
  if (colorsUsed == 0 && header.BitCount <= 8) colorsUsed = uint32_t{1} << header.BitCount;
  if (colorsUsed != 0) {
    if (!in.CheckCount(colorsUsed, 4)) return false;
    std::vector<TPVRGB> colors(colorsUsed);
    for (TPVRGB& color : colors) {
      color.b = in.ReadByte();
      color.g = in.ReadByte();
      color.r = in.ReadByte();
      in.Skip(1);
    }
    if (in.Failed()) return false;
    StoreColorMap(params, std::move(colors));
  }
  if (header.Compression == kCompressionBitFields) {
    for (int i = 0; i < 3; ++i)
      header.Masks[i] = header.Size >= kHeaderWithMasks ? headerMasks[i] : in.ReadLE<uint32_t>();
    if (in.Failed()) return false;
  }
  return true;
}

// Reads up to count bytes into row and zeros what the data no longer holds; false when it was
// cut short.
bool ReadRowBytes(TPVByteReader& in, uint8_t* row, int64_t count) {
  const int64_t available = std::min(count, in.Left());
  in.Read(row, available);
  if (available == count) return true;
  std::memset(row + available, 0, static_cast<size_t>(count - available));
  return false;
}

// A value moved right by shift bits, left for a negative shift; 0 once every bit is gone.
uint32_t ShiftRight(uint32_t value, int32_t shift) {
  if (shift >= 32 || shift <= -32) return 0;
  return shift >= 0 ? value >> shift : value << -shift;
}

// The 16-bit pixel rule: each channel's bits brought to the top of a byte, for masks that lie
// red, green, blue from the word's top down to bit 0.
class SixteenBitColors {
 public:
  explicit SixteenBitColors(const uint32_t (&masks)[3]) : masks_{masks[0], masks[1], masks[2]} {
    const int32_t redBits = GetMaskBitWidth(masks[0]);
    const int32_t greenBits = GetMaskBitWidth(masks[1]);
    const int32_t blueBits = GetMaskBitWidth(masks[2]);
    redShift_ = redBits + greenBits + blueBits - 8;
    greenShift_ = greenBits + blueBits - 8;
    blueShift_ = 8 - blueBits;
  }

  TPVRGB Convert(uint16_t word) const {
    TPVRGB color;
    color.r = static_cast<uint8_t>(ShiftRight(word & masks_[0], redShift_));
    color.g = static_cast<uint8_t>(ShiftRight(word & masks_[1], greenShift_));
    color.b = static_cast<uint8_t>(ShiftRight((word & 0xFF) & (masks_[2] & 0xFF), -blueShift_));
    return color;
  }

 private:
  uint32_t masks_[3];
  int32_t redShift_ = 0;
  int32_t greenShift_ = 0;
  int32_t blueShift_ = 0;
};

// Everything the pixel passes share.
struct PixelJob {
  TPVByteReader& In;
  TPVBitmap& Bitmap;
  const BMPHeader& Header;
  TPVProgressRecord& Progress;
  const TBMPColorTable& Table;
  bool Native = false;
  int64_t RowLength = 0;
};

// The 32-bit alpha bytes going into the caller's mask, and whether they were all alike.
class AlphaCollector {
 public:
  AlphaCollector(std::unique_ptr<TPVMask>& mask, bool wanted) : mask_(mask), wanted_(wanted) {}

  bool Start(int32_t width, int32_t height) {
    if (!wanted_) return true;
    if (mask_ == nullptr) mask_ = std::make_unique<TPVMask>();
    if (!mask_->Allocate(width, height, 8)) return false;
    mask_->Fill(255);
    return true;
  }
  uint8_t* Row(int32_t y) { return wanted_ ? mask_->GetRow(y) : nullptr; }
  void Note(uint8_t alpha) {
    anyNotZero_ |= alpha != 0;
    anyNotOpaque_ |= alpha != 255;
  }
  // A mask of nothing but 0 or nothing but 255 says nothing: the caller gets none.
  void Finish() {
    if (!wanted_ || mask_ == nullptr) return;
    if (!anyNotZero_ || !anyNotOpaque_) {
      mask_.reset();
      return;
    }
    mask_->RecomputeBox();
    mask_->AllSet = false;
  }

 private:
  std::unique_ptr<TPVMask>& mask_;
  bool wanted_;
  bool anyNotZero_ = false;
  bool anyNotOpaque_ = false;
};

// Plain rows, file row k into bitmap row height - 1 - k (or k when top-down). False when the
// data ended early.
template <class ConvertRow>
bool ReadPlainRows(PixelJob& job, bool intoBitmapRow, ConvertRow convert) {
  TPVBitmap& bitmap = job.Bitmap;
  const int32_t height = bitmap.Height;
  bool& aborting = *job.Progress.Aborting;
  std::vector<uint8_t> buffer;
  // Room past the row: the nibble and word loops may look a little beyond a short last row.
  if (!intoBitmapRow) buffer.resize(static_cast<size_t>(job.RowLength + 32));
  const int64_t kept = std::min<int64_t>(job.RowLength, bitmap.RowBytes);
  int lastPercent = -1;
  for (int32_t k = 0; k < height; ++k) {
    const int percent = static_cast<int>(k * job.Progress.Step);
    if (job.Progress.OnProgress && percent != lastPercent) {
      job.Progress.OnProgress(job.Progress.Sender, percent);
      lastPercent = percent;
    }
    if (aborting) return true;
    const int32_t y = job.Header.TopDown ? k : height - 1 - k;
    uint8_t* line = bitmap.GetScanline(y);
    if (line == nullptr) return false;
    bool complete;
    if (intoBitmapRow) {
      complete = ReadRowBytes(job.In, line, kept);
      if (complete && job.RowLength > kept) job.In.Skip(job.RowLength - kept);
    } else {
      complete = ReadRowBytes(job.In, buffer.data(), job.RowLength);
      convert(buffer.data(), line, y);
    }
    if (!complete) return false;
  }
  return true;
}

bool ReadOneBit(PixelJob& job, const TIOParamsVals& params) {
  const bool complete = ReadPlainRows(job, true, [](const uint8_t*, uint8_t*, int32_t) {});
  // pv1g stores 0 for black: a table of white, then black, has its bits the other way round.
  const TPVRGB white{255, 255, 255};
  const TPVRGB black{0, 0, 0};
  if (params.ColorMapCount == 2 && params.ColorMap[0] == white && params.ColorMap[1] == black) {
    // The rows are read back to be inverted: a file-stored bitmap must fetch them.
    TPVDataAccessScope readWrite(job.Bitmap, pvdRead | pvdWrite);
    NegateBits(job.Bitmap);
  }
  return complete;
}

bool ReadFourBit(PixelJob& job) {
  const int32_t width = job.Bitmap.Width;
  if (job.Native)
    return ReadPlainRows(job, false, [&](const uint8_t* source, uint8_t* line, int32_t) {
      for (int32_t x = 0; x < width; ++x)
        line[x] = (x & 1) == 0 ? source[x / 2] >> 4 : source[x / 2] & 15;
    });
  return ReadPlainRows(job, false, [&](const uint8_t* source, uint8_t* line, int32_t) {
    auto* pixels = reinterpret_cast<TPVRGB*>(line);
    for (int32_t x = 0; x < width; ++x)
      pixels[x] = job.Table[(x & 1) == 0 ? source[x / 2] >> 4 : source[x / 2] & 15];
  });
}

bool ReadEightBit(PixelJob& job) {
  const int32_t width = job.Bitmap.Width;
  if (job.Native)
    return ReadPlainRows(job, false, [&](const uint8_t* source, uint8_t* line, int32_t) {
      std::memcpy(line, source, static_cast<size_t>(width));
    });
  return ReadPlainRows(job, false, [&](const uint8_t* source, uint8_t* line, int32_t) {
    auto* pixels = reinterpret_cast<TPVRGB*>(line);
    for (int32_t x = 0; x < width; ++x) pixels[x] = job.Table[source[x]];
  });
}

bool ReadSixteenBit(PixelJob& job) {
  const int32_t width = job.Bitmap.Width;
  const SixteenBitColors colors(job.Header.Masks);
  return ReadPlainRows(job, false, [&](const uint8_t* source, uint8_t* line, int32_t) {
    auto* pixels = reinterpret_cast<TPVRGB*>(line);
    for (int32_t x = 0; x < width; ++x)
      pixels[x] = colors.Convert(static_cast<uint16_t>(source[2 * x] | source[2 * x + 1] << 8));
  });
}

bool ReadThirtyTwoBit(PixelJob& job, AlphaCollector& alpha) {
  const int32_t width = job.Bitmap.Width;
  if (!alpha.Start(width, job.Bitmap.Height)) return false;
  const bool complete =
      ReadPlainRows(job, false, [&](const uint8_t* source, uint8_t* line, int32_t y) {
        auto* pixels = reinterpret_cast<TPVRGB*>(line);
        for (int32_t x = 0; x < width; ++x)
          pixels[x] = TPVRGB{source[4 * x], source[4 * x + 1], source[4 * x + 2]};
        if (uint8_t* maskRow = alpha.Row(y)) {
          for (int32_t x = 0; x < width; ++x) {
            maskRow[x] = source[4 * x + 3];
            alpha.Note(source[4 * x + 3]);
          }
        }
      });
  alpha.Finish();
  return complete;
}

bool ReadRunLength(PixelJob& job, PixelSource source, int64_t length) {
  std::vector<uint8_t> data(static_cast<size_t>(length));
  job.In.Read(data.data(), length);
  TPVBitmap& bitmap = job.Bitmap;
  const bool topDown = job.Header.TopDown;
  if (source == PixelSource::kRLE4) {
    if (job.Native)
      DecodeRLE4ToIndex(bitmap, data.data(), length, topDown, job.Progress);
    else
      DecodeRLE4ToRGB(bitmap, data.data(), length, topDown, job.Progress, job.Table);
  } else {
    if (job.Native)
      DecodeRLE8ToIndex(bitmap, data.data(), length, topDown, job.Progress);
    else
      DecodeRLE8ToRGB(bitmap, data.data(), length, topDown, job.Progress, job.Table);
  }
  return true;
}

// Every pixel index 0: its colour in pv24RGB, bits clear in pv1g.
void FillIndexZero(TPVBitmap& bitmap, TPVRGB color) {
  for (int32_t y = 0; y < bitmap.Height; ++y) {
    uint8_t* line = bitmap.GetScanline(y);
    if (line == nullptr) return;
    if (bitmap.Format != pv24RGB) {
      std::memset(line, 0, static_cast<size_t>(bitmap.RowBytes));
      continue;
    }
    auto* pixels = reinterpret_cast<TPVRGB*>(line);
    std::fill(pixels, pixels + bitmap.Width, color);
  }
}

bool ReadBMP(TStream* stream, TPVBitmap& bitmap, int32_t dataSize, TIOParamsVals& params,
             TPVProgressRecord& progress, bool paramsOnly, bool noFileHeader,
             std::unique_ptr<TPVMask>& alphaMask, bool ignoreAlpha) {
  if (stream == nullptr) return false;
  TPVByteReader in(stream);
  int64_t fileSize = 0;
  int64_t pixelOffset = 0;
  if (noFileHeader) {
    fileSize = stream->GetSize();
  } else {
    uint8_t signature[2];
    in.Read(signature, 2);
    fileSize = in.ReadLE<uint32_t>();
    in.Skip(4);  // reserved
    pixelOffset = in.ReadLE<uint32_t>();
    if (in.Failed() || signature[0] != 'B' || signature[1] != 'M') return false;
  }
  int64_t dataLength = dataSize;
  if (dataLength < 1 && fileSize != 0) dataLength = fileSize;

  BMPHeader header;
  const int64_t headerStart = in.Position();
  header.Size = in.ReadLE<uint32_t>();
  in.SeekTo(headerStart);
  if (in.Failed()) return false;
  params.ColorMap.reset();
  params.ColorMapCount = 0;
  const bool headerRead = header.Size == kCoreHeaderSize ? ReadCoreHeader(in, header, params)
                                                         : ReadInfoHeader(in, header, params);
  if (!headerRead) return false;

  params.Width = params.OriginalWidth = header.Width;
  params.Height = params.OriginalHeight = header.Height;
  if (header.Compression == kCompressionNone || header.Compression == kCompressionBitFields)
    params.BMP_Compression = 0;
  else if (header.Compression == kCompressionRLE8 || header.Compression == kCompressionRLE4)
    params.BMP_Compression = 1;

  // Where the pixels start; an offset past the end leaves nothing to read.
  if (pixelOffset != 0 && !in.SeekTo(pixelOffset) && !paramsOnly) return false;
  // Run-length data as long as the sizes say, but never more than the bytes left; less than
  // they say is data cut short.
  const int64_t statedRunLength =
      std::max<int64_t>(0, dataLength > 0 ? dataLength - in.Position() : header.ImageSize);
  const int64_t runLength = std::min(statedRunLength, in.Left());

  switch (header.BitCount) {
    case 1: params.BitsPerSample = 1; params.SamplesPerPixel = 1; break;
    case 4: params.BitsPerSample = 4; params.SamplesPerPixel = 1; break;
    case 8: params.BitsPerSample = 8; params.SamplesPerPixel = 1; break;
    case 16: params.BitsPerSample = 5; params.SamplesPerPixel = 3; break;
    case 24: params.BitsPerSample = 8; params.SamplesPerPixel = 3; break;
    case 32: params.BitsPerSample = 8; params.SamplesPerPixel = 4; break;
    default: break;
  }
  if (paramsOnly || header.Width == 0 || header.Height == 0) return true;

  // Refused before any storage is asked for: nothing that could fill the pixels, or not even
  // one row of them.
  const PixelSource source = SourceOf(header);
  if (source == PixelSource::kNothing) return false;
  const int64_t rowLength = CalcRowLength(header.Width, header.BitCount, 32);
  if (source == PixelSource::kPlainRows ? in.Left() < rowLength : runLength < 2) return false;

  const bool native = params.NativePixelFormat && (header.BitCount == 4 || header.BitCount == 8);
  const TPVPixelFormat format = header.BitCount == 1 ? pv1g : native ? pv8p : pv24RGB;
  if (!bitmap.Allocate(header.Width, header.Height, format) || bitmap.Width != header.Width)
    return false;
  progress.Step = 100.0 / header.Height;
  if (native) {
    for (int32_t i = 0; i < params.ColorMapCount; ++i)
      bitmap.SetPaletteColor(i, params.ColorMap[i]);
    bitmap.PaletteColorsUsed = header.BitCount == 4 ? 16 : 256;
  }
  // Indices past the file's table read black.
  TBMPColorTable table{};
  std::copy_n(params.ColorMap.get(), std::min(params.ColorMapCount, 256), table.begin());

  // Pixels the data never reaches (skipped by run-length deltas, rows after a cut) show
  // index 0, as the other readers of such files show them, never stale memory.
  const bool complete = source == PixelSource::kPlainRows &&
                        CalcImageByteSize(rowLength, header.Height) <= in.Left();
  if (!complete) {
    TPVDataAccessScope access(bitmap, pvdRead | pvdWrite);
    FillIndexZero(bitmap, table[0]);
  }

  TPVDataAccessScope access(bitmap, pvdWrite);
  PixelJob job{in, bitmap, header, progress, table, native, rowLength};
  if (source != PixelSource::kPlainRows)
    return ReadRunLength(job, source, runLength) && runLength == statedRunLength;
  switch (header.BitCount) {
    case 1: return ReadOneBit(job, params);
    case 4: return ReadFourBit(job);
    case 8: return ReadEightBit(job);
    case 16: return ReadSixteenBit(job);
    case 24: return ReadPlainRows(job, true, [](const uint8_t*, uint8_t*, int32_t) {});
    default: {
      AlphaCollector alpha(alphaMask, !ignoreAlpha);
      return ReadThirtyTwoBit(job, alpha);
    }
  }
}

}  // namespace

void ReadBMPStream(TStream* Stream, TPVBitmap& Bitmap, int32_t DataSize, TIOParamsVals& Params,
                   TPVProgressRecord& Progress, bool ParamsOnly, bool NoFileHeader,
                   std::unique_ptr<TPVMask>& AlphaMask, bool IgnoreAlpha) {
  RunInReaderBoundary(Progress, [&] {
    return ReadBMP(Stream, Bitmap, DataSize, Params, Progress, ParamsOnly, NoFileHeader,
                   AlphaMask, IgnoreAlpha);
  });
}

int32_t ReadBMPForIO(TStream& Stream, TPVBitmap& Bitmap, TIOParamsVals& Params, bool ParamsOnly,
                     TPVProgressRecord& Progress, std::unique_ptr<TPVMask>& Mask) {
  bool failed = false;
  RunInReaderBoundary(Progress, [&] {
    const int64_t size = ParamsOnly ? Stream.GetSize() : 0;
    const auto dataSize = static_cast<int32_t>(
        std::min<int64_t>(size, std::numeric_limits<int32_t>::max()));
    const bool ignoreAlpha = ParamsOnly || !Params.BMP_AlphaChannel;
    ReadBMPStream(&Stream, Bitmap, dataSize, Params, Progress, ParamsOnly, false, Mask,
                  ignoreAlpha);
    failed = *Progress.Aborting;
  });
  return failed ? 0 : 1;
}

}  // namespace calmora
