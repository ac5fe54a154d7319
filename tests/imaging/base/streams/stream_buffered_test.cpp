// TPVBufferedReadStream: re-basing, reads served from the buffer, refills only when needed,
// the end counted back from the source's size, and sources beyond 2 and 4 GB.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "imaging/base/streams/streams.h"

namespace calmora {
namespace {

uint8_t PatternByte(int64_t position) { return static_cast<uint8_t>(position * 7 + position / 251); }

// A read-only stream of a given size whose bytes are computed from their position, counting the
// calls the buffered stream makes to it.
class PatternStream : public TStream {
 public:
  explicit PatternStream(int64_t size) : size_(size) {}
  int32_t Read(void* buffer, int32_t count) override {
    ++reads;
    readPositions.push_back(position_);
    if (count <= 0 || position_ < 0 || position_ >= size_) return 0;
    auto n = static_cast<int32_t>(std::min<int64_t>(count, size_ - position_));
    auto* out = static_cast<uint8_t*>(buffer);
    for (int32_t i = 0; i < n; ++i) out[i] = PatternByte(position_ + i);
    position_ += n;
    return n;
  }
  int32_t Write(const void*, int32_t) override { return 0; }
  int64_t Seek(int64_t offset, TSeekOrigin origin) override {
    if (origin == soBeginning) position_ = offset;
    if (origin == soCurrent) position_ += offset;
    if (origin == soEnd) position_ = size_ + offset;
    return position_;
  }
  void Grow(int64_t size) { size_ = size; }
  int reads = 0;
  std::vector<int64_t> readPositions;

 private:
  int64_t size_;
  int64_t position_ = 0;
};

TEST(PVBufferedReadStream, RelativeStreamStartsAtSourcePosition) {
  PatternStream source(1000);
  source.SetPosition(100);
  TPVBufferedReadStream stream(&source, 64, true);
  EXPECT_EQ(stream.GetPosition(), 0);
  EXPECT_EQ(stream.GetSize(), 900);
  uint8_t b;
  ASSERT_EQ(stream.Read(&b, 1), 1);
  EXPECT_EQ(b, PatternByte(100));
  stream.Seek(50, soCurrent);
  source.readPositions.clear();
  EXPECT_EQ(stream.Seek(0, soBeginning), 0);
  ASSERT_EQ(source.readPositions.size(), 1u);
  EXPECT_EQ(source.readPositions[0], 100);
  ASSERT_EQ(stream.Read(&b, 1), 1);
  EXPECT_EQ(b, PatternByte(100));
}

TEST(PVBufferedReadStream, AbsoluteStreamKeepsSourcePositions) {
  PatternStream source(1000);
  source.SetPosition(100);
  TPVBufferedReadStream stream(&source, 64, false);
  EXPECT_EQ(stream.GetPosition(), 100);
  EXPECT_EQ(stream.GetSize(), 1000);
}

TEST(PVBufferedReadStream, ReadNearEndDeliversWhatIsLeft) {
  PatternStream source(1000);
  TPVBufferedReadStream stream(&source, 128, false);
  stream.SetPosition(995);
  uint8_t out[10];
  EXPECT_EQ(stream.Read(out, 10), 5);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(out[i], PatternByte(995 + i));
  EXPECT_EQ(stream.Read(out, 10), 0);
  EXPECT_EQ(stream.GetPosition(), 1000);
}

TEST(PVBufferedReadStream, SeekToCurrentPositionDoesNotRead) {
  PatternStream source(1000);
  TPVBufferedReadStream stream(&source, 100, false);
  stream.SetPosition(300);
  int reads = source.reads;
  EXPECT_EQ(stream.Seek(300, soBeginning), 300);
  EXPECT_EQ(stream.Seek(0, soCurrent), 300);
  EXPECT_EQ(stream.GetSize(), 1000);
  EXPECT_EQ(source.reads, reads);
}

TEST(PVBufferedReadStream, OneByteReadsComeFromTheBuffer) {
  PatternStream source(1000);
  TPVBufferedReadStream stream(&source, 100, false);
  int reads = source.reads;
  for (int i = 0; i < 1000; ++i) {
    uint8_t b;
    ASSERT_EQ(stream.Read(&b, 1), 1);
    ASSERT_EQ(b, PatternByte(i)) << i;
  }
  EXPECT_EQ(source.reads - reads, 9);  // one refill per further 100 bytes
}

TEST(PVBufferedReadStream, SeekFromEndCountsBack) {
  PatternStream source(1000);
  source.SetPosition(200);
  TPVBufferedReadStream stream(&source, 32, true);
  EXPECT_EQ(stream.Seek(10, soEnd), 790);  // source 990, relative to 200
  uint8_t b;
  stream.Read(&b, 1);
  EXPECT_EQ(b, PatternByte(990));
  EXPECT_EQ(stream.Seek(5, static_cast<TSeekOrigin>(3)), 791);
}

TEST(PVBufferedReadStream, RandomReadsMatchTheSource) {
  PatternStream source(20000);
  TPVBufferedReadStream stream(&source, 333, false);
  std::mt19937 random(3);
  std::vector<uint8_t> out(5000);
  for (int round = 0; round < 300; ++round) {
    int64_t at = std::uniform_int_distribution<int64_t>(0, 20500)(random);
    int32_t count = std::uniform_int_distribution<int32_t>(0, 1200)(random);
    stream.SetPosition(at);
    int32_t expected = static_cast<int32_t>(std::clamp<int64_t>(20000 - at, 0, count));
    ASSERT_EQ(stream.Read(out.data(), count), expected);
    for (int32_t i = 0; i < expected; ++i) ASSERT_EQ(out[i], PatternByte(at + i));
  }
}

TEST(PVBufferedReadStream, NeverReadsPastSizeAtCreation) {
  PatternStream source(100);
  TPVBufferedReadStream stream(&source, 16, false);
  source.Grow(200);
  stream.SetPosition(95);
  uint8_t out[20];
  EXPECT_EQ(stream.Read(out, 20), 5);
}

TEST(PVBufferedReadStream, LargeSourcesUseSixtyFourBitDistances) {
  // A 32-bit distance to the end would wrap to 5 here, or turn negative past 2 GB.
  for (int64_t size : {(int64_t{1} << 32) + 5, (int64_t{1} << 31) + 100, int64_t{3} << 31}) {
    PatternStream source(size);
    TPVBufferedReadStream stream(&source, 4096, false);
    uint8_t out[10];
    ASSERT_EQ(stream.Read(out, 10), 10) << size;
    EXPECT_EQ(out[9], PatternByte(9));
    stream.SetPosition(size - 3);
    ASSERT_EQ(stream.Read(out, 10), 3);
    EXPECT_EQ(out[2], PatternByte(size - 1));
    EXPECT_EQ(stream.GetSize(), size);
  }
}

TEST(PVBufferedReadStream, ZeroBufferSizeStillReads) {
  PatternStream source(50);
  TPVBufferedReadStream stream(&source, 0, false);
  uint8_t out[50];
  EXPECT_EQ(stream.Read(out, 50), 50);
  EXPECT_EQ(out[49], PatternByte(49));
}

TEST(PVBufferedReadStream, NegativePositionReadsNothing) {
  PatternStream source(50);
  TPVBufferedReadStream stream(&source, 8, false);
  stream.Seek(-5, soBeginning);
  uint8_t out[4];
  EXPECT_EQ(stream.Read(out, 4), 0);
}

TEST(PVBufferedReadStream, WriteRaises) {
  PatternStream source(10);
  TPVBufferedReadStream stream(&source, 8, false);
  uint8_t b = 0;
  try {
    stream.Write(&b, 1);
    FAIL() << "no exception";
  } catch (const Exception& error) {
    EXPECT_STREQ(error.what(), "TPVBufferedReadStream cannot write!");
  }
}

TEST(PVBufferedReadStream, SourceIsNotRepositionedOnDestroy) {
  PatternStream source(1000);
  {
    TPVBufferedReadStream stream(&source, 100, false);
    stream.SetPosition(500);
  }
  EXPECT_EQ(source.GetPosition(), 600);  // where the last fill left it
}

}  // namespace
}  // namespace calmora
