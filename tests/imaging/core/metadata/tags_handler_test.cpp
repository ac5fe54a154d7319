// TPVTagsHandler: the context it embeds, and the tag array ReadTags builds from the directory
// bytes, counts that promise more entries than the bytes hold among them.
#include "imaging/core/metadata/tags_handler.h"

#include <gtest/gtest.h>

#include <vector>

namespace calmora {
namespace {

void Put16(std::vector<uint8_t>& bytes, uint16_t value) {
  bytes.push_back(uint8_t(value));
  bytes.push_back(uint8_t(value >> 8));
}
void Put32(std::vector<uint8_t>& bytes, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes.push_back(uint8_t(value >> (8 * i)));
}

std::vector<TTIFFEntry> Entries(int count) {
  std::vector<TTIFFEntry> entries;
  for (int i = 0; i < count; ++i)
    entries.push_back({uint16_t(0x100 + i), uint16_t(1 + i % 12), 0x10203u * uint32_t(i) + 1,
                       uint32_t(0xA0B0C0D0u - uint32_t(i))});
  return entries;
}

// A directory of a declared count, the entries given, then extra bytes.
std::vector<uint8_t> Directory(uint16_t declared, const std::vector<TTIFFEntry>& entries,
                               size_t extra = 0) {
  std::vector<uint8_t> bytes;
  Put16(bytes, declared);
  for (const TTIFFEntry& e : entries) {
    Put16(bytes, e.Tag);
    Put16(bytes, e.Type);
    Put32(bytes, e.Count);
    Put32(bytes, e.Value);
  }
  bytes.resize(bytes.size() + extra, 0xEE);
  return bytes;
}

void Fill(TPVTagsHandler& handler, const std::vector<uint8_t>& bytes) {
  handler.Data.Clear();
  handler.Data.WriteBuffer(bytes.data(), int32_t(bytes.size()));
}

void ExpectTags(const TPVTagsHandler& handler, const std::vector<TTIFFEntry>& expected) {
  ASSERT_EQ(handler.ReadContext.TagCount, expected.size());
  if (expected.empty()) {
    EXPECT_EQ(handler.ReadContext.Tags, nullptr);
    return;
  }
  for (size_t i = 0; i < expected.size(); ++i) {
    const TTIFFEntry& tag = handler.ReadContext.Tags[i];
    EXPECT_EQ(tag.Tag, expected[i].Tag) << i;
    EXPECT_EQ(tag.Type, expected[i].Type) << i;
    EXPECT_EQ(tag.Count, expected[i].Count) << i;
    EXPECT_EQ(tag.Value, expected[i].Value) << i;
  }
}

TEST(TagsHandler, TheContextReadsTheDataLittleEndianFromItsStart) {
  TPVTagsHandler handler;
  EXPECT_TRUE(handler.ReadContext.LittleEndian);
  EXPECT_EQ(handler.ReadContext.Stream, &handler.Data);
  EXPECT_EQ(handler.ReadContext.StreamBase, 0);
  EXPECT_EQ(handler.ReadContext.Tags, nullptr);
  EXPECT_EQ(handler.ReadContext.TagCount, 0);
}

TEST(TagsHandler, ReadTagsTakesTheEntriesTheDataHolds) {
  struct Case {
    const char* name;
    uint16_t declared;
    int stored;
    size_t extra;
    int read;
  };
  const Case cases[] = {
      {"exact", 3, 3, 0, 3},
      {"values after the entries", 2, 3, 40, 2},
      {"count beyond the entries", 9, 3, 0, 3},
      {"count beyond, a part entry after", 9, 3, 11, 3},
      {"largest count, no entries", 0xFFFF, 0, 5, 0},
      {"largest count, some entries", 0xFFFF, 4, 0, 4},
      {"no entries", 0, 2, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TPVTagsHandler handler;
    const auto entries = Entries(c.stored);
    Fill(handler, Directory(c.declared, entries, c.extra));
    handler.Data.SetPosition(5);
    handler.ReadTags();
    ExpectTags(handler, std::vector<TTIFFEntry>(entries.begin(), entries.begin() + c.read));
    EXPECT_EQ(handler.Data.GetPosition(), 5);
  }
}

TEST(TagsHandler, ADirectoryOfMoreThan32767EntriesIsReadWhole) {
  TPVTagsHandler handler;
  const auto entries = Entries(40000);
  Fill(handler, Directory(40000, entries));
  handler.ReadTags();
  ExpectTags(handler, entries);
}

TEST(TagsHandler, EmptyDataLeavesNoTags) {
  TPVTagsHandler handler;
  Fill(handler, Directory(2, Entries(2)));
  handler.ReadTags();
  ASSERT_EQ(handler.ReadContext.TagCount, 2);
  for (const std::vector<uint8_t>& bytes : {std::vector<uint8_t>{}, std::vector<uint8_t>{7}}) {
    Fill(handler, bytes);
    handler.ReadTags();
    ExpectTags(handler, {});
  }
}

}  // namespace
}  // namespace calmora
