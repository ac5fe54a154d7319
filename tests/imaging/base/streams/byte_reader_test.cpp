// TPVByteReader: every width and byte order against values composed another way, over memory
// and streams alike; sticky failures that read zeros; counted reads, skips, moves and count
// checks at their exact limits; streams that deliver short, lie about their size or start
// part-way; reads from streams in pieces of at most 1 GiB.
#include "imaging/base/streams/byte_reader.h"

#include <gtest/gtest.h>
#include <sys/mman.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <memory>
#include <ostream>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "imaging/base/streams/streams.h"

namespace calmora {
namespace {

static_assert(std::endian::native == std::endian::little, "the models below copy host words");

std::vector<uint8_t> RandomBytes(std::mt19937& random, size_t size) {
  std::vector<uint8_t> bytes(size);
  for (uint8_t& byte : bytes) byte = static_cast<uint8_t>(random());
  return bytes;
}

// The model: the value whose host (little-endian) bytes are the stored ones, in reverse for
// big-endian, taken by copying instead of shifting.
template <class T>
T ModelValue(const uint8_t* bytes, bool bigEndian) {
  uint8_t word[sizeof(T)];
  std::memcpy(word, bytes, sizeof(T));
  if (bigEndian) std::reverse(word, word + sizeof(T));
  T value;
  std::memcpy(&value, word, sizeof(T));
  return value;
}

// Values compare by their bits, so NaNs with any payload compare as they should.
template <class T>
bool SameBits(T a, T b) {
  return std::memcmp(&a, &b, sizeof(T)) == 0;
}

// A read-only stream over a block that delivers at most Limit bytes per Read and can claim
// a size larger than the block it holds.
class ShortStream : public TStream {
 public:
  ShortStream(const std::vector<uint8_t>& bytes, int32_t limit, int64_t claimedSize = -1)
      : bytes_(bytes),
        limit_(limit),
        size_(claimedSize < 0 ? int64_t(bytes.size()) : claimedSize) {}
  int32_t Read(void* buffer, int32_t count) override {
    const int64_t available = std::max<int64_t>(0, int64_t(bytes_.size()) - position_);
    const auto n = static_cast<int32_t>(std::min<int64_t>({count, limit_, available}));
    if (n <= 0) return 0;
    std::memcpy(buffer, bytes_.data() + position_, size_t(n));
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

 private:
  const std::vector<uint8_t>& bytes_;
  int64_t limit_;
  int64_t size_;
  int64_t position_ = 0;
};

// ---- Widths and byte orders ----

template <class T>
class ByteReaderValues : public ::testing::Test {};
using ValueTypes = ::testing::Types<uint8_t, int8_t, uint16_t, int16_t, uint32_t, int32_t,
                                    uint64_t, int64_t, float, double>;
TYPED_TEST_SUITE(ByteReaderValues, ValueTypes);

TYPED_TEST(ByteReaderValues, EveryOrderMatchesTheModelOverMemoryAndStreams) {
  using T = TypeParam;
  std::mt19937 random(sizeof(T) * 101 + std::is_signed_v<T>);
  for (int round = 0; round < 200; ++round) {
    const size_t count = 1 + random() % 16;
    const auto bytes = RandomBytes(random, count * sizeof(T));
    for (const bool bigEndian : {false, true}) {
      TPVMemStream stream(bytes.data(), int64_t(bytes.size()));
      TPVByteReader fromStream(&stream);
      TPVByteReader fromMemory(bytes.data(), int64_t(bytes.size()));
      for (size_t i = 0; i < count; ++i) {
        const T expected = ModelValue<T>(&bytes[i * sizeof(T)], bigEndian);
        const T memoryValue = bigEndian ? fromMemory.ReadBE<T>() : fromMemory.ReadLE<T>();
        const T streamValue = bigEndian ? fromStream.ReadBE<T>() : fromStream.ReadLE<T>();
        const char* order = bigEndian ? " big-endian" : " little-endian";
        ASSERT_TRUE(SameBits(memoryValue, expected)) << "value " << i << order;
        ASSERT_TRUE(SameBits(streamValue, expected)) << "value " << i << order;
      }
      EXPECT_FALSE(fromMemory.Failed());
      EXPECT_FALSE(fromStream.Failed());
      EXPECT_EQ(fromMemory.Left(), 0);
      EXPECT_EQ(fromStream.Left(), 0);
    }
  }
}

TYPED_TEST(ByteReaderValues, OneByteShortFailsWithZero) {
  using T = TypeParam;
  const std::vector<uint8_t> bytes(sizeof(T), 0xFF);
  TPVByteReader reader(bytes.data(), int64_t(sizeof(T)) - 1);
  EXPECT_TRUE(SameBits(reader.ReadBE<T>(), T{0}));
  EXPECT_TRUE(reader.Failed());
  TPVByteReader exact(bytes.data(), int64_t(sizeof(T)));
  EXPECT_FALSE(SameBits(exact.ReadLE<T>(), T{0}));
  EXPECT_FALSE(exact.Failed());
}

TEST(ByteReader, KnownValues) {
  const uint8_t bytes[] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x80};
  TPVByteReader le(bytes, 8);
  EXPECT_EQ(le.ReadLE<uint64_t>(), 0x8007060504030201u);
  TPVByteReader be(bytes, 8);
  EXPECT_EQ(be.ReadBE<uint16_t>(), 0x0102u);
  EXPECT_EQ(be.ReadBE<int32_t>(), 0x03040506);
  EXPECT_EQ(be.ReadLE<int16_t>(), int16_t(0x8007));
  const uint8_t one[] = {0x3F, 0xF0, 0, 0, 0, 0, 0, 0};
  TPVByteReader real(one, 8);
  EXPECT_EQ(real.ReadBE<double>(), 1.0);
  const uint8_t half[] = {0, 0, 0, 0x3F};
  TPVByteReader single(half, 4);
  EXPECT_EQ(single.ReadLE<float>(), 0.5f);
}

// ---- Sticky failure ----

TEST(ByteReader, AFailureSticksAndEveryLaterReadGivesZeros) {
  const std::vector<uint8_t> bytes = {1, 2, 3, 4, 5, 6, 7};
  TPVMemStream stream(bytes.data(), int64_t(bytes.size()));
  TPVByteReader fromStream(&stream);
  TPVByteReader fromMemory(bytes.data(), int64_t(bytes.size()));
  for (TPVByteReader* reader : {&fromMemory, &fromStream}) {
    EXPECT_EQ(reader->ReadLE<uint32_t>(), 0x04030201u);
    EXPECT_EQ(reader->ReadLE<uint32_t>(), 0u);  // three bytes left: fails
    EXPECT_TRUE(reader->Failed());
    EXPECT_EQ(reader->Left(), 0);
    // Bytes that are there are no longer read.
    EXPECT_EQ(reader->ReadByte(), 0);
    uint8_t buffer[2] = {9, 9};
    EXPECT_FALSE(reader->Read(buffer, 2));
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(buffer[1], 0);
    EXPECT_FALSE(reader->Read(buffer, 0));
    EXPECT_FALSE(reader->Skip(0));
    EXPECT_FALSE(reader->SeekTo(0));
    EXPECT_FALSE(reader->CheckCount(0, 1));
    std::string text = "x";
    EXPECT_FALSE(reader->ReadZeroTerminated(text, 10));
    EXPECT_EQ(text, "");
    EXPECT_TRUE(reader->Failed());
  }
}

TEST(ByteReader, FailFromOutsideSticksToo) {
  const uint8_t bytes[] = {1, 2, 3, 4};
  TPVByteReader reader(bytes, 4);
  EXPECT_EQ(reader.ReadByte(), 1);
  reader.Fail();
  EXPECT_TRUE(reader.Failed());
  EXPECT_EQ(reader.ReadByte(), 0);
  EXPECT_EQ(reader.Left(), 0);
}

TEST(ByteReader, EmptyAndNullSourcesHaveNothingToRead) {
  const uint8_t bytes[] = {1};
  TPVByteReader none(nullptr, 10);
  TPVByteReader negative(bytes, -1);
  TPVByteReader noStream(static_cast<TStream*>(nullptr));
  for (TPVByteReader* reader : {&none, &negative, &noStream}) {
    EXPECT_EQ(reader->Left(), 0);
    EXPECT_TRUE(reader->Read(nullptr, 0));
    EXPECT_FALSE(reader->Failed());
    EXPECT_EQ(reader->ReadByte(), 0);
    EXPECT_TRUE(reader->Failed());
  }
}

// ---- Counted reads, skips, moves and counts at their limits ----

struct LimitCase {
  const char* what;
  int64_t size;    // bytes in the block
  int64_t before;  // bytes read first
  int64_t count;
  bool fits;
};
void PrintTo(const LimitCase& c, std::ostream* out) { *out << c.what; }

class ByteReaderLimits : public ::testing::TestWithParam<LimitCase> {};

TEST_P(ByteReaderLimits, ReadSkipAndCheckAgreeWithWhatIsLeft) {
  const LimitCase c = GetParam();
  std::mt19937 random(static_cast<uint32_t>(c.size * 31 + c.count));
  const auto bytes = RandomBytes(random, size_t(c.size));
  for (const bool overStream : {false, true}) {
    SCOPED_TRACE(overStream ? "stream" : "memory");
    TPVMemStream stream(bytes.data(), c.size);
    auto fresh = [&] {
      stream.SetPosition(0);
      auto reader = overStream ? std::make_unique<TPVByteReader>(&stream)
                               : std::make_unique<TPVByteReader>(bytes.data(), c.size);
      EXPECT_TRUE(reader->Skip(c.before));
      return reader;
    };

    auto reader = fresh();
    if (c.count <= c.size + 1) {  // a buffer of the count can be had
      std::vector<uint8_t> buffer(size_t(std::max<int64_t>(c.count, 0)), 0xAA);
      EXPECT_EQ(reader->Read(buffer.data(), c.count), c.fits) << c.what;
      if (c.fits) {
        EXPECT_TRUE(std::equal(buffer.begin(), buffer.end(), bytes.begin() + c.before)) << c.what;
        EXPECT_EQ(reader->Left(), c.size - c.before - c.count);
        EXPECT_EQ(reader->Position(), c.before + c.count);
      } else {
        EXPECT_TRUE(std::all_of(buffer.begin(), buffer.end(), [](uint8_t b) { return b == 0; }))
            << c.what;
      }
      EXPECT_EQ(reader->Failed(), !c.fits);
    }

    reader = fresh();
    EXPECT_EQ(reader->Skip(c.count), c.fits) << c.what;
    if (c.fits && c.before + c.count < c.size) {
      EXPECT_EQ(reader->ReadByte(), bytes[size_t(c.before + c.count)]) << c.what;
    }

    reader = fresh();
    EXPECT_EQ(reader->CheckCount(c.count), c.fits) << c.what;
    EXPECT_EQ(reader->Position(), c.before) << "a check reads nothing";

    if (c.count >= 0) {  // a negative count is a move back, which SeekTo allows
      reader = fresh();
      EXPECT_EQ(reader->SeekTo(c.before + c.count), c.fits) << c.what;
    }
  }
}

const LimitCase kLimitCases[] = {
    {"all", 16, 0, 16, true},
    {"one past all", 16, 0, 17, false},
    {"rest", 16, 5, 11, true},
    {"one past the rest", 16, 5, 12, false},
    {"none at the end", 16, 16, 0, true},
    {"one at the end", 16, 16, 1, false},
    {"negative", 16, 3, -1, false},
    {"empty block", 0, 0, 0, true},
    {"huge", 16, 0, std::numeric_limits<int64_t>::max() - 8, false},
};
INSTANTIATE_TEST_SUITE_P(Cases, ByteReaderLimits, ::testing::ValuesIn(kLimitCases),
                         [](const ::testing::TestParamInfo<LimitCase>& case_info) {
                           return "case" + std::to_string(case_info.index);
                         });

TEST(ByteReader, CheckCountGuardsItemsOfAnySize) {
  const std::vector<uint8_t> bytes(100);
  struct Case {
    int64_t count, itemSize;
    bool fits;
  };
  const Case cases[] = {
      {25, 4, true},  {26, 4, false}, {33, 3, true},  {34, 3, false}, {1, 100, true},
      {1, 101, false}, {0, 1000, true}, {1000, 0, true}, {-1, 4, false}, {4, -1, false},
      // A product that overflows 64 bits must not wrap into "fits".
      {int64_t{1} << 62, 8, false}, {std::numeric_limits<int64_t>::max(), 2, false},
  };
  for (const Case& c : cases) {
    TPVByteReader reader(bytes.data(), 100);
    EXPECT_EQ(reader.CheckCount(c.count, c.itemSize), c.fits) << c.count << " x " << c.itemSize;
    EXPECT_EQ(reader.Failed(), !c.fits);
  }
}

TEST(ByteReader, SeekToCountsFromWhereTheReaderStarted) {
  std::vector<uint8_t> bytes(40);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(i);
  TPVMemStream stream(bytes.data(), 40);
  stream.SetPosition(10);
  TPVByteReader fromStream(&stream);
  TPVByteReader fromMemory(bytes.data() + 10, 30);
  for (TPVByteReader* reader : {&fromStream, &fromMemory}) {
    EXPECT_EQ(reader->Left(), 30);
    EXPECT_TRUE(reader->SeekTo(25));
    EXPECT_EQ(reader->ReadByte(), 35);
    EXPECT_TRUE(reader->SeekTo(2));
    EXPECT_EQ(reader->ReadByte(), 12);
    EXPECT_EQ(reader->Left(), 27);
    EXPECT_TRUE(reader->SeekTo(30));
    EXPECT_EQ(reader->Left(), 0);
    EXPECT_FALSE(reader->SeekTo(31));
    EXPECT_TRUE(reader->Failed());
  }
  TPVByteReader before(bytes.data(), 40);
  EXPECT_FALSE(before.SeekTo(-1));
}

// ---- Zero-terminated texts ----

TEST(ByteReader, ZeroTerminatedTextsWithinTheirWindow) {
  struct Case {
    std::string data;
    int64_t maxBytes;
    bool found;
    std::string text;
  };
  using namespace std::string_literals;
  const Case cases[] = {
      {"abc\0def"s, 10, true, "abc"},  {"abc\0"s, 4, true, "abc"},  {"abc\0"s, 3, false, ""},
      {"\0x"s, 1, true, ""},           {"abcdef"s, 10, false, ""},  {""s, 5, false, ""},
      {"ab\0"s, 0, false, ""},         {"ab\0"s, -1, false, ""},
  };
  for (const Case& c : cases) {
    const std::vector<uint8_t> bytes(c.data.begin(), c.data.end());
    TPVMemStream stream(bytes.data(), int64_t(bytes.size()));
    TPVByteReader fromStream(&stream);
    TPVByteReader fromMemory(bytes.data(), int64_t(bytes.size()));
    for (TPVByteReader* reader : {&fromMemory, &fromStream}) {
      std::string text = "old";
      EXPECT_EQ(reader->ReadZeroTerminated(text, c.maxBytes), c.found) << c.data;
      EXPECT_EQ(text, c.text);
      EXPECT_EQ(reader->Failed(), !c.found);
      // Read through the zero: the next byte follows it.
      if (c.found) {
        EXPECT_EQ(reader->Position(), int64_t(c.text.size()) + 1);
      }
    }
  }
}

// ---- Streams ----

TEST(ByteReader, AStreamThatDeliversShortFails) {
  const std::vector<uint8_t> bytes = {1, 2, 3, 4, 5, 6, 7, 8};
  ShortStream trickle(bytes, 3);
  TPVByteReader reader(&trickle);
  EXPECT_EQ(reader.Left(), 8);
  EXPECT_EQ(reader.ReadLE<uint16_t>(), 0x0201);
  uint8_t buffer[4] = {9, 9, 9, 9};
  EXPECT_FALSE(reader.Read(buffer, 4));  // the stream hands over only 3 of the 4
  EXPECT_EQ(std::count(buffer, buffer + 4, 0), 4) << "what did arrive is zeroed too";
  EXPECT_TRUE(reader.Failed());
}

TEST(ByteReader, AStreamThatClaimsMoreThanItHoldsFails) {
  const std::vector<uint8_t> bytes = {1, 2, 3, 4};
  ShortStream liar(bytes, 1000, 100);
  TPVByteReader reader(&liar);
  EXPECT_EQ(reader.Left(), 100);
  EXPECT_EQ(reader.ReadBE<uint16_t>(), 0x0102);
  EXPECT_EQ(reader.ReadBE<uint32_t>(), 0u);
  EXPECT_TRUE(reader.Failed());
}

TEST(ByteReader, AStreamIsReadFromItsPositionToItsEnd) {
  std::vector<uint8_t> bytes(20);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(100 + i);
  TPVMemStream stream(bytes.data(), 20);
  stream.SetPosition(15);
  TPVByteReader reader(&stream);
  EXPECT_EQ(reader.Left(), 5);
  EXPECT_EQ(reader.ReadByte(), 115);
  EXPECT_TRUE(reader.Skip(3));
  EXPECT_EQ(stream.GetPosition(), 19) << "a skip moves the stream";
  EXPECT_EQ(reader.ReadByte(), 119);
  stream.SetPosition(25);  // beyond the end: nothing left, not a negative count
  TPVByteReader past(&stream);
  EXPECT_EQ(past.Left(), 0);
}

// A stream that hands over whatever is asked without touching the buffer, and notes the size
// of every Read.
class CountingStream : public TStream {
 public:
  explicit CountingStream(int64_t size) : size_(size) {}
  int32_t Read(void*, int32_t count) override {
    counts.push_back(count);
    position_ += count;
    return count;
  }
  int32_t Write(const void*, int32_t) override { return 0; }
  int64_t Seek(int64_t offset, TSeekOrigin origin) override {
    if (origin == soBeginning) position_ = offset;
    if (origin == soCurrent) position_ += offset;
    if (origin == soEnd) position_ = size_ + offset;
    return position_;
  }
  std::vector<int32_t> counts;

 private:
  int64_t size_;
  int64_t position_ = 0;
};

TEST(ByteReader, LargeStreamReadsGoInPiecesOfAtMostOneGibibyte) {
  constexpr int64_t kGiB = int64_t{1} << 30;
  const int64_t total = 2 * kGiB + 5;
  // Address space only: the stream never writes into it, so no page is ever touched.
  void* block = mmap(nullptr, size_t(total), PROT_READ | PROT_WRITE,
                     MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  ASSERT_NE(block, MAP_FAILED);
  CountingStream stream(total + 1);
  TPVByteReader reader(&stream);
  EXPECT_TRUE(reader.Read(block, total));
  EXPECT_EQ(stream.counts, (std::vector<int32_t>{int32_t(kGiB), int32_t(kGiB), 5}));
  EXPECT_EQ(reader.Left(), 1);
  munmap(block, size_t(total));
}

// ---- Memory and streams agree ----

TEST(ByteReader, MemoryAndStreamGiveTheSameResultsForAnyOperations) {
  std::mt19937 random(2024);
  for (int round = 0; round < 300; ++round) {
    const auto bytes = RandomBytes(random, random() % 64);
    TPVMemStream stream(bytes.data(), int64_t(bytes.size()));
    TPVByteReader fromStream(&stream);
    TPVByteReader fromMemory(bytes.data(), int64_t(bytes.size()));
    for (int step = 0; step < 12; ++step) {
      const int operation = int(random() % 7);
      const int64_t count = int64_t(random() % 20) - 2;
      auto apply = [&](TPVByteReader& reader) -> std::string {
        switch (operation) {
          case 0: return std::to_string(reader.ReadLE<uint32_t>());
          case 1: return std::to_string(reader.ReadBE<int16_t>());
          case 2: return std::to_string(reader.ReadBE<uint64_t>());
          case 3: {
            std::vector<uint8_t> buffer(size_t(std::max<int64_t>(count, 0)));
            const bool ok = reader.Read(buffer.data(), count);
            return std::to_string(ok) + std::string(buffer.begin(), buffer.end());
          }
          case 4: return std::to_string(reader.Skip(count));
          case 5: return std::to_string(reader.SeekTo(count));
          default: {
            std::string text;
            const bool ok = reader.ReadZeroTerminated(text, count);
            return std::to_string(ok) + text;
          }
        }
      };
      ASSERT_EQ(apply(fromStream), apply(fromMemory)) << "round " << round << " step " << step;
      ASSERT_EQ(fromStream.Failed(), fromMemory.Failed());
      ASSERT_EQ(fromStream.Left(), fromMemory.Left());
      ASSERT_EQ(fromStream.Position(), fromMemory.Position());
    }
  }
}

}  // namespace
}  // namespace calmora
