// TPVDICOMTags: value representations kept only at exactly 2 characters, negative lengths
// without data, and a deep copy that ends every value with its own zero.
#include "imaging/core/metadata/dicom_tags.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

namespace calmora {
namespace {

// A value block as the DICOM reader makes it: the bytes and a terminating zero.
std::unique_ptr<uint8_t[]> Value(const std::string& text) {
  auto block = std::make_unique<uint8_t[]>(text.size() + 1);
  std::memcpy(block.get(), text.c_str(), text.size() + 1);
  return block;
}

std::string VR(const TPVDICOMTag& tag) { return std::string(tag.VR, 2); }

TEST(DICOMTags, KeepsTheValueRepresentationOnlyAtTwoCharacters) {
  using namespace std::string_literals;
  struct Case {
    std::string text;
    std::string stored;
  };
  const Case cases[] = {{"US", "US"}, {"OB", "OB"}, {"USS", "\0\0"s}, {"U", "\0\0"s},
                        {"", "\0\0"s}, {"P\0"s, "P\0"s}};
  TPVDICOMTags tags;
  for (const Case& c : cases) {
    const int32_t index = tags.AddTag(0x0028, 0x0010, c.text, nullptr, 0);
    EXPECT_EQ(VR(tags.Tags[size_t(index)]), c.stored) << testing::PrintToString(c.text);
  }
}

TEST(DICOMTags, TakesTheValueOverOrNoneForANegativeLength) {
  TPVDICOMTags tags;
  auto value = Value("MONOCHROME2");
  const uint8_t* address = value.get();
  EXPECT_EQ(tags.AddTag(0x0028, 0x0004, "CS", std::move(value), 11), 0);
  EXPECT_EQ(tags.AddTag(0x7FE0, 0x0010, "OW", Value("pixels"), -1), 1);
  EXPECT_EQ(tags.AddTag(0x0008, 0x0020, "DA", nullptr, 0), 2);
  ASSERT_EQ(tags.Tags.size(), 3u);
  EXPECT_EQ(tags.Tags[0].Group, 0x0028);
  EXPECT_EQ(tags.Tags[0].Element, 0x0004);
  EXPECT_EQ(tags.Tags[0].Data.get(), address);  // no copy
  EXPECT_EQ(tags.Tags[0].Length, 11);
  EXPECT_EQ(tags.Tags[1].Data, nullptr);  // freed with the list's refusal
  EXPECT_EQ(tags.Tags[1].Length, 0);
  tags.Clear();
  EXPECT_TRUE(tags.Tags.empty());
}

TEST(DICOMTags, AssignCopiesEveryValueAndEndsItWithAZero) {
  TPVDICOMTags copy;
  copy.AddTag(1, 1, "XX", Value("replaced"), 8);
  {
    auto source = std::make_unique<TPVDICOMTags>();
    source->AddTag(0x0010, 0x0010, "PN", Value("Doe^Jane"), 8);
    // A value block handed over without the reader's zero: the copy must not read past it.
    auto bare = std::make_unique<uint8_t[]>(3);
    std::memcpy(bare.get(), "abc", 3);
    source->AddTag(0x0010, 0x0020, "LO", std::move(bare), 3);
    source->AddTag(0x0010, 0x0030, "DA", nullptr, 0);
    copy.Assign(source.get());
  }  // the copy outlives its source
  ASSERT_EQ(copy.Tags.size(), 3u);
  EXPECT_STREQ(reinterpret_cast<const char*>(copy.Tags[0].Data.get()), "Doe^Jane");
  EXPECT_EQ(VR(copy.Tags[0]), "PN");
  EXPECT_EQ(copy.Tags[1].Length, 3);
  EXPECT_STREQ(reinterpret_cast<const char*>(copy.Tags[1].Data.get()), "abc");
  EXPECT_EQ(copy.Tags[1].Element, 0x0020);
  EXPECT_EQ(copy.Tags[2].Data, nullptr);
  copy.Assign(nullptr);
  copy.Assign(&copy);
  EXPECT_EQ(copy.Tags.size(), 3u);
}

}  // namespace
}  // namespace calmora
