// IsExifBlock over payloads held in blocks of exactly their length, so that a read past the
// length shows under the address sanitizer.
#include "imaging/core/metadata/is_exif_block.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace calmora {
namespace {

struct Case {
  std::string payload;
  bool exif;
};

TEST(IsExifBlock, TheTextBeforeTheFirstZeroMustBeExif) {
  using namespace std::string_literals;
  const Case cases[] = {
      {"Exif\0\0II*\0"s, true},
      {"Exif\0\0"s, true},   // the 6 bytes of the header alone
      {"Exif\0"s, false},    // too short for the header
      {"Exif"s, false},
      {""s, false},
      {"Exif\0\x7FMM"s, true},  // only the text up to the zero counts
      {"Exifs\0\0"s, false},  // a longer text
      {"Exi\0\0\0"s, false},
      {"exif\0\0"s, false},
      {"http://ns.adobe.com/xap/1.0/\0<x:xmpmeta/>"s, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.payload));
    const auto block = std::make_unique<uint8_t[]>(c.payload.size());
    std::copy(c.payload.begin(), c.payload.end(), block.get());
    EXPECT_EQ(IsExifBlock(block.get(), int64_t(c.payload.size())), c.exif);
  }
  EXPECT_FALSE(IsExifBlock(nullptr, 6));
  EXPECT_FALSE(IsExifBlock("Exif\0\0", -1));
}

}  // namespace
}  // namespace calmora
