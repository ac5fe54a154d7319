// ZInflateStream: an inflate stream ended by its owner however it is left, half-way through a
// block included (the leak check of the test build sees zlib state left behind), or once by
// End.
#include "imaging/zlib/z_stream_owner.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <vector>

namespace calmora {
namespace {

std::vector<uint8_t> Deflate(size_t size) {
  std::vector<uint8_t> data(size);
  for (size_t i = 0; i < size; ++i) data[i] = uint8_t(i * 7 % 251);
  uLongf packed_size = compressBound(uLong(size));
  std::vector<uint8_t> packed(packed_size);
  EXPECT_EQ(compress2(packed.data(), &packed_size, data.data(), uLong(size), 6), Z_OK);
  packed.resize(packed_size);
  return packed;
}

TEST(ZInflateStream, AStreamLeftHalfWayIsEnded) {
  const auto packed = Deflate(100000);
  std::vector<uint8_t> out(1000);
  ZInflateStream inflater;
  z_stream& zs = inflater.Stream();
  zs.next_in = const_cast<Bytef*>(packed.data());
  zs.avail_in = uInt(packed.size());
  zs.next_out = out.data();
  zs.avail_out = uInt(out.size());
  EXPECT_EQ(inflate(&zs, Z_NO_FLUSH), Z_OK);  // the window zlib allocated is still held
}

TEST(ZInflateStream, EndFinishesOnce) {
  const auto packed = Deflate(500);
  std::vector<uint8_t> out(500);
  ZInflateStream inflater;
  z_stream& zs = inflater.Stream();
  zs.next_in = const_cast<Bytef*>(packed.data());
  zs.avail_in = uInt(packed.size());
  zs.next_out = out.data();
  zs.avail_out = uInt(out.size());
  EXPECT_EQ(inflate(&zs, Z_FINISH), Z_STREAM_END);
  EXPECT_NO_THROW(inflater.End());
  EXPECT_NO_THROW(inflater.End());  // already ended: nothing to do
}

}  // namespace
}  // namespace calmora
