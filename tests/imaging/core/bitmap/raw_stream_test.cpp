// The raw bitmap stream: its exact layout, byte-identical round trips for every format and
// storage with and without alpha, memory blocks, other alignments, and every kind of bad or
// truncated stream refused with the bitmap untouched.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "imaging/core/bitmap/bitmap.h"
#include "imaging/core/bitmap/raw_bitmap_stream.h"
#include "imaging/base/streams/streams.h"
#include "imaging/base/row_bits.h"
#include "tests/imaging/support/bitmap_patterns.h"

namespace calmora {
namespace {

using test::BlockLimitScope;
using test::PixelBytes;
using test::Prepare;
using test::ReadRows;
using test::Storage;
using test::StorageOf;
using test::TempFolderScope;
using test::WritePattern;

std::vector<uint8_t> Saved(TPVBitmap& bitmap) {
  TMemoryStream stream;
  EXPECT_TRUE(bitmap.SaveRawToStream(&stream));
  const auto* bytes = static_cast<const uint8_t*>(stream.GetMemory());
  return std::vector<uint8_t>(bytes, bytes + stream.GetSize());
}

bool Load(TPVBitmap& bitmap, const std::vector<uint8_t>& bytes) {
  TPVMemStream stream(bytes.data(), static_cast<int64_t>(bytes.size()));
  return bitmap.LoadRawFromStream(&stream);
}

int32_t Int32At(const std::vector<uint8_t>& bytes, size_t at) {
  int32_t value;
  std::memcpy(&value, bytes.data() + at, 4);
  return value;
}

void PutInt32(std::vector<uint8_t>& bytes, size_t at, int32_t value) {
  std::memcpy(bytes.data() + at, &value, 4);
}

class RawStream : public ::testing::Test {
 protected:
  TempFolderScope temp_;
};

TEST_F(RawStream, LayoutOfASmallColourImage) {
  TPVBitmap bitmap(3, 2, pv24RGB);
  WritePattern(bitmap, 1);
  bitmap.Opaque = true;
  bitmap.PaletteColorsUsed = 77;
  bitmap.BlackLevel = 0.25;
  bitmap.WhiteLevel = 1.5;
  bitmap.ChannelShift[0] = -3;
  bitmap.ChannelShift[3] = 9;
  bitmap.ChannelShiftEnabled = true;
  bitmap.DisplayContrast = 12;
  const auto bytes = Saved(bitmap);
  ASSERT_EQ(bytes.size(), 100u);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 12), "TPVBITMAPRAW");
  EXPECT_EQ(Int32At(bytes, 12), 0);
  EXPECT_EQ(Int32At(bytes, 16), 0);
  EXPECT_EQ(Int32At(bytes, 20), 3);
  EXPECT_EQ(Int32At(bytes, 24), 2);
  EXPECT_EQ(bytes[28], pv24RGB);
  EXPECT_EQ(bytes[29], 1);
  EXPECT_EQ(Int32At(bytes, 30), 77);
  double level;
  std::memcpy(&level, bytes.data() + 34, 8);
  EXPECT_EQ(level, 0.25);
  std::memcpy(&level, bytes.data() + 42, 8);
  EXPECT_EQ(level, 1.5);
  EXPECT_EQ(Int32At(bytes, 50), -3);
  EXPECT_EQ(Int32At(bytes, 62), 9);
  EXPECT_EQ(bytes[66], 1);
  EXPECT_EQ(Int32At(bytes, 67), 12);
  EXPECT_EQ(Int32At(bytes, 71), 32);
  for (int32_t y = 0; y < 2; ++y)  // top row first, alignment bytes included
    for (int32_t i = 0; i < 12; ++i) EXPECT_EQ(bytes[75 + y * 12 + i], test::PatternByte(y, i, 1));
  EXPECT_EQ(bytes[99], 0) << "no alpha plane";

  TPVBitmap loaded;
  ASSERT_TRUE(Load(loaded, bytes));
  EXPECT_EQ(loaded.PaletteColorsUsed, 77);
  EXPECT_EQ(loaded.WhiteLevel, 1.5);
  EXPECT_EQ(loaded.ChannelShift[0], -3);
  EXPECT_TRUE(loaded.ChannelShiftEnabled);
  EXPECT_EQ(loaded.DisplayContrast, 12);
  EXPECT_TRUE(loaded.Opaque);
  EXPECT_FALSE(loaded.ForceReallocate);
}

TEST_F(RawStream, PaletteComesBackAndShiftsTheFields) {
  TPVBitmap bitmap(5, 3, pv8p);
  for (int32_t i = 0; i < 256; ++i)
    bitmap.SetPaletteColor(i, TPVRGB{uint8_t(i), uint8_t(i ^ 0x55), uint8_t(255 - i)});
  WritePattern(bitmap, 2);
  const auto bytes = Saved(bitmap);
  EXPECT_EQ(Int32At(bytes, 16), 256);
  EXPECT_EQ(Int32At(bytes, 20 + 768), 5);
  TPVBitmap loaded;
  ASSERT_TRUE(Load(loaded, bytes));
  ASSERT_EQ(loaded.GetPaletteLen(), 256);
  for (int32_t i = 0; i < 256; ++i) EXPECT_EQ(loaded.GetPaletteColor(i), bitmap.GetPaletteColor(i));
  EXPECT_EQ(ReadRows(loaded), ReadRows(bitmap));
}

TEST_F(RawStream, MemoryBlocksHoldTheSameBytes) {
  TPVBitmap bitmap(9, 4, pv16g);
  WritePattern(bitmap, 3);
  ASSERT_NE(bitmap.GetAlphaChannel(), nullptr);
  const auto bytes = Saved(bitmap);
  std::vector<uint8_t> block(bytes.size());
  ASSERT_TRUE(bitmap.SaveRawToStream(block.data(), static_cast<int64_t>(block.size())));
  EXPECT_EQ(block, bytes);
  std::vector<uint8_t> small(bytes.size() - 1);
  EXPECT_FALSE(bitmap.SaveRawToStream(small.data(), static_cast<int64_t>(small.size())));
  TPVBitmap loaded;
  ASSERT_TRUE(loaded.LoadRawFromStream(block.data(), static_cast<int64_t>(block.size())));
  EXPECT_EQ(Saved(loaded), bytes);
  EXPECT_FALSE(loaded.LoadRawFromStream(block.data(), static_cast<int64_t>(block.size()) - 1));
}

TEST_F(RawStream, ShortStreamWritesAreReported) {
  TPVBitmap bitmap(9, 4, pv24RGB);
  std::vector<uint8_t> tooSmall(50);
  TPVMemStream readOnly(tooSmall.data(), 50);  // takes no bytes at all
  EXPECT_FALSE(bitmap.SaveRawToStream(&readOnly));
  TNulStream counter;
  EXPECT_TRUE(bitmap.SaveRawToStream(&counter));
  EXPECT_EQ(counter.GetSize(), 75 + 28 * 4 + 1);
}

TEST_F(RawStream, FileStreamsGetTheRowsInPlace) {
  // A file stream moves its position when it grows ahead of the rows; the rows must still
  // follow the header.
  TPVBitmap bitmap(40, 30, pv24RGB);
  WritePattern(bitmap, 4);
  ASSERT_NE(bitmap.GetAlphaChannel(), nullptr);
  const auto expected = Saved(bitmap);
  const std::string name = temp_.Folder() + "/raw.bin";
  {
    TFileStream file(name, fmCreate);
    ASSERT_TRUE(bitmap.SaveRawToStream(&file));
    EXPECT_EQ(file.GetSize(), static_cast<int64_t>(expected.size()));
  }
  TFileStream file(name, fmOpenRead);
  TPVBitmap loaded;
  ASSERT_TRUE(loaded.LoadRawFromStream(&file));
  EXPECT_EQ(Saved(loaded), expected);
}

TEST_F(RawStream, OtherAlignmentsReloadUnsheared) {
  for (Storage storage : {Storage::MemoryBlock, Storage::File, Storage::Device}) {
    TPVBitmap bitmap;
    bitmap.SetBitAlignment(8);
    ASSERT_TRUE(bitmap.Allocate(7, 5, pv24RGB));
    WritePattern(bitmap, 5);
    const auto bytes = Saved(bitmap);
    EXPECT_EQ(Int32At(bytes, 71), 8);
    EXPECT_EQ(bytes.size(), 75u + 21 * 5 + 1);
    TPVBitmap loaded;
    Prepare(loaded, storage);
    ASSERT_TRUE(Load(loaded, bytes)) << test::StorageName(storage);
    EXPECT_EQ(StorageOf(loaded), storage);
    EXPECT_EQ(ReadRows(loaded, 21), ReadRows(bitmap, 21)) << test::StorageName(storage);
  }
}

TEST_F(RawStream, FormatsADeviceBitmapCannotHoldLoadIntoMemory) {
  for (TPVPixelFormat format : {pv16g, pv32f, pvCMYK, pvRGB48, pvCIELab}) {
    TPVBitmap bitmap(6, 3, format);
    WritePattern(bitmap, 9);
    const auto bytes = Saved(bitmap);
    TPVBitmap loaded;
    loaded.Location = pvTBitmap;
    ASSERT_TRUE(Load(loaded, bytes)) << int(format);
    EXPECT_EQ(loaded.Format, format) << "not narrowed to what a device bitmap holds";
    EXPECT_NE(loaded.Location, pvTBitmap);
    EXPECT_EQ(ReadRows(loaded), ReadRows(bitmap)) << int(format);
  }
}

TEST_F(RawStream, RefusesOtherSignaturesAndNegativeVersions) {
  TPVBitmap source(4, 4, pv8g);
  WritePattern(source, 6);
  auto bytes = Saved(source);
  TPVBitmap bitmap(2, 2, pv24RGB);
  WritePattern(bitmap, 7);
  const auto before = Saved(bitmap);

  auto wrongSignature = bytes;
  wrongSignature[11] = 'X';
  EXPECT_FALSE(Load(bitmap, wrongSignature));
  auto negative = bytes;
  PutInt32(negative, 12, -1);
  EXPECT_FALSE(Load(bitmap, negative));
  EXPECT_EQ(Saved(bitmap), before);
  auto newer = bytes;
  PutInt32(newer, 12, 7);
  EXPECT_TRUE(Load(bitmap, newer)) << "any version from 0 on is read";
}

TEST_F(RawStream, RefusesFieldsOutOfBounds) {
  TPVBitmap source(4, 4, pv8g);
  WritePattern(source, 8);
  const auto bytes = Saved(source);
  struct Change {
    const char* what;
    size_t at;
    int32_t value;
  };
  const Change changes[] = {
      {"palette above 256", 16, 257},   {"negative palette", 16, -1},
      {"negative width", 20, -4},       {"negative height", 24, -4},
      {"width past the data", 20, 5},   {"height past the data", 24, 1 << 30},
      {"huge width", 20, INT32_MAX},    {"alignment 0", 71, 0},
      {"alignment 12", 71, 12},         {"alignment 4", 71, 4},
      {"huge alignment", 71, 1 << 20},
  };
  TPVBitmap bitmap(3, 3, pv24RGB);
  WritePattern(bitmap, 9);
  const auto before = Saved(bitmap);
  for (const Change& change : changes) {
    auto bad = bytes;
    PutInt32(bad, change.at, change.value);
    EXPECT_FALSE(Load(bitmap, bad)) << change.what;
  }
  auto format = bytes;
  format[28] = 11;
  EXPECT_FALSE(Load(bitmap, format)) << "format 11";
  format[28] = pvNoFormat;
  EXPECT_FALSE(Load(bitmap, format)) << "pixels without a format";
  EXPECT_EQ(Saved(bitmap), before);
}

TEST_F(RawStream, EveryTruncationIsRefusedAndChangesNothing) {
  TPVBitmap source(6, 3, pv8p);
  WritePattern(source, 10);
  ASSERT_NE(source.GetAlphaChannel(), nullptr);
  const auto bytes = Saved(source);
  TPVBitmap bitmap(2, 2, pv16g);
  WritePattern(bitmap, 11);
  const auto before = Saved(bitmap);
  for (size_t length = 0; length < bytes.size(); ++length) {
    const std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + length);
    ASSERT_FALSE(Load(bitmap, cut)) << length;
  }
  EXPECT_EQ(Saved(bitmap), before);
  EXPECT_TRUE(Load(bitmap, bytes));
  EXPECT_EQ(Saved(bitmap), bytes);
}

TEST_F(RawStream, MemoryBlocksRefuseEveryTruncationAsStreamsDo) {
  TPVBitmap source(5, 2, pv24RGB);
  WritePattern(source, 14);
  ASSERT_NE(source.GetAlphaChannel(), nullptr);
  const auto bytes = Saved(source);
  TPVBitmap bitmap(2, 2, pv8g);
  WritePattern(bitmap, 15);
  const auto before = Saved(bitmap);
  for (size_t length = 0; length < bytes.size(); ++length)
    ASSERT_FALSE(bitmap.LoadRawFromStream(bytes.data(), static_cast<int64_t>(length))) << length;
  EXPECT_EQ(Saved(bitmap), before);
  EXPECT_FALSE(bitmap.LoadRawFromStream(nullptr, static_cast<int64_t>(bytes.size())));
  EXPECT_TRUE(bitmap.LoadRawFromStream(bytes.data(), static_cast<int64_t>(bytes.size())));
  EXPECT_EQ(Saved(bitmap), bytes);
}

// A stream over a block that hands over at most Limit bytes per Read, or throws EReadError
// once ThrowAt bytes have gone.
class AwkwardStream : public TStream {
 public:
  AwkwardStream(const std::vector<uint8_t>& bytes, int32_t limit, int64_t throwAt)
      : bytes_(bytes), limit_(limit), throwAt_(throwAt) {}
  int32_t Read(void* buffer, int32_t count) override {
    if (position_ >= throwAt_) throw EReadError("Stream read error");
    const auto n = static_cast<int32_t>(
        std::min<int64_t>({count, limit_, static_cast<int64_t>(bytes_.size()) - position_}));
    if (n <= 0) return 0;
    std::memcpy(buffer, bytes_.data() + position_, static_cast<size_t>(n));
    position_ += n;
    return n;
  }
  int32_t Write(const void*, int32_t) override { return 0; }
  int64_t Seek(int64_t offset, TSeekOrigin origin) override {
    if (origin == soBeginning) position_ = offset;
    if (origin == soCurrent) position_ += offset;
    if (origin == soEnd) position_ = static_cast<int64_t>(bytes_.size()) + offset;
    return position_;
  }

 private:
  const std::vector<uint8_t>& bytes_;
  int64_t limit_;
  int64_t throwAt_;
  int64_t position_ = 0;
};

TEST_F(RawStream, StreamsThatFailMidwayAreRefusedAndChangeNothing) {
  TPVBitmap source(30, 20, pv24RGB);
  WritePattern(source, 16);
  const auto bytes = Saved(source);
  TPVBitmap bitmap(3, 3, pv8g);
  WritePattern(bitmap, 17);
  const auto before = Saved(bitmap);
  const int64_t all = static_cast<int64_t>(bytes.size());
  struct Case {
    const char* what;
    int32_t limit;
    int64_t throwAt;
  };
  const Case cases[] = {
      {"short reads", 50, INT64_MAX},
      {"throws in the header", INT32_MAX, 10},
      {"throws in the rows", INT32_MAX, 200},
      {"throws at the alpha flag", INT32_MAX, all - 1},
  };
  for (const Case& c : cases) {
    AwkwardStream stream(bytes, c.limit, c.throwAt);
    bool loaded = true;
    EXPECT_NO_THROW(loaded = bitmap.LoadRawFromStream(&stream)) << c.what;
    EXPECT_FALSE(loaded) << c.what;
    EXPECT_EQ(Saved(bitmap), before) << c.what;
  }
  AwkwardStream whole(bytes, INT32_MAX, INT64_MAX);
  EXPECT_TRUE(bitmap.LoadRawFromStream(&whole));
  EXPECT_EQ(Saved(bitmap), bytes);
}

TEST_F(RawStream, AStreamIsReadFromItsPosition) {
  TPVBitmap source(4, 3, pv8g);
  WritePattern(source, 18);
  const auto bytes = Saved(source);
  std::vector<uint8_t> prefixed(7, 0xEE);
  prefixed.insert(prefixed.end(), bytes.begin(), bytes.end());
  TPVMemStream stream(prefixed.data(), static_cast<int64_t>(prefixed.size()));
  stream.SetPosition(7);
  TPVBitmap loaded;
  ASSERT_TRUE(loaded.LoadRawFromStream(&stream));
  EXPECT_EQ(Saved(loaded), bytes);
  EXPECT_EQ(stream.GetPosition(), static_cast<int64_t>(prefixed.size()));
}

TEST_F(RawStream, EmptyBitmapsRoundTrip) {
  TPVBitmap empty;
  const auto bytes = Saved(empty);
  EXPECT_EQ(bytes.size(), 76u);
  TPVBitmap bitmap(3, 3, pv8g);
  ASSERT_TRUE(Load(bitmap, bytes));
  EXPECT_TRUE(bitmap.IsEmpty());
  TPVBitmap device;
  device.Location = pvTBitmap;
  ASSERT_TRUE(Load(device, bytes));
  EXPECT_EQ(device.Location, pvTBitmap) << "an empty image keeps the location asked for";
}

using Case = std::tuple<TPVPixelFormat, Storage, bool>;

class RawStreamRoundTrip : public ::testing::TestWithParam<Case> {
 protected:
  TempFolderScope temp_;
  BlockLimitScope blockLimit_{bitmap_testing::SingleBlockLimit,
                              std::get<1>(GetParam()) == Storage::Fragments ? 0 : -1};
};

TEST_P(RawStreamRoundTrip, SavesAndLoadsByteIdentical) {
  const auto [format, storage, withAlpha] = GetParam();
  TPVBitmap bitmap;
  Prepare(bitmap, storage);
  if (!bitmap.Allocate(11, 7, format)) {
    ASSERT_EQ(storage, Storage::Device) << "only device bitmaps refuse formats";
    GTEST_SKIP();
  }
  WritePattern(bitmap, 12);
  if (bitmap.Format == pv8p)
    for (int32_t i = 0; i < 256; ++i) bitmap.SetPaletteColor(i, TPVRGB{uint8_t(i), 1, uint8_t(~i)});
  if (withAlpha) {
    ASSERT_NE(bitmap.GetAlphaChannel(), nullptr);
    WritePattern(*bitmap.AlphaBitmap, 13);
  }
  const auto bytes = Saved(bitmap);
  const int64_t rowLength = CalcRowLength(11, PixelFormatBits[bitmap.Format], 32);
  const int64_t alphaBytes = withAlpha ? 12 * 7 + 1 : 0;
  EXPECT_EQ(static_cast<int64_t>(bytes.size()),
            75 + 3 * bitmap.PaletteLength + rowLength * 7 + 1 + alphaBytes);

  TPVBitmap loaded;
  Prepare(loaded, storage);
  ASSERT_TRUE(Load(loaded, bytes));
  EXPECT_EQ(StorageOf(loaded), storage);
  EXPECT_EQ(loaded.Format, bitmap.Format);
  EXPECT_EQ(loaded.HasAlphaChannel(), withAlpha);
  EXPECT_EQ(ReadRows(loaded), ReadRows(bitmap));
  EXPECT_EQ(Saved(loaded), bytes);
}

std::string CaseName(const ::testing::TestParamInfo<Case>& info) {
  return "format" + std::to_string(std::get<0>(info.param)) + "_" +
         test::StorageName(std::get<1>(info.param)) +
         (std::get<2>(info.param) ? "_alpha" : "_plain");
}

INSTANTIATE_TEST_SUITE_P(AllFormatsAndStorages, RawStreamRoundTrip,
                         ::testing::Combine(::testing::Values(pv1g, pv8p, pv8g, pv16g, pv24RGB,
                                                              pv32f, pvCMYK, pvRGB48, pvCIELab,
                                                              pv32RGB),
                                            ::testing::Values(Storage::MemoryBlock,
                                                              Storage::Fragments, Storage::File,
                                                              Storage::Device),
                                            ::testing::Bool()),
                         CaseName);

// ---- The stored row alignment ----
// Rows are cut to or padded up to the loaded bitmap's own length, so a reader that ignored the
// stored alignment would still hand back the right pixels: what the loaded bitmap keeps, and
// what it saves again, are compared with a model of the row length instead.

// Bits per pixel of each format, and the row length for an alignment in bits: the width's bits
// rounded up to a whole number of alignment units.
int64_t ModelRowBytes(int32_t width, TPVPixelFormat format, int32_t alignment) {
  constexpr int32_t bits[] = {0, 1, 8, 8, 16, 24, 32, 32, 48, 24, 32};
  const int64_t used = int64_t{width} * bits[format];
  return (used + alignment - 1) / alignment * (alignment / 8);
}

TEST(RawStreamAlignment, LoadedBitmapsKeepTheStoredAlignment) {
  TempFolderScope temp;
  const int32_t alignments[] = {8, 16, 24, 32, 40, 64, 136, 256, 2048};
  const int32_t widths[] = {1, 7, 13, 33};
  int checked = 0;
  for (int f = pv1g; f <= pv32RGB; ++f)
    for (int32_t alignment : alignments)
      for (int32_t width : widths)
        for (Storage storage : {Storage::MemoryBlock, Storage::Fragments, Storage::File}) {
          const auto format = static_cast<TPVPixelFormat>(f);
          BlockLimitScope blockLimit(bitmap_testing::SingleBlockLimit,
                                     storage == Storage::Fragments ? 0 : -1);
          const int32_t height = 3;
          TPVBitmap bitmap;
          ASSERT_TRUE(bitmap.SetBitAlignment(alignment));
          ASSERT_TRUE(bitmap.Allocate(width, height, format));
          WritePattern(bitmap, alignment + width);
          const int64_t rowBytes = ModelRowBytes(width, format, alignment);
          ASSERT_EQ(bitmap.RowBytes, rowBytes) << "format " << f << " alignment " << alignment;
          const auto bytes = Saved(bitmap);
          const size_t fields = 20 + 3 * size_t(bitmap.Palette ? bitmap.PaletteLength : 0);
          ASSERT_EQ(Int32At(bytes, fields + 51), alignment);
          ASSERT_EQ(int64_t(bytes.size()), int64_t(fields) + 55 + rowBytes * height + 1);

          TPVBitmap loaded;
          Prepare(loaded, storage);
          ASSERT_TRUE(Load(loaded, bytes));
          const std::string where = "format " + std::to_string(f) + " alignment " +
                                    std::to_string(alignment) + " width " +
                                    std::to_string(width) + " " +
                                    test::StorageName(storage);
          EXPECT_EQ(StorageOf(loaded), storage) << where;
          EXPECT_EQ(loaded.RowAlignment, alignment) << where;
          EXPECT_EQ(loaded.RowBytes, rowBytes) << where;
          EXPECT_EQ(ReadRows(loaded), ReadRows(bitmap)) << where;  // padding bytes included
          EXPECT_EQ(Saved(loaded), bytes) << where;
          ++checked;
        }
  EXPECT_EQ(checked, 10 * 9 * 4 * 3);
}

TEST(RawStreamAlignment, DeviceBitmapsTakeTheStoredRowsIntoTheirOwnLength) {
  // A device bitmap's rows are always 32-bit aligned: the stored rows are cut or padded to it.
  for (TPVPixelFormat format : {pv1g, pv8g, pv24RGB, pv32RGB})
    for (int32_t alignment : {8, 64, 2048}) {
      TPVBitmap bitmap;
      ASSERT_TRUE(bitmap.SetBitAlignment(alignment));
      ASSERT_TRUE(bitmap.Allocate(13, 4, format));
      WritePattern(bitmap, 14);
      TPVBitmap loaded;
      Prepare(loaded, Storage::Device);
      ASSERT_TRUE(Load(loaded, Saved(bitmap)));
      ASSERT_EQ(StorageOf(loaded), Storage::Device);
      EXPECT_EQ(loaded.RowBytes, ModelRowBytes(13, format, 32)) << int(format) << " " << alignment;
      const auto kept = static_cast<int32_t>(std::min(ModelRowBytes(13, format, alignment),
                                                      ModelRowBytes(13, format, 32)));
      EXPECT_EQ(ReadRows(loaded, kept), ReadRows(bitmap, kept)) << int(format) << " " << alignment;
    }
}

}  // namespace
}  // namespace calmora
