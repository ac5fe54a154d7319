// DecompressBuffer, reached through the codec services: whole zlib blocks inflated with and
// without an output estimate, and the errors (with zlib's texts) for damaged, truncated and
// dictionary-bound blocks.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "imaging/zlib/zlib_codec.h"

namespace calmora {
namespace {

std::vector<uint8_t> Deflate(const std::vector<uint8_t>& data) {
  uLongf size = compressBound(uLong(data.size()));
  std::vector<uint8_t> packed(size);
  EXPECT_EQ(compress2(packed.data(), &size, data.data(), uLong(data.size()), 6), Z_OK);
  packed.resize(size);
  return packed;
}

std::vector<uint8_t> SampleData(size_t size) {
  std::mt19937 random(11);
  std::vector<uint8_t> data(size);
  for (size_t i = 0; i < size; ++i) data[i] = uint8_t(i % 97 < 60 ? i % 7 : random());
  return data;
}

std::vector<uint8_t> Inflate(const std::vector<uint8_t>& packed, int32_t estimate) {
  void* out = reinterpret_cast<void*>(1);
  int32_t out_size = -1;
  DecompressBuffer(packed.data(), int32_t(packed.size()), out, out_size, estimate);
  std::vector<uint8_t> result(static_cast<uint8_t*>(out), static_cast<uint8_t*>(out) + out_size);
  std::free(out);
  return result;
}

// The message of the EZDecompressionError a call raises, or "" when it raises none.
std::string ErrorOf(const std::vector<uint8_t>& packed, int32_t estimate) {
  void* out = nullptr;
  int32_t out_size = 0;
  try {
    DecompressBuffer(packed.data(), int32_t(packed.size()), out, out_size, estimate);
  } catch (const EZDecompressionError& error) {
    EXPECT_EQ(out, nullptr);
    return error.what();
  }
  std::free(out);
  return "";
}

TEST(DecompressBuffer, InflatesWithAnyEstimate) {
  const auto data = SampleData(300000);
  const auto packed = Deflate(data);
  for (int32_t estimate : {0, 1, 1000, int32_t(data.size()), int32_t(data.size()) + 5000})
    EXPECT_EQ(Inflate(packed, estimate), data) << estimate;
}

TEST(DecompressBuffer, InflatesTinyAndEmptyBlocks) {
  EXPECT_EQ(Inflate(Deflate({}), 0), std::vector<uint8_t>{});
  EXPECT_EQ(Inflate(Deflate({42}), 0), std::vector<uint8_t>{42});
}

TEST(DecompressBuffer, DamagedDataRaisesWithZlibsText) {
  auto packed = Deflate(SampleData(5000));
  packed[0] = 0x00;  // not a zlib header
  EXPECT_EQ(ErrorOf(packed, 0), "data error");

  packed = Deflate(SampleData(5000));
  packed.resize(packed.size() / 2);  // ends early
  EXPECT_EQ(ErrorOf(packed, 0), "buffer error");

  EXPECT_EQ(ErrorOf({}, 0), "buffer error");
}

TEST(DecompressBuffer, ABlockThatNeedsADictionaryFails) {
  const std::string dictionary = "calmora calmora calmora";
  const std::string text = "calmora stabilises calmora";
  z_stream zs{};
  ASSERT_EQ(deflateInit(&zs, 6), Z_OK);
  ASSERT_EQ(deflateSetDictionary(&zs, reinterpret_cast<const Bytef*>(dictionary.data()),
                                 uInt(dictionary.size())),
            Z_OK);
  std::vector<uint8_t> packed(256);
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
  zs.avail_in = uInt(text.size());
  zs.next_out = packed.data();
  zs.avail_out = uInt(packed.size());
  ASSERT_EQ(deflate(&zs, Z_FINISH), Z_STREAM_END);
  packed.resize(zs.total_out);
  deflateEnd(&zs);
  EXPECT_EQ(ErrorOf(packed, 0), "need dictionary");
}

TEST(ZlibErrors, ChecksPassNonNegativeCodesAndRaiseOnNegativeOnes) {
  EXPECT_EQ(CheckDecompressionResult(Z_OK), Z_OK);
  EXPECT_EQ(CheckCompressionResult(Z_STREAM_END), Z_STREAM_END);
  EXPECT_THROW(CheckCompressionResult(Z_STREAM_ERROR), EZCompressionError);
  try {
    CheckDecompressionResult(Z_DATA_ERROR);
    FAIL();
  } catch (const EZLibError& error) {
    EXPECT_STREQ(error.what(), "data error");
  }
}

}  // namespace
}  // namespace calmora
