// The JPEG signature search: FF D8 FF at one of the 150 positions from the current one.
#include <gtest/gtest.h>

#include "imaging/codecs/jpeg/jpeg_codec.h"
#include "imaging/base/streams/streams.h"

namespace calmora {
namespace {

int64_t FindIn(const std::string& bytes, int64_t start) {
  TPVMemStream stream(bytes.data(), static_cast<int64_t>(bytes.size()));
  stream.SetPosition(start);
  const int64_t found = FindJPEGStart(&stream);
  EXPECT_EQ(stream.GetPosition(), start);
  return found;
}

TEST(FindJPEGStart, FindsTheMarkerWithinTheFirst150Positions) {
  const std::string marker = "\xFF\xD8\xFF\xE0";
  for (int64_t start : {0, 5}) {
    for (int64_t padding : {0, 1, 100, 149, 150, 151}) {
      const std::string bytes = std::string(start, 'x') + std::string(padding, '\0') + marker;
      EXPECT_EQ(FindIn(bytes, start), padding < 150 ? start + padding : -1) << padding;
    }
  }
  EXPECT_EQ(FindIn(std::string(149, '\0') + "\xFF\xD8", 0), -1);  // the third byte is missing
  EXPECT_EQ(FindIn("\xFF\xD8\xFE\xFF\xD8\xFF", 0), 3);
  EXPECT_EQ(FindIn("", 0), -1);
}

}  // namespace
}  // namespace calmora
