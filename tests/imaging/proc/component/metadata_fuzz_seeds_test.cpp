// The seeds of the metadata fuzz target, made by our own writers: IPTC blocks in both forms and
// with an extended length, annotation blocks of every kind of mark, a tag directory. The test
// checks what each seed reads as and that fuzz/corpus/metadata holds exactly these bytes; with
// CALMORA_WRITE_FUZZ_SEEDS set it writes them there first.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "imaging/core/metadata/imaging_annotations.h"
#include "imaging/core/metadata/iptc_info_list.h"
#include "imaging/core/metadata/tags_handler.h"
#include "tests/imaging/support/bitmap_patterns.h"
#include "tests/support/fuzz_seed_corpus.h"

namespace calmora {
namespace {

using Bytes = std::vector<uint8_t>;

struct Seed {
  const char* name;
  Bytes bytes;
  // What reading the seed must give.
  std::function<void(const Bytes&)> check;
};

Bytes IptcBlock(bool withHeader) {
  TPVIPTCInfoList list;
  list.AddItem(2, 5, 3, "abc");
  list.AddItem(2, 25, 5, "boats");
  list.AddItem(1, 90, 3, "\x1B%G");
  UniqueMallocBlock<uint8_t> block;
  int64_t length = 0;
  list.SaveToBuffer(block, length, withHeader);
  return Bytes(block.get(), block.get() + length);
}

// A bare block whose second dataset takes the extended length form for a short value.
Bytes ExtendedIptcBlock() {
  return {0x1C, 2, 5, 0, 2, 'o', 'k', 0x1C, 2, 120, 0x80, 4, 0, 0, 0, 5, 'h', 'e', 'l', 'l', 'o'};
}

void ExpectIptcCount(const Bytes& bytes, int32_t count) {
  TPVIPTCInfoList list;
  EXPECT_TRUE(list.LoadFromBuffer(bytes.data(), int64_t(bytes.size())));
  EXPECT_EQ(list.GetCount(), count);
}

std::unique_ptr<TPVImagingObject> Mark(int32_t type) {
  auto mark = std::make_unique<TPVImagingObject>();
  for (int i = 0; i < kAnnotAttributesSize; ++i) mark->Attributes[i] = uint8_t(i * 3);
  std::memcpy(mark->Attributes, &type, 4);
  return mark;
}

Bytes AnnotBlock(const std::function<void(TPVImagingAnnot&)>& fill) {
  TPVImagingAnnot annot;
  fill(annot);
  UniqueMallocBlock<uint8_t> block;
  int64_t length = 0;
  annot.SaveToBuffer(block, length);
  return Bytes(block.get(), block.get() + length);
}

void ExpectMarks(const Bytes& bytes, std::vector<int32_t> types) {
  TPVImagingAnnot annot;
  annot.LoadFromBuffer(bytes.data(), int64_t(bytes.size()));
  std::vector<int32_t> read;
  for (const auto& object : annot.Objects) read.push_back(object->GetMarkType());
  EXPECT_EQ(read, types);
}

Bytes TagDirectory() {
  const uint16_t entries[][6] = {
      {0x0001, 2, 4, 0, 'R', 'W'},     // an inline text
      {0x0002, 3, 1, 0, 7, 0},         // an inline short
      {0x0003, 5, 1, 0, 2 + 3 * 12 + 4, 0},  // a rational after the directory
  };
  Bytes bytes = {3, 0};
  for (const auto& e : entries)
    for (const uint16_t word : e) {
      bytes.push_back(uint8_t(word));
      bytes.push_back(uint8_t(word >> 8));
    }
  bytes.insert(bytes.end(), {0, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0});
  return bytes;
}

std::vector<Seed> Seeds() {
  std::vector<Seed> seeds;
  seeds.push_back({"iptc_resource.bin", IptcBlock(true), [](const Bytes& b) { ExpectIptcCount(b, 3); }});
  seeds.push_back({"iptc_bare.bin", IptcBlock(false), [](const Bytes& b) { ExpectIptcCount(b, 4); }});
  seeds.push_back({"iptc_extended.bin", ExtendedIptcBlock(),
                   [](const Bytes& b) { ExpectIptcCount(b, 2); }});
  seeds.push_back({"annot_points.bin", AnnotBlock([](TPVImagingAnnot& annot) {
                     auto mark = Mark(3);
                     mark->PointCount = 2;
                     mark->Points = std::make_unique<TPoint[]>(2);
                     mark->Points[1] = {5, -6};
                     annot.Objects.push_back(std::move(mark));
                     annot.Objects.push_back(Mark(4));
                   }),
                   [](const Bytes& b) { ExpectMarks(b, {3, 4}); }});
  seeds.push_back({"annot_text.bin", AnnotBlock([](TPVImagingAnnot& annot) {
                     auto mark = Mark(7);
                     mark->Text = "note";
                     annot.Objects.push_back(std::move(mark));
                     annot.Objects.push_back(Mark(2));
                   }),
                   [](const Bytes& b) { ExpectMarks(b, {7, 2}); }});
  seeds.push_back({"annot_image.bin", AnnotBlock([](TPVImagingAnnot& annot) {
                     auto mark = Mark(1);
                     mark->Image = std::make_unique<TPVBitmap>(5, 3, pv24RGB);
                     test::WritePattern(*mark->Image, 1);
                     annot.Objects.push_back(std::move(mark));
                     annot.Objects.push_back(Mark(1));
                     annot.Objects.back()->Image = std::make_unique<TPVBitmap>(9, 2, pv1g);
                     test::WritePattern(*annot.Objects.back()->Image, 2);
                   }),
                   [](const Bytes& b) { ExpectMarks(b, {1, 1}); }});
  seeds.push_back({"annot_plain.bin", AnnotBlock([](TPVImagingAnnot& annot) {
                     annot.Objects.push_back(Mark(5));
                     annot.Objects.push_back(Mark(12));
                   }),
                   [](const Bytes& b) { ExpectMarks(b, {5, 12}); }});
  seeds.push_back({"tag_directory.bin", TagDirectory(), [](const Bytes& b) {
                     TPVTagsHandler handler;
                     handler.Data.WriteBuffer(b.data(), int32_t(b.size()));
                     handler.ReadTags();
                     EXPECT_EQ(handler.ReadContext.TagCount, 3);
                   }});
  return seeds;
}

TEST(MetadataFuzzSeeds, EachSeedReadsAsBuilt) {
  for (const Seed& seed : Seeds()) {
    SCOPED_TRACE(seed.name);
    seed.check(seed.bytes);
  }
}

TEST(MetadataFuzzSeeds, TheCorpusHoldsTheseSeeds) {
  test::SeedFiles files;
  for (const Seed& seed : Seeds()) files.emplace_back(seed.name, seed.bytes);
  test::ExpectSeedCorpus("metadata", files);
}

}  // namespace
}  // namespace calmora
