// The abstract stream's helpers and the memory streams: TMemoryStream growth and seeking,
// TPVMemStream reading a caller's block in place without ever writing or freeing it.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <numeric>
#include <vector>

#include "imaging/base/streams/streams.h"

namespace calmora {
namespace {

TEST(PVMemStream, ReadsCallersBlockInPlace) {
  uint8_t block[6] = {1, 2, 3, 4, 5, 6};
  TPVMemStream stream(block, sizeof block);
  EXPECT_EQ(stream.GetMemory(), static_cast<void*>(block));
  EXPECT_EQ(stream.GetSize(), 6);
  uint8_t out[4];
  EXPECT_EQ(stream.Read(out, 4), 4);
  EXPECT_EQ(out[3], 4);
  EXPECT_EQ(stream.Read(out, 4), 2);
  EXPECT_EQ(out[1], 6);
  EXPECT_EQ(stream.Read(out, 4), 0);
  EXPECT_EQ(stream.Seek(-2, soEnd), 4);  // memory streams count from the end forwards
  EXPECT_EQ(stream.Seek(1, soCurrent), 5);
  EXPECT_EQ(stream.Seek(3, soBeginning), 3);
  EXPECT_EQ(stream.Seek(100, static_cast<TSeekOrigin>(7)), 3);
}

TEST(PVMemStream, WritesNothingAndKeepsItsSize) {
  uint8_t block[4] = {9, 9, 9, 9};
  {
    TPVMemStream stream(block, sizeof block);
    uint8_t data[2] = {1, 2};
    EXPECT_EQ(stream.Write(data, 2), 0);
    stream.SetSize(100);
    EXPECT_EQ(stream.GetSize(), 4);
    bool failed = false;
    SafeStreamWrite(&stream, failed, data, 2);
    EXPECT_TRUE(failed);
    EXPECT_THROW(stream.WriteBuffer(data, 2), EWriteError);
    stream.Clear();  // must not free the caller's block
    EXPECT_EQ(stream.GetSize(), 0);
    TMemoryStream other;
    other.Write(data, 2);
    EXPECT_THROW(stream.LoadFromStream(&other), EWriteError);
  }
  // The stream is gone; the block (on the stack) was never freed or written.
  EXPECT_EQ(block[0], 9);
  EXPECT_EQ(block[3], 9);
}

TEST(PVMemStream, LoadFromStreamNeverWritesTheCallersBlock) {
  // Equal sizes used to slip past the size check and overwrite the read-only block.
  const uint8_t block[2] = {9, 9};
  TPVMemStream stream(block, sizeof block);
  uint8_t data[2] = {1, 2};
  TMemoryStream other;
  other.Write(data, 2);
  EXPECT_THROW(stream.LoadFromStream(&other), EWriteError);
  EXPECT_EQ(block[0], 9);
  EXPECT_EQ(block[1], 9);
  EXPECT_EQ(stream.GetSize(), 2);
}

TEST(MemoryStream, SeekBeyondTheRangeKeepsThePosition) {
  // Offsets read from damaged files: no wrap-around (and no undefined overflow).
  uint8_t block[4] = {1, 2, 3, 4};
  TPVMemStream stream(block, sizeof block);
  const int64_t far = std::numeric_limits<int64_t>::max() - 1;
  EXPECT_EQ(stream.Seek(far, soBeginning), far);
  EXPECT_EQ(stream.Seek(10, soCurrent), far);
  uint8_t out[2];
  EXPECT_EQ(stream.Read(out, 2), 0);
  EXPECT_EQ(stream.Seek(2, soBeginning), 2);
  EXPECT_EQ(stream.Seek(std::numeric_limits<int64_t>::max(), soCurrent), 2);
  EXPECT_EQ(stream.Seek(std::numeric_limits<int64_t>::max(), soEnd), 2);
  EXPECT_EQ(stream.Seek(-1, soEnd), 3);
  EXPECT_EQ(stream.Read(out, 2), 1);
  EXPECT_EQ(out[0], 4);
}

TEST(MemoryStream, WriteGrowsAndReadsBack) {
  TMemoryStream stream;
  std::vector<uint8_t> data(100000);
  std::iota(data.begin(), data.end(), 0);
  for (size_t i = 0; i < data.size(); i += 1000) {
    ASSERT_EQ(stream.Write(data.data() + i, 1000), 1000);
  }
  EXPECT_EQ(stream.GetSize(), 100000);
  EXPECT_GE(stream.GetCapacity(), 100000);
  EXPECT_EQ(stream.GetCapacity() % 8192, 0);
  EXPECT_EQ(std::memcmp(stream.GetMemory(), data.data(), data.size()), 0);
  stream.SetPosition(500);
  uint8_t b;
  stream.ReadBuffer(&b, 1);
  EXPECT_EQ(b, static_cast<uint8_t>(500));
}

TEST(MemoryStream, WritePastEndFillsGapWithZeros) {
  TMemoryStream stream;
  uint8_t one = 1;
  stream.Write(&one, 1);
  stream.Seek(4, soCurrent);
  stream.Write(&one, 1);
  ASSERT_EQ(stream.GetSize(), 6);
  const auto* bytes = static_cast<const uint8_t*>(stream.GetMemory());
  for (int i = 1; i < 5; ++i) EXPECT_EQ(bytes[i], 0);
  EXPECT_EQ(bytes[5], 1);
}

TEST(MemoryStream, NegativePositionTransfersNothing) {
  TMemoryStream stream;
  uint8_t data[3] = {1, 2, 3};
  stream.Write(data, 3);
  EXPECT_EQ(stream.Seek(-10, soBeginning), -10);
  EXPECT_EQ(stream.Read(data, 3), 0);
  EXPECT_EQ(stream.Write(data, 3), 0);
  EXPECT_EQ(stream.GetSize(), 3);
}

TEST(MemoryStream, SetSizeMovesPositionBackToNewEnd) {
  TMemoryStream stream;
  std::vector<uint8_t> data(50, 7);
  stream.Write(data.data(), 50);
  stream.SetSize(20);
  EXPECT_EQ(stream.GetPosition(), 20);
  stream.SetPosition(5);
  stream.SetSize(30);
  EXPECT_EQ(stream.GetPosition(), 5);
  stream.Clear();
  EXPECT_EQ(stream.GetSize(), 0);
  EXPECT_EQ(stream.GetMemory(), nullptr);
}

TEST(Stream, ReadBufferRaisesOnShortRead) {
  uint8_t block[3] = {1, 2, 3};
  TPVMemStream stream(block, 3);
  uint8_t out[4];
  EXPECT_THROW(stream.ReadBuffer(out, 4), EReadError);
  try {
    stream.SetPosition(0);
    stream.ReadBuffer(out, 4);
  } catch (const EStreamError& error) {
    EXPECT_STREQ(error.what(), "Stream read error");
  }
  stream.ReadBuffer(out, 0);  // nothing asked, nothing raised
}

TEST(Stream, CopyFromWholeSourceAndPart) {
  std::vector<uint8_t> data(200000);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 31);
  TPVMemStream source(data.data(), static_cast<int64_t>(data.size()));
  source.SetPosition(1234);
  TMemoryStream target;
  EXPECT_EQ(target.CopyFrom(&source, 0), 200000);  // 0: all of it, from the start
  EXPECT_EQ(std::memcmp(target.GetMemory(), data.data(), data.size()), 0);
  source.SetPosition(10);
  TMemoryStream part;
  EXPECT_EQ(part.CopyFrom(&source, 5), 5);
  EXPECT_EQ(static_cast<const uint8_t*>(part.GetMemory())[0], data[10]);
  source.SetPosition(199990);
  EXPECT_THROW(part.CopyFrom(&source, 20), EReadError);
}

TEST(MemoryStream, LoadFromStreamAndSaveToStream) {
  std::vector<uint8_t> data(1000);
  std::iota(data.begin(), data.end(), 3);
  TPVMemStream source(data.data(), 1000);
  source.SetPosition(600);
  TMemoryStream stream;
  stream.LoadFromStream(&source);
  EXPECT_EQ(stream.GetSize(), 1000);
  TMemoryStream copy;
  stream.SaveToStream(&copy);
  EXPECT_EQ(std::memcmp(copy.GetMemory(), data.data(), 1000), 0);
}

TEST(NulStream, CountsLikeTheWriterWouldWrite) {
  TNulStream stream;
  uint8_t ten[10] = {};
  EXPECT_EQ(stream.Write(ten, 10), 10);
  EXPECT_EQ(stream.Seek(4, soBeginning), 4);
  EXPECT_EQ(stream.Write(ten, 2), 2);
  EXPECT_EQ(stream.GetPosition(), 6);
  EXPECT_EQ(stream.GetSize(), 10);
  stream.SetPosition(10);
  EXPECT_EQ(stream.Read(ten, 5), 5);
  EXPECT_EQ(stream.GetSize(), 15);
  EXPECT_EQ(stream.Seek(0, soEnd), 15);
  EXPECT_EQ(stream.Seek(3, soEnd), 12);  // counts back from the end
  EXPECT_EQ(stream.GetSize(), 15);
  EXPECT_EQ(stream.Seek(10, soCurrent), 22);
  EXPECT_EQ(stream.GetSize(), 22);
  EXPECT_EQ(stream.Seek(1, static_cast<TSeekOrigin>(9)), 22);
  EXPECT_EQ(stream.Write(nullptr, -4), 0);
  EXPECT_EQ(stream.GetPosition(), 22);
}

TEST(NulStream, TransferPastTheLargestPositionCountsNothing) {
  TNulStream stream;
  const int64_t near = std::numeric_limits<int64_t>::max() - 2;
  stream.Seek(near, soBeginning);
  uint8_t b[10] = {};
  EXPECT_EQ(stream.Write(b, 10), 0);
  EXPECT_EQ(stream.Read(b, 10), 0);
  EXPECT_EQ(stream.GetPosition(), near);
  EXPECT_EQ(stream.GetSize(), near);
  EXPECT_EQ(stream.Write(b, 2), 2);
  EXPECT_EQ(stream.GetPosition(), near + 2);
}

TEST(NulStream, MeasuresPastFourGigabytes) {
  TNulStream stream;
  stream.Seek(int64_t{5} << 30, soBeginning);
  uint8_t b = 0;
  stream.Write(&b, 1);
  EXPECT_EQ(stream.GetSize(), (int64_t{5} << 30) + 1);
}

}  // namespace
}  // namespace calmora
