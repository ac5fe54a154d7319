// The annotation marks' own operations: deep copies, and ReadAnnotNamedBlock taking one named
// block apart (what each name keeps, sizes and text ends checked against the data).
#include "imaging/core/metadata/imaging_annotations.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "imaging/base/streams/byte_reader.h"
#include "tests/imaging/support/bitmap_patterns.h"

namespace calmora {
namespace {

using Bytes = std::vector<uint8_t>;

void Put32(Bytes& bytes, int32_t value) {
  for (int i = 0; i < 4; ++i) bytes.push_back(uint8_t(uint32_t(value) >> (8 * i)));
}

// A named block from its name on (the type and length words read already): the name padded to
// 8 bytes, the size (the data's unless given), the old layout's extra word, the data.
Bytes NamedBlock(const std::string& name, const Bytes& data, int32_t intFormat = 1,
                 std::optional<int32_t> size = std::nullopt) {
  Bytes block(name.begin(), name.end());
  block.resize(8, 0);
  Put32(block, size.value_or(int32_t(data.size())));
  if (intFormat == 0) Put32(block, 0x5A5A5A5A);
  block.insert(block.end(), data.begin(), data.end());
  return block;
}

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end() + 1); }

Bytes Points(std::initializer_list<TPoint> points) {
  Bytes bytes;
  Put32(bytes, 99);  // the maximum, kept as read
  Put32(bytes, int32_t(points.size()));
  for (const TPoint& p : points) {
    Put32(bytes, p.x);
    Put32(bytes, p.y);
  }
  return bytes;
}

// Reads the block followed by a trailer, and tells where the reader stopped.
bool Read(TPVAnnotNamedBlocks& blocks, const Bytes& block, int32_t markType,
          int32_t intFormat = 1, int64_t* position = nullptr) {
  Bytes data = block;
  data.insert(data.end(), {'t', 'a', 'i', 'l'});
  TPVByteReader reader(data.data(), int64_t(data.size()));
  const bool read = ReadAnnotNamedBlock(blocks, reader, markType, intFormat);
  EXPECT_EQ(read, !reader.Failed());
  if (position) *position = reader.Position();
  return read;
}

TEST(AnnotNamedBlocks, EachNameKeepsItsData) {
  const Bytes record(56, 0x56), dib(60, 0xD1), textRecord(30, 0x7E);
  struct Case {
    const char* name;
    Bytes data;
    int32_t markType;
    TPVAnnotBlockData TPVAnnotNamedBlocks::*slot;  // null: nothing kept
    Bytes kept;
  };
  const Case cases[] = {
      {"OiAnoDat", record, 1, &TPVAnnotNamedBlocks::MarkData, record},
      {"OiAnoDat", record, 2, &TPVAnnotNamedBlocks::MarkData, record},
      {"OiAnoDat", record, 12, &TPVAnnotNamedBlocks::MarkData, record},
      {"OiAnoDat", Points({{1, 2}, {-3, 4}}), 3, &TPVAnnotNamedBlocks::PointData,
       Points({{1, 2}, {-3, 4}})},
      {"OiAnoDat", Points({{5, 6}}), 4, &TPVAnnotNamedBlocks::PointData, Points({{5, 6}})},
      {"OiAnoDat", record, 7, nullptr, {}},
      {"OiAnoDat", record, 0, nullptr, {}},
      {"OiFilNam", Text("c:\\page.tif"), 1, &TPVAnnotNamedBlocks::FileName, Text("c:\\page.tif")},
      {"OiGroup", Text("group"), 0, &TPVAnnotNamedBlocks::Group, Text("group")},
      {"OiIndex", Text("12"), 5, &TPVAnnotNamedBlocks::Index, Text("12")},
      {"OiDIB", dib, 1, &TPVAnnotNamedBlocks::DIB, dib},
      {"OiDIB", dib, 3, &TPVAnnotNamedBlocks::DIB, dib},
      {"OiAnText", textRecord, 7, &TPVAnnotNamedBlocks::TextData, textRecord},
      {"OiAnTex", textRecord, 7, nullptr, {}},  // names compare whole
      {"oianotext", textRecord, 7, nullptr, {}},
      {"Unknown", dib, 1, nullptr, {}},
  };
  for (const Case& c : cases) {
    for (const int32_t intFormat : {0, 1}) {
      SCOPED_TRACE(std::string(c.name) + " type " + std::to_string(c.markType) + " IntFormat " +
                   std::to_string(intFormat));
      TPVAnnotNamedBlocks blocks;
      const Bytes block = NamedBlock(c.name, c.data, intFormat);
      int64_t position = 0;
      ASSERT_TRUE(Read(blocks, block, c.markType, intFormat, &position));
      EXPECT_EQ(position, int64_t(block.size()));  // just after the data
      for (auto slot : {&TPVAnnotNamedBlocks::PointData, &TPVAnnotNamedBlocks::MarkData,
                        &TPVAnnotNamedBlocks::FileName, &TPVAnnotNamedBlocks::DIB,
                        &TPVAnnotNamedBlocks::Group, &TPVAnnotNamedBlocks::Index,
                        &TPVAnnotNamedBlocks::TextData}) {
        if (slot == c.slot) {
          ASSERT_TRUE((blocks.*slot).has_value());
          EXPECT_EQ(*(blocks.*slot), c.kept);
        } else {
          EXPECT_FALSE((blocks.*slot).has_value());
        }
      }
    }
  }
}

TEST(AnnotNamedBlocks, TextsAndPointsReadWhateverTheSizeSays) {
  TPVAnnotNamedBlocks blocks;
  // Texts run to their zero, points to their count; the position still moves by the size.
  int64_t position = 0;
  ASSERT_TRUE(Read(blocks, NamedBlock("OiGroup", Text("longer"), 1, 2), 0, 1, &position));
  EXPECT_EQ(*blocks.Group, Text("longer"));
  EXPECT_EQ(position, 12 + 2);
  ASSERT_TRUE(Read(blocks, NamedBlock("OiAnoDat", Points({{1, 1}, {2, 2}}), 1, 8), 3, 1, &position));
  EXPECT_EQ(*blocks.PointData, Points({{1, 1}, {2, 2}}));
  EXPECT_EQ(position, 12 + 8);
}

TEST(AnnotNamedBlocks, ANameOfEightLettersHasNoZero) {
  TPVAnnotNamedBlocks blocks;
  const Bytes block = NamedBlock("OiAnText", {1, 2, 3});
  EXPECT_EQ(block[7], 't');
  ASSERT_TRUE(Read(blocks, block, 9));
  EXPECT_EQ(*blocks.TextData, (Bytes{1, 2, 3}));
}

TEST(AnnotNamedBlocks, ReadingANameAgainReplacesItsBlock) {
  TPVAnnotNamedBlocks blocks;
  ASSERT_TRUE(Read(blocks, NamedBlock("OiIndex", Text("1")), 0));
  ASSERT_TRUE(Read(blocks, NamedBlock("OiIndex", Text("22")), 0));
  EXPECT_EQ(*blocks.Index, Text("22"));
  FreeAnnotNamedBlocks(blocks);
  EXPECT_FALSE(blocks.Index.has_value());
}

TEST(AnnotNamedBlocks, BlocksThatDoNotFitKeepNothing) {
  const Bytes dib(20, 1);
  struct Case {
    const char* what;
    Bytes block;
    int32_t markType;
    int64_t cutTo;  // bytes of the block kept (all when negative)
    int32_t intFormat = 1;
  };
  Bytes pointsPastTheEnd;
  Put32(pointsPastTheEnd, 1);
  Put32(pointsPastTheEnd, 0x20000000);
  Bytes negativePoints;
  Put32(negativePoints, 1);
  Put32(negativePoints, -1);
  const Case cases[] = {
      {"size past the end", NamedBlock("OiDIB", dib, 1, 1000), 1, -1},
      {"negative size", NamedBlock("OiDIB", dib, 1, -5), 1, -1},
      {"size field cut", NamedBlock("OiDIB", dib), 1, 10},
      {"name cut", NamedBlock("OiDIB", dib), 1, 5},
      {"extra word cut", NamedBlock("OiDIB", {}, 0), 1, 14, 0},
      {"mark record past the end", NamedBlock("OiAnoDat", Bytes(40, 0), 1, 0), 1, -1},
      {"point count past the end", NamedBlock("OiAnoDat", pointsPastTheEnd), 3, -1},
      {"negative point count", NamedBlock("OiAnoDat", negativePoints), 4, -1},
      {"point header cut", NamedBlock("OiAnoDat", {1, 0, 0, 0}), 3, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TPVAnnotNamedBlocks blocks;
    const Bytes block = c.cutTo < 0 ? c.block : Bytes(c.block.begin(), c.block.begin() + c.cutTo);
    // Read without a trailer: what lies past the block is past the data.
    TPVByteReader reader(block.data(), int64_t(block.size()));
    EXPECT_FALSE(ReadAnnotNamedBlock(blocks, reader, c.markType, c.intFormat));
    EXPECT_TRUE(reader.Failed());
    EXPECT_FALSE(blocks.DIB || blocks.MarkData || blocks.PointData);
  }
  // A text whose zero lies past the data.
  TPVAnnotNamedBlocks blocks;
  const Bytes open = NamedBlock("OiGroup", {'a', 'b'});
  TPVByteReader reader(open.data(), int64_t(open.size()));
  EXPECT_FALSE(ReadAnnotNamedBlock(blocks, reader, 0, 1));
  EXPECT_FALSE(blocks.Group.has_value());
}

std::unique_ptr<TPVImagingObject> Mark(int32_t type) {
  auto mark = std::make_unique<TPVImagingObject>();
  for (int i = 0; i < kAnnotAttributesSize; ++i) mark->Attributes[i] = uint8_t(i + type);
  std::memcpy(mark->Attributes, &type, 4);
  return mark;
}

TEST(ImagingAnnot, AssignCopiesEveryMarkDeeply) {
  test::TempFolderScope temp;
  TPVImagingAnnot copy;
  copy.Objects.push_back(Mark(5));
  TObject parent;
  copy.Parent = &parent;
  copy.UserChanged = true;
  TPVBitmap expectedImage(23, 17, pv24RGB);
  test::WritePattern(expectedImage, 3);
  {
    auto source = std::make_unique<TPVImagingAnnot>();
    source->Objects.push_back(Mark(3));
    source->Objects[0]->PointCount = 2;
    source->Objects[0]->Points = std::make_unique<TPoint[]>(2);
    source->Objects[0]->Points[0] = {1, -2};
    source->Objects[0]->Points[1] = {30, 40};
    source->Objects.push_back(Mark(7));
    source->Objects[1]->Text = "note";
    source->Objects.push_back(Mark(1));
    source->Objects[2]->Image = std::make_unique<TPVBitmap>();
    ASSERT_TRUE(source->Objects[2]->Image->Assign(&expectedImage));
    source->Objects.push_back(Mark(11));
    copy.Assign(source.get());
  }  // the copy outlives its source
  EXPECT_EQ(copy.Parent, &parent);
  EXPECT_TRUE(copy.UserChanged);
  ASSERT_EQ(copy.Objects.size(), 4u);
  const int32_t types[] = {3, 7, 1, 11};
  for (size_t i = 0; i < 4; ++i) {
    const auto expected = Mark(types[i]);
    EXPECT_EQ(0, std::memcmp(copy.Objects[i]->Attributes, expected->Attributes,
                             kAnnotAttributesSize));
    EXPECT_EQ(copy.Objects[i]->GetMarkType(), types[i]);
  }
  ASSERT_EQ(copy.Objects[0]->PointCount, 2);
  EXPECT_EQ(copy.Objects[0]->Points[1], (TPoint{30, 40}));
  EXPECT_EQ(copy.Objects[1]->Text, "note");
  EXPECT_FALSE(copy.Objects[3]->Text.has_value());
  EXPECT_EQ(copy.Objects[3]->Points, nullptr);
  EXPECT_EQ(copy.Objects[3]->Image, nullptr);
  const TPVBitmap* image = copy.Objects[2]->Image.get();
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(test::ReadRows(*image), test::ReadRows(expectedImage));

  copy.Assign(nullptr);
  copy.Assign(&copy);
  EXPECT_EQ(copy.Objects.size(), 4u);
  copy.Clear();
  EXPECT_TRUE(copy.Objects.empty());
}

}  // namespace
}  // namespace calmora
