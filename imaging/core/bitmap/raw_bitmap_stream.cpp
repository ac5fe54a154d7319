// The raw bitmap stream: SaveRawToStream and LoadRawFromStream of TPVBitmap, to and from a
// stream or a memory block. The reader checks every field against bounds and against what is
// left, and builds the image aside, so a bad stream never leaves a half-loaded bitmap.
#include "imaging/core/bitmap/raw_bitmap_stream.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "imaging/core/bitmap/bitmap.h"
#include "imaging/core/bitmap/bitmap_internal.h"
#include "imaging/base/streams/byte_reader.h"
#include "imaging/base/streams/reader_boundary.h"
#include "imaging/base/streams/streams.h"
#include "imaging/base/row_bits.h"
#include "imaging/base/platform_queries.h"

namespace calmora {

namespace {

// Where the writer's bytes go: a stream, or a memory block of known capacity.
class RawSink {
 public:
  explicit RawSink(TStream* stream) : stream_(stream) {}
  RawSink(void* memory, int64_t capacity)
      : memory_(static_cast<uint8_t*>(memory)), capacity_(capacity) {}

  bool Failed() const { return failed_; }
  TStream* Stream() const { return stream_; }

  // Hands the gathered bytes to the stream.
  void Flush() {
    if (!staged_.empty() && !failed_) Write(staged_.data(), static_cast<int64_t>(staged_.size()));
    staged_.clear();
  }

  void Put(const void* data, int64_t count) {
    if (failed_ || count <= 0) return;
    if (stream_) {
      const auto* bytes = static_cast<const uint8_t*>(data);
      // Small pieces (rows, fields) gather in one buffer, so a stream gets few large writes.
      if (count < kStagingSize) {
        if (staged_.size() + count > kStagingSize) Flush();
        staged_.insert(staged_.end(), bytes, bytes + count);
        return;
      }
      Flush();
      Write(bytes, count);
    } else {
      if (!memory_ || count > capacity_ - used_) {
        failed_ = true;
        return;
      }
      std::memcpy(memory_ + used_, data, static_cast<size_t>(count));
      used_ += count;
    }
  }

  void PutZeros(int64_t count) {
    static const uint8_t kZeros[256] = {};
    while (count > 0 && !failed_) {
      const int64_t chunk = std::min<int64_t>(count, sizeof kZeros);
      Put(kZeros, chunk);
      count -= chunk;
    }
  }

 private:
  static constexpr int64_t kStagingSize = 1 << 20;

  void Write(const uint8_t* bytes, int64_t count) {
    while (count > 0 && !failed_) {
      const auto chunk = static_cast<int32_t>(std::min<int64_t>(count, 1 << 30));
      if (stream_->Write(bytes, chunk) != chunk) failed_ = true;
      bytes += chunk;
      count -= chunk;
    }
  }

  TStream* stream_ = nullptr;
  uint8_t* memory_ = nullptr;
  int64_t capacity_ = 0;
  int64_t used_ = 0;
  bool failed_ = false;
  std::vector<uint8_t> staged_;
};

void PutInt32(std::vector<uint8_t>& out, int32_t value) {
  const auto v = static_cast<uint32_t>(value);
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

void PutDouble(std::vector<uint8_t>& out, double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, 8);
  for (int shift = 0; shift < 64; shift += 8) out.push_back(static_cast<uint8_t>(bits >> shift));
}

// Grows a stream by count bytes ahead of the rows, so a memory stream reallocates once. The
// position is kept (a file stream moves it to the new end); a failure changes nothing.
void Preallocate(TStream* stream, int64_t count) {
  try {
    const int64_t position = stream->GetPosition();
    const int64_t size = stream->GetSize();
    if (size < 0 || count <= 0) return;
    if (static_cast<uint64_t>(size + count) >= QueryPhysicalMemory(1)) return;
    stream->SetSize(size + count);
    stream->SetPosition(position);
  } catch (const std::exception&) {
  }
}

// Writes rows rows of rowLength bytes taken from the bitmap's rows (cut or zero-padded to that
// length; missing rows are zeros).
void PutRows(RawSink& sink, const TPVBitmap& bitmap, int32_t rows, int64_t rowLength) {
  const int32_t have = std::min(rows, bitmap.Height);
  const int64_t taken = std::min<int64_t>(rowLength, bitmap.RowBytes);
  for (int32_t y = 0; y < have && !sink.Failed(); ++y) {
    const uint8_t* line = bitmap.GetScanline(y);
    if (line)
      sink.Put(line, taken);
    else
      sink.PutZeros(taken);
    sink.PutZeros(rowLength - taken);
  }
  for (int32_t y = have; y < rows && !sink.Failed(); ++y) sink.PutZeros(rowLength);
}

bool SaveRaw(const TPVBitmap& bitmap, RawSink& sink) {
  const int32_t width = bitmap.GetWidth();  // syncs a device bitmap first
  const int32_t height = bitmap.Height;
  const TPVPixelFormat format = bitmap.Format;
  const int32_t alignment = IsValidRowAlignment(bitmap.RowAlignment) ? bitmap.RowAlignment : 32;
  const int64_t rowLength = std::max<int64_t>(0, CalcRowLength(width, PixelFormatBits[format], alignment));
  const int32_t paletteLength = bitmap.Palette ? bitmap.PaletteLength : 0;

  std::vector<uint8_t> header(kRawBitmapSignature, kRawBitmapSignature + 12);
  PutInt32(header, 0);
  PutInt32(header, paletteLength);
  header.insert(header.end(), bitmap.Palette.get(), bitmap.Palette.get() + 3 * paletteLength);
  PutInt32(header, width);
  PutInt32(header, height);
  header.push_back(format);
  header.push_back(bitmap.Opaque ? 1 : 0);
  PutInt32(header, bitmap.PaletteColorsUsed);
  PutDouble(header, bitmap.BlackLevel);
  PutDouble(header, bitmap.WhiteLevel);
  for (int32_t shift : bitmap.ChannelShift) PutInt32(header, shift);
  header.push_back(bitmap.ChannelShiftEnabled ? 1 : 0);
  PutInt32(header, bitmap.DisplayContrast);
  PutInt32(header, alignment);
  sink.Put(header.data(), static_cast<int64_t>(header.size()));

  if (sink.Stream()) {
    sink.Flush();
    Preallocate(sink.Stream(), rowLength * height);
  }
  PutRows(sink, bitmap, height, rowLength);

  const TPVBitmap* plane = bitmap.AlphaBitmap.get();
  const uint8_t flag = plane ? 1 : 0;
  sink.Put(&flag, 1);
  if (!plane) {
    sink.Flush();
    return !sink.Failed();
  }
  const int64_t alphaRowLength = std::max<int64_t>(0, CalcRowLength(width, 8, 32));
  if (sink.Stream()) {
    sink.Flush();
    Preallocate(sink.Stream(), alphaRowLength * height);
  }
  PutRows(sink, *plane, height, alphaRowLength);
  const uint8_t planeOpaque = plane->Opaque ? 1 : 0;
  sink.Put(&planeOpaque, 1);
  sink.Flush();
  return !sink.Failed();
}

// Reads rows of the stored length into the bitmap's rows (cut to or padded up to its length).
bool GetRows(TPVByteReader& source, TPVBitmap& bitmap, int32_t rows, int64_t rowLength) {
  TPVDataAccessScope writeOnly(bitmap, pvdWrite);
  const int64_t kept = std::min<int64_t>(rowLength, bitmap.RowBytes);
  for (int32_t y = 0; y < rows; ++y) {
    uint8_t* line = bitmap.GetScanline(y);
    if (!line) return false;
    if (!source.Read(line, kept) || !source.Skip(rowLength - kept)) return false;
    if (kept < bitmap.RowBytes) std::memset(line + kept, 0, static_cast<size_t>(bitmap.RowBytes - kept));
  }
  return true;
}

// The fields from Width to RowAlignment, as stored.
struct RawFields {
  int32_t Width = 0;
  int32_t Height = 0;
  uint8_t Format = 0;
  bool Opaque = false;
  int32_t PaletteColorsUsed = 0;
  double BlackLevel = 0;
  double WhiteLevel = 0;
  int32_t ChannelShift[4] = {};
  bool ChannelShiftEnabled = false;
  int32_t DisplayContrast = 0;
  int32_t RowAlignment = 0;
};

RawFields GetFields(TPVByteReader& source) {
  RawFields fields;
  fields.Width = source.ReadLE<int32_t>();
  fields.Height = source.ReadLE<int32_t>();
  fields.Format = source.ReadByte();
  fields.Opaque = source.ReadByte() != 0;
  fields.PaletteColorsUsed = source.ReadLE<int32_t>();
  fields.BlackLevel = source.ReadLE<double>();
  fields.WhiteLevel = source.ReadLE<double>();
  for (int32_t& shift : fields.ChannelShift) shift = source.ReadLE<int32_t>();
  fields.ChannelShiftEnabled = source.ReadByte() != 0;
  fields.DisplayContrast = source.ReadLE<int32_t>();
  fields.RowAlignment = source.ReadLE<int32_t>();
  return fields;
}

bool LoadRaw(TPVBitmap& bitmap, TPVByteReader& source) {
  char signature[12];
  if (!source.Read(signature, 12) || std::memcmp(signature, kRawBitmapSignature, 12) != 0)
    return false;
  const int32_t version = source.ReadLE<int32_t>();
  if (source.Failed() || version < 0) return false;
  const int32_t paletteLength = source.ReadLE<int32_t>();
  if (source.Failed() || paletteLength < 0 || paletteLength > kRawBitmapMaxPalette) return false;
  std::vector<uint8_t> palette(static_cast<size_t>(paletteLength) * 3);
  if (!source.Read(palette.data(), static_cast<int64_t>(palette.size()))) return false;
  const RawFields fields = GetFields(source);
  if (source.Failed()) return false;

  const int32_t width = fields.Width;
  const int32_t height = fields.Height;
  const uint8_t format = fields.Format;
  const int32_t alignment = fields.RowAlignment;
  if (width < 0 || height < 0 || format >= PixelFormatCount || !IsValidRowAlignment(alignment))
    return false;
  const bool hasPixels = width > 0 && height > 0;
  if (hasPixels && format == pvNoFormat) return false;
  int64_t rowLength = 0;
  if (hasPixels) {
    rowLength = CalcRowLength(width, PixelFormatBits[format], alignment);
    if (rowLength < 1 || rowLength > INT32_MAX) return false;
    // The rows and the alpha flag must be there before any storage is asked for.
    if (rowLength > (source.Left() - 1) / height) return false;
  }

  TPVBitmap loaded;
  loaded.Location = bitmap.Location;
  // A device bitmap holds only these formats (pv16g would shrink to 8 bits); the others load
  // into memory instead of being refused or cut.
  if (hasPixels && loaded.Location == pvTBitmap && format != pv1g && format != pv8p && format != pv8g &&
      format != pv24RGB && format != pv32RGB)
    loaded.Location = pvMemory;
  loaded.FileThreshold = bitmap.FileThreshold;
  loaded.Allocator = bitmap.Allocator;
  loaded.DitherMethod = bitmap.DitherMethod;
  loaded.IsAlphaPlane = bitmap.IsAlphaPlane;
  loaded.SetBitAlignment(alignment);
  const bool allocated = loaded.Allocate(width, height, static_cast<TPVPixelFormat>(format));
  if (hasPixels && (!allocated || loaded.Format != format)) return false;
  loaded.Opaque = fields.Opaque;
  loaded.PaletteColorsUsed = fields.PaletteColorsUsed;
  loaded.BlackLevel = fields.BlackLevel;
  loaded.WhiteLevel = fields.WhiteLevel;
  std::copy(fields.ChannelShift, fields.ChannelShift + 4, loaded.ChannelShift);
  loaded.ChannelShiftEnabled = fields.ChannelShiftEnabled;
  loaded.DisplayContrast = fields.DisplayContrast;
  for (int32_t i = 0; i < paletteLength; ++i)
    loaded.SetPaletteColor(i, TPVRGB{palette[3 * i], palette[3 * i + 1], palette[3 * i + 2]});

  if (hasPixels && !GetRows(source, loaded, height, rowLength)) return false;

  const uint8_t flag = source.ReadByte();
  if (source.Failed()) return false;
  if (flag != 0) {
    const int64_t alphaRowLength = hasPixels ? CalcRowLength(width, 8, 32) : 0;
    if (alphaRowLength > INT32_MAX || (height > 0 && alphaRowLength > (source.Left() - 1) / height))
      return false;
    if (hasPixels) {
      TPVBitmap* plane = loaded.GetAlphaChannel();
      if (!plane || !GetRows(source, *plane, height, alphaRowLength)) return false;
      plane->Opaque = source.ReadByte() != 0;
    } else {
      source.ReadByte();  // the plane's Opaque, without a plane to take it
    }
    if (source.Failed()) return false;
  }

  // Complete: the loaded image replaces the bitmap's own; its display settings go with it.
  loaded.MoveStorageTo(bitmap);
  bitmap.ForceReallocate = false;
  return true;
}

// What a stream or an allocation throws while loading refuses the load like bad data does: the
// image is built aside, so the bitmap is left as it was.
template <class Load>
bool LoadRawGuarded(Load&& load) {
  TPVProgressRecord progress;
  return RunInReaderBoundary(progress, load);
}

}  // namespace

bool TPVBitmap::SaveRawToStream(TStream* stream) const {
  if (!stream) return false;
  RawSink sink(stream);
  return SaveRaw(*this, sink);
}

bool TPVBitmap::SaveRawToStream(void* memory, int64_t capacity) const {
  RawSink sink(memory, capacity);
  return SaveRaw(*this, sink);
}

bool TPVBitmap::LoadRawFromStream(TStream* stream) {
  if (!stream) return false;
  return LoadRawGuarded([&] {
    TPVByteReader source(stream);
    return LoadRaw(*this, source);
  });
}

bool TPVBitmap::LoadRawFromStream(const void* memory, int64_t size) {
  return LoadRawGuarded([&] {
    TPVByteReader source(memory, size);
    return LoadRaw(*this, source);
  });
}

}  // namespace calmora
