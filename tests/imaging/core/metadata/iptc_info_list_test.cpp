// TPVIPTCInfoList: the block's two forms byte for byte, long datasets in the extended form,
// round trips over many lists, hostile lengths and scans that end the parse, UserChanged, and
// deep copies.
#include "imaging/core/metadata/iptc_info_list.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "tests/imaging/core/metadata/iptc_datasets.h"

namespace calmora {
namespace {

using test::Bytes;
using test::Dataset;
using test::Datasets;
using test::Text;
using test::AddAll;

Bytes Save(const TPVIPTCInfoList& list, bool withHeader) {
  UniqueMallocBlock<uint8_t> buffer;
  int64_t length = -1;
  list.SaveToBuffer(buffer, length, withHeader);
  return buffer ? Bytes(buffer.get(), buffer.get() + length) : Bytes();
}

bool Load(TPVIPTCInfoList& list, const Bytes& block) {
  return list.LoadFromBuffer(block.data(), static_cast<int64_t>(block.size()));
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

const Bytes kResourceHeader = Concat({Text("Photoshop 3.0"), {0}, Text("8BIM"), {4, 4, 0, 0}});

TEST(IPTCBlock, OneDatasetWithAndWithoutTheResourceHeader) {
  TPVIPTCInfoList list;
  AddAll(list, {{2, 5, Text("abc")}});
  const Bytes dataset = {0x1C, 2, 5, 0, 3, 'a', 'b', 'c'};
  EXPECT_EQ(Save(list, true), Concat({kResourceHeader, {0, 0, 0, 8}, dataset}));  // 34 bytes
  EXPECT_EQ(Save(list, false), Concat({{0x1C, 2, 0, 0, 2, 0, 2}, dataset, {0}}));  // 15 + pad
}

TEST(IPTCBlock, ThePadByteCountsInTheLengthButNotInTheResourceSize) {
  TPVIPTCInfoList list;
  AddAll(list, {{2, 5, Text("abcd")}});  // 26 + 9 bytes
  const Bytes block = Save(list, true);
  ASSERT_EQ(block.size(), 36u);
  EXPECT_EQ(Bytes(block.begin() + 22, block.begin() + 26), (Bytes{0, 0, 0, 9}));
  EXPECT_EQ(block.back(), 0);
}

TEST(IPTCBlock, LeavesOutRecordVersionsAndEmptyDatasets) {
  TPVIPTCInfoList list;
  AddAll(list, {{2, 0, {0, 4}}, {2, 25, {}}, {1, 0, {0, 4}}, {2, 25, Text("k")}});
  const Bytes expected = Concat({kResourceHeader, {0, 0, 0, 13},
                                 {0x1C, 1, 0, 0, 2, 0, 4, 0x1C, 2, 25, 0, 1, 'k'}, {0}});
  EXPECT_EQ(Save(list, true), expected);
  TPVIPTCInfoList none;
  AddAll(none, {{2, 0, {0, 4}}});
  EXPECT_EQ(Save(none, true), Concat({kResourceHeader, {0, 0, 0, 0}}));
}

TEST(IPTCBlock, NoDatasetsGiveNoBlock) {
  TPVIPTCInfoList list;
  UniqueMallocBlock<uint8_t> buffer(static_cast<uint8_t*>(std::malloc(8)));
  int64_t length = 8;
  list.SaveToBuffer(buffer, length, true);
  EXPECT_EQ(buffer, nullptr);
  EXPECT_EQ(length, 0);
}

TEST(IPTCBlock, LongDatasetsTakeTheExtendedLength) {
  Bytes caption(40000);
  for (size_t i = 0; i < caption.size(); ++i) caption[i] = uint8_t('A' + i % 26);
  TPVIPTCInfoList list;
  AddAll(list, {{2, 120, caption}});
  const Bytes block = Save(list, false);
  EXPECT_EQ(Bytes(block.begin() + 7, block.begin() + 16),
            (Bytes{0x1C, 2, 120, 0x80, 0x04, 0x00, 0x00, 0x9C, 0x40}));
  TPVIPTCInfoList read;
  ASSERT_TRUE(Load(read, block));
  EXPECT_EQ(Datasets(read), (std::vector<Dataset>{{2, 0, {0, 2}}, {2, 120, caption}}));
}

// Lists of random datasets, lengths around the short form's limit among them, saved in both
// forms and loaded back: the same datasets, apart from record versions and empty ones.
TEST(IPTCBlock, SavedListsLoadBackAsTheSameDatasets) {
  std::mt19937 random(1717);
  const int32_t lengths[] = {0, 1, 2, 3, 0x7FFF, 0x8000, 0x8001, 100};
  for (int round = 0; round < 40; ++round) {
    SCOPED_TRACE(round);
    TPVIPTCInfoList list;
    std::vector<Dataset> expected;
    const int count = 1 + int(random() % 6);
    for (int i = 0; i < count; ++i) {
      Dataset d{int32_t(random() % 3 + 1), int32_t(random() % 4 * 40), {}};
      d.data.resize(size_t(lengths[random() % 8]));
      for (uint8_t& byte : d.data) byte = uint8_t(random());
      AddAll(list, {d});
      if (!d.data.empty() && !(d.record == 2 && d.dataset == 0)) expected.push_back(d);
    }
    for (const bool withHeader : {true, false}) {
      TPVIPTCInfoList read;
      read.UserChanged = true;
      const Bytes block = Save(list, withHeader);
      EXPECT_EQ(block.size() % 2, 0u);
      EXPECT_EQ(Load(read, block), withHeader ? !expected.empty() : true);
      std::vector<Dataset> wanted = expected;
      if (!withHeader) wanted.insert(wanted.begin(), {2, 0, {0, 2}});
      EXPECT_EQ(Datasets(read), wanted);
      EXPECT_FALSE(read.UserChanged);
    }
  }
}

TEST(IPTCBlock, FindsTheIptcResourceAmongOthers) {
  const Bytes block = Concat({Text("Photoshop 3.0"), {0}, Text("8BIM"), {4, 0x25, 0, 0, 0, 0, 0, 2},
                              {0x1C, 0x1C}, Text("8BIM"), {4, 4, 0, 0, 0, 0, 0, 7},
                              {0x1C, 0x1C, 0x1C, 2, 5, 0, 2, 'o', 'k', 0}});
  TPVIPTCInfoList list;
  ASSERT_TRUE(Load(list, block));
  EXPECT_EQ(Datasets(list), (std::vector<Dataset>{{2, 5, Text("ok")}}));
}

// Resource sizes with the tag byte 0x1C in each of their bytes, and names of odd and even
// lengths (the tag byte among them, and as the name's length byte): the reader moves past the
// resource's header by its layout, never taking one of its bytes for a dataset.
const uint32_t kSizesHoldingTheTagByte[] = {0x0000001C, 0x0000011C, 0x00001C30,
                                            0x00001C1C, 0x001C0123, 0x001C1C1C};
const std::string kResourceNames[] = {"",      "a",     "ab",  "abc",  "\x1C", "\x1C\x1C",
                                      "\x1C\x1C\x1C", std::string(27, 'n'), std::string(28, 'n')};

TEST(IPTCBlock, ResourceSizesHoldingTheTagByteReadBack) {
  for (const uint32_t size : kSizesHoldingTheTagByte) {
    SCOPED_TRACE(size);
    const std::vector<Dataset> datasets = test::DatasetsOfSize(size);
    TPVIPTCInfoList saved;
    AddAll(saved, datasets);
    const Bytes block = Save(saved, true);
    ASSERT_EQ(test::ResourceSizeField(block), size);
    TPVIPTCInfoList read;
    ASSERT_TRUE(Load(read, block));
    EXPECT_EQ(Datasets(read), datasets);
  }
}

TEST(IPTCBlock, NamesAndSizeFieldsOfAnyBytesAreSkipped) {
  for (const std::string& name : kResourceNames)
    for (const uint32_t size : kSizesHoldingTheTagByte) {
      SCOPED_TRACE(testing::PrintToString(name) + " " + std::to_string(size));
      const std::vector<Dataset> datasets = test::DatasetsOfSize(size);
      TPVIPTCInfoList read;
      ASSERT_TRUE(Load(read, test::ResourceBlock(name, size, test::DatasetBytes(datasets))));
      EXPECT_EQ(Datasets(read), datasets);
    }
  // A size field whose top byte is the tag byte would need a block of 470 MB: the field is
  // written here over a short resource, which the reader reads all the same.
  const std::vector<Dataset> datasets = {{2, 5, Text("Harbour")}, {2, 25, Text("fog")}};
  for (const uint32_t field : {0x1C000000u, 0x1C1C1C1Cu, 0x1C02050Au})
    for (const std::string& name : kResourceNames) {
      SCOPED_TRACE(testing::PrintToString(name) + " " + std::to_string(field));
      TPVIPTCInfoList read;
      ASSERT_TRUE(Load(read, test::ResourceBlock(name, field, test::DatasetBytes(datasets))));
      EXPECT_EQ(Datasets(read), datasets);
    }
}

TEST(IPTCBlock, AResourceHeaderCutShortReadsNothing) {
  const Bytes whole = test::ResourceBlock("abc", 8, {0x1C, 2, 5, 0, 3, 'a', 'b', 'c'});
  // The header ends 28 bytes in: every cut inside it leaves no dataset to read.
  for (size_t cut = 20; cut < 28; ++cut) {
    TPVIPTCInfoList read;
    EXPECT_FALSE(Load(read, Bytes(whole.begin(), whole.begin() + cut))) << cut;
    EXPECT_FALSE(read.UserChanged);
  }
}

struct HostileBlock {
  const char* name;
  Bytes block;
  std::vector<Dataset> kept;
};

const Dataset kFirst{2, 5, Text("ab")};
const Bytes kFirstBytes = {0x1C, 2, 5, 0, 2, 'a', 'b'};

std::vector<HostileBlock> HostileBlocks() {
  return {
      {"no IPTC resource",
       Concat({Text("Photoshop 3.0"), {0}, Text("8BIM"), {4, 0x25, 0, 0, 0, 0, 0, 7}, kFirstBytes}),
       {}},
      {"resource marker cut short",
       Concat({Text("Photoshop 3.0"), {0}, Text("8BIM"), {4}, kFirstBytes}), {}},
      {"no tag byte at all", Text("plain text without datasets"), {}},
      {"extended length of 2 GiB",
       Concat({kFirstBytes, {0x1C, 2, 120, 0x80, 4, 0x80, 0, 0, 0}, Text("rest")}), {kFirst}},
      {"extended length of 4 GiB - 1",
       Concat({kFirstBytes, {0x1C, 2, 120, 0x80, 4, 0xFF, 0xFF, 0xFF, 0xFF}, Text("rest")}),
       {kFirst}},
      {"extended length one past the end",
       Concat({kFirstBytes, {0x1C, 2, 120, 0x80, 4, 0, 0, 0, 5}, Text("four")}), {kFirst}},
      {"extended length field cut short", Concat({kFirstBytes, {0x1C, 2, 120, 0x80, 4, 0, 0}}),
       {kFirst}},
      {"short length one past the end", Concat({kFirstBytes, {0x1C, 2, 6, 0, 5}, Text("four")}),
       {kFirst}},
      {"short length that fits exactly", Concat({kFirstBytes, {0x1C, 2, 6, 0, 4}, Text("four")}),
       {kFirst, {2, 6, Text("four")}}},
      // A dataset needs one byte more than its header: an empty one at the very end is not read.
      {"empty dataset at the end", Concat({kFirstBytes, {0x1C, 2, 7, 0, 0}}), {kFirst}},
      {"empty dataset before more", Concat({kFirstBytes, {0x1C, 2, 7, 0, 0}, kFirstBytes}),
       {kFirst, {2, 7, {}}, kFirst}},
      {"another byte ends the datasets", Concat({kFirstBytes, {0}, kFirstBytes}), {kFirst}},
      {"tag bytes only", Bytes(9, 0x1C), {}},
  };
}

TEST(IPTCBlock, HostileLengthsEndTheParseKeepingEarlierDatasets) {
  for (const HostileBlock& c : HostileBlocks()) {
    SCOPED_TRACE(c.name);
    // A block of its own size, so a read past it shows.
    const auto block = std::make_unique<uint8_t[]>(c.block.size());
    std::copy(c.block.begin(), c.block.end(), block.get());
    TPVIPTCInfoList list;
    AddAll(list, {{9, 9, Text("old")}});
    EXPECT_EQ(list.LoadFromBuffer(block.get(), int64_t(c.block.size())), !c.kept.empty());
    EXPECT_EQ(Datasets(list), c.kept);
    EXPECT_FALSE(list.UserChanged);
  }
}

TEST(IPTCList, UserChangedFollowsTheListsOwnChanges) {
  TPVIPTCInfoList list;
  EXPECT_FALSE(list.UserChanged);
  EXPECT_EQ(list.AddItem(2, 5, 3, "abc"), 0);
  EXPECT_TRUE(list.UserChanged);
  ASSERT_TRUE(Load(list, Save(list, true)));
  EXPECT_FALSE(list.UserChanged);
  list.Clear();
  EXPECT_TRUE(list.UserChanged);
  list.UserChanged = false;
  TPVIPTCInfoList other;
  list.Assign(&other);
  EXPECT_TRUE(list.UserChanged);
  // An empty block returns at once: the list is cleared (a change) and stays marked.
  list.UserChanged = false;
  EXPECT_FALSE(list.LoadFromBuffer("x", 0));
  EXPECT_TRUE(list.UserChanged);
}

TEST(IPTCList, RefusesImpossibleDatasets) {
  TPVIPTCInfoList list;
  list.UserChanged = false;
  EXPECT_EQ(list.AddItem(2, 5, -1, "abc"), -1);
  EXPECT_EQ(list.AddItem(2, 5, 3, nullptr), -1);
  EXPECT_EQ(list.GetCount(), 0);
  EXPECT_FALSE(list.UserChanged);
  EXPECT_EQ(list.AddItem(2, 5, 0, nullptr), 0);
}

TEST(IPTCList, AssignCopiesEveryDatasetDeeply) {
  const std::vector<Dataset> datasets = {{2, 5, Text("name")}, {2, 25, Text("keyword")}};
  TPVIPTCInfoList copy;
  AddAll(copy, {{1, 1, Text("replaced")}});
  {
    auto source = std::make_unique<TPVIPTCInfoList>();
    AddAll(*source, datasets);
    copy.Assign(source.get());
  }
  EXPECT_EQ(Datasets(copy), datasets);
  copy.Assign(nullptr);
  copy.Assign(&copy);
  EXPECT_EQ(Datasets(copy), datasets);
}

}  // namespace
}  // namespace calmora
