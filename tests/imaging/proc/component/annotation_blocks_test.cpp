// Annotation blocks read and written by TPVImagingAnnot, against blocks that
// annotation_blocks.py builds from the format's tables (not from our writer): the writer's
// bytes, both IntFormats, blocks cut short, font heights against its model, and image marks.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "imaging/base/streams/byte_reader.h"
#include "imaging/core/dpi_globals.h"
#include "imaging/core/metadata/imaging_annotations.h"
#include "tests/imaging/support/bitmap_patterns.h"
#include "tests/support/outside_tool.h"
#include "tests/support/scoped_override.h"
#include "tests/support/scratch_folder.h"

namespace calmora {
namespace {

using Bytes = std::vector<uint8_t>;

// The attribute pattern the script writes: byte i is i * 7 + 3, the type in bytes 0-3, the font
// height in 48-51 when given.
void FillAttributes(uint8_t (&attributes)[kAnnotAttributesSize], int32_t type,
                    const int32_t* fontHeight = nullptr) {
  for (int i = 0; i < kAnnotAttributesSize; ++i) attributes[i] = uint8_t(i * 7 + 3);
  std::memcpy(attributes + kAnnotMarkTypeAt, &type, 4);
  if (fontHeight) std::memcpy(attributes + kAnnotFontHeightAt, fontHeight, 4);
}

int32_t FontHeight(const TPVImagingObject& object) {
  return TPVByteReader(object.Attributes + kAnnotFontHeightAt, 4).ReadLE<int32_t>();
}

std::unique_ptr<TPVImagingObject> NewMark(int32_t type, const int32_t* fontHeight = nullptr) {
  auto object = std::make_unique<TPVImagingObject>();
  FillAttributes(object->Attributes, type, fontHeight);
  return object;
}

Bytes Save(const TPVImagingAnnot& annot) {
  UniqueMallocBlock<uint8_t> data;
  int64_t length = -1;
  annot.SaveToBuffer(data, length);
  return data ? Bytes(data.get(), data.get() + length) : Bytes();
}

void Load(TPVImagingAnnot& annot, const Bytes& block) {
  annot.LoadFromBuffer(block.data(), static_cast<int64_t>(block.size()));
}

// The script's blocks, written into a scratch folder once per test.
class AnnotationBlocks : public ::testing::Test {
 protected:
  // Ends the test (through the assertion) when the script cannot run.
  void MakeBlocks() {
    CALMORA_REQUIRE_TOOL("/usr/bin/python3");
    const std::string script =
        std::string(CALMORA_TEST_SOURCE_DIR) + "/imaging/proc/component/annotation_blocks.py";
    const test::ToolResult run = test::RunTool(
        "/usr/bin/python3 " + test::ShellQuoted(script) + " " + test::ShellQuoted(folder_.Path()));
    ASSERT_EQ(run.Status, 0) << run.Output;
    made_ = true;
  }

  Bytes Block(const std::string& name) const {
    const std::string bytes = test::ReadFileBytes(folder_.File(name + ".bin"));
    EXPECT_FALSE(bytes.empty()) << name;
    return Bytes(bytes.begin(), bytes.end());
  }

  std::vector<int32_t> Heights(const std::string& name) const {
    std::istringstream in(test::ReadFileBytes(folder_.File(name + ".txt")));
    std::vector<int32_t> heights;
    for (int64_t h; in >> h;) heights.push_back(static_cast<int32_t>(h));
    return heights;
  }

  test::ScratchFolder folder_{"calmora-annotations"};
  bool made_ = false;
  test::ScopedOverride<int32_t> dpiX_{ScreenDpiX, 96};
  test::ScopedOverride<int32_t> dpiY_{ScreenDpiY, 96};
};

#define MAKE_BLOCKS()                          \
  do {                                         \
    MakeBlocks();                              \
    if (!made_ || HasFatalFailure()) return;   \
  } while (false)

TEST_F(AnnotationBlocks, OneMarkOfTwoPointsSavesAsTheTableSays) {
  MAKE_BLOCKS();
  TPVImagingAnnot annot;
  auto mark = NewMark(3);
  mark->PointCount = 2;
  mark->Points = std::make_unique<TPoint[]>(2);
  mark->Points[0] = {10, 20};
  mark->Points[1] = {-30, 40};
  annot.Objects.push_back(std::move(mark));
  EXPECT_EQ(Save(annot), Block("saved_two_points"));
}

TEST_F(AnnotationBlocks, TextMarkSavesWithScale750AndReloadsAtItsHeight) {
  MAKE_BLOCKS();
  const int32_t height = -16;
  TPVImagingAnnot annot;
  auto mark = NewMark(7, &height);
  mark->Text = "Caption";
  annot.Objects.push_back(std::move(mark));
  const Bytes saved = Save(annot);
  EXPECT_EQ(saved, Block("saved_text"));

  TPVImagingAnnot reloaded;
  Load(reloaded, saved);
  ASSERT_EQ(reloaded.Objects.size(), 1u);
  EXPECT_EQ(reloaded.Objects[0]->Text, "Caption");
  EXPECT_EQ(FontHeight(*reloaded.Objects[0]), height);
}

TEST_F(AnnotationBlocks, MarksWithoutExtraDataKeepTheir164Bytes) {
  MAKE_BLOCKS();
  TPVImagingAnnot annot;
  annot.UserChanged = true;
  Load(annot, Block("saved_plain_marks"));
  EXPECT_FALSE(annot.UserChanged);
  ASSERT_EQ(annot.Objects.size(), 2u);
  const int32_t types[] = {5, 11};
  for (size_t i = 0; i < 2; ++i) {
    uint8_t expected[kAnnotAttributesSize];
    FillAttributes(expected, types[i]);
    EXPECT_EQ(0, std::memcmp(annot.Objects[i]->Attributes, expected, sizeof(expected))) << i;
    EXPECT_EQ(annot.Objects[i]->Points, nullptr);
    EXPECT_FALSE(annot.Objects[i]->Text.has_value());
    EXPECT_EQ(annot.Objects[i]->Image, nullptr);
  }
  EXPECT_EQ(Save(annot), Block("saved_plain_marks"));
}

// What the mixed blocks hold, whichever IntFormat: the set's blocks and unknown names are
// passed over, a type-2 mark drops its 56-byte record.
void ExpectMixedMarks(const TPVImagingAnnot& annot, const char* format) {
  SCOPED_TRACE(format);
  ASSERT_EQ(annot.Objects.size(), 4u);
  const int32_t types[] = {3, 5, 2, 8};
  for (size_t i = 0; i < 4; ++i) EXPECT_EQ(annot.Objects[i]->GetMarkType(), types[i]);
  const TPVImagingObject& line = *annot.Objects[0];
  ASSERT_EQ(line.PointCount, 3);
  EXPECT_EQ(line.Points[0], (TPoint{1, 2}));
  EXPECT_EQ(line.Points[1], (TPoint{3, 4}));
  EXPECT_EQ(line.Points[2], (TPoint{-5, 6}));
  EXPECT_EQ(annot.Objects[3]->Text, "Hello");
  EXPECT_EQ(FontHeight(*annot.Objects[3]), 12);  // made at 96 dpi, read at 96 dpi
  for (size_t i = 1; i < 3; ++i) {
    EXPECT_EQ(annot.Objects[i]->Points, nullptr);
    EXPECT_FALSE(annot.Objects[i]->Text.has_value());
  }
}

TEST_F(AnnotationBlocks, IntFormat0And1LoadAlike) {
  MAKE_BLOCKS();
  TPVImagingAnnot old, current;
  Load(old, Block("mixed_format0"));
  Load(current, Block("mixed_format1"));
  ExpectMixedMarks(old, "IntFormat 0");
  ExpectMixedMarks(current, "IntFormat 1");
  // Written back, both are the same block (the writer always uses IntFormat 1).
  EXPECT_EQ(Save(old), Save(current));
}

TEST_F(AnnotationBlocks, LoadingAppendsToTheMarksThere) {
  MAKE_BLOCKS();
  TPVImagingAnnot annot;
  Load(annot, Block("saved_plain_marks"));
  Load(annot, Block("saved_two_points"));
  ASSERT_EQ(annot.Objects.size(), 3u);
  EXPECT_EQ(annot.Objects[2]->GetMarkType(), 3);
}

TEST_F(AnnotationBlocks, ABlockThatDoesNotFitEndsTheParseKeepingEarlierMarks) {
  MAKE_BLOCKS();
  struct Case {
    const char* block;
    std::vector<int32_t> types;  // of the marks kept
  };
  const Case cases[] = {
      {"cut_point_count", {3, 4}},  // the mark stays, without the points that do not fit
      {"cut_size", {3, 6}},
      {"cut_attributes", {3}},
      {"cut_text_end", {3, 6}},
      {"cut_block_header", {3}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.block);
    TPVImagingAnnot annot;
    Load(annot, Block(c.block));
    ASSERT_EQ(annot.Objects.size(), c.types.size());
    for (size_t i = 0; i < c.types.size(); ++i)
      EXPECT_EQ(annot.Objects[i]->GetMarkType(), c.types[i]);
    ASSERT_EQ(annot.Objects[0]->PointCount, 1);
    EXPECT_EQ(annot.Objects[0]->Points[0], (TPoint{7, 8}));
    if (c.types.size() > 1) {
      EXPECT_EQ(annot.Objects[1]->Points, nullptr);
    }
  }
}

TEST_F(AnnotationBlocks, FontHeightsFollowTheModelAtEveryScreenResolution) {
  MAKE_BLOCKS();
  for (const int32_t dpi : {96, 64, 120, 72, 300, -96, 0}) {
    const std::string name = "text_heights_" + std::to_string(dpi);
    SCOPED_TRACE(name);
    test::ScopedOverride<int32_t> screen(ScreenDpiY, dpi);
    TPVImagingAnnot annot;
    Load(annot, Block(name));
    const std::vector<int32_t> expected = Heights(name);
    ASSERT_EQ(annot.Objects.size(), expected.size());
    ASSERT_FALSE(expected.empty());
    for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(FontHeight(*annot.Objects[i]), expected[i]) << i;
  }
}

TEST(AnnotationWriter, AnEmptyListSavesNothing) {
  TPVImagingAnnot annot;
  UniqueMallocBlock<uint8_t> data(static_cast<uint8_t*>(std::malloc(4)));
  int64_t length = 4;
  annot.SaveToBuffer(data, length);
  EXPECT_EQ(data, nullptr);
  EXPECT_EQ(length, 0);
}

TEST(AnnotationReader, AnEmptyBlockReadsNothing) {
  TPVImagingAnnot annot;
  annot.UserChanged = true;
  const uint8_t block[8] = {};
  annot.LoadFromBuffer(block, 0);
  annot.LoadFromBuffer(nullptr, 8);
  EXPECT_TRUE(annot.UserChanged);
  annot.LoadFromBuffer(block, 4);  // too short for the header: no marks, but a load
  EXPECT_TRUE(annot.Objects.empty());
  EXPECT_FALSE(annot.UserChanged);
}

// The DIB block the writer made of the only image mark: its width and height fields.
void ExpectDibSize(const Bytes& block, int32_t width, int32_t height) {
  const uint8_t name[8] = {'O', 'i', 'D', 'I', 'B', 0, 0, 0};
  const auto at = std::search(block.begin(), block.end(), name, name + 8);
  ASSERT_NE(at, block.end());
  const size_t header = size_t(at - block.begin()) + 8 + 4;
  TPVByteReader dib(block.data() + header, int64_t(block.size() - header));
  dib.Skip(4);
  EXPECT_EQ(dib.ReadLE<int32_t>(), width);
  EXPECT_EQ(dib.ReadLE<int32_t>(), height);
}

TEST(AnnotationImages, AnImageMarkSurvivesSaveAndLoadPixelForPixel) {
  test::TempFolderScope temp;
  struct Case {
    int32_t width, height;
    test::Storage storage;
  };
  // Larger and smaller than the 200 x 200 that was once the whole of what got written.
  const Case cases[] = {{300, 250, test::Storage::MemoryBlock},
                        {300, 250, test::Storage::File},
                        {37, 21, test::Storage::MemoryBlock}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height) + " " +
                 test::StorageName(c.storage));
    TPVImagingAnnot annot;
    auto mark = NewMark(kAnnotImageMark);
    mark->Image = std::make_unique<TPVBitmap>();
    test::Prepare(*mark->Image, c.storage);
    ASSERT_TRUE(mark->Image->Allocate(c.width, c.height, pv24RGB));
    test::WritePattern(*mark->Image, c.width);
    const TPVBitmap& original = *mark->Image;
    annot.Objects.push_back(std::move(mark));

    const Bytes saved = Save(annot);
    ExpectDibSize(saved, c.width, c.height);
    TPVImagingAnnot reloaded;
    Load(reloaded, saved);
    ASSERT_EQ(reloaded.Objects.size(), 1u);
    const TPVBitmap* image = reloaded.Objects[0]->Image.get();
    ASSERT_NE(image, nullptr);
    ASSERT_EQ(image->GetPixelFormat(), pv24RGB);
    ASSERT_EQ(image->GetWidth(), c.width);
    ASSERT_EQ(image->GetHeight(), c.height);
    const int32_t pixelBytes = test::PixelBytes(c.width, pv24RGB);
    EXPECT_EQ(test::ReadRows(*image, pixelBytes), test::ReadRows(original, pixelBytes));
    EXPECT_EQ(Save(reloaded), saved);
  }
}

// A 104-byte DIB of a bit count no conversion reads (or of rows that are not there) claiming
// 3000 x 2000 pixels: the mark is kept, without a picture (the loader would make a black one of
// that size for the first).
TEST(AnnotationImages, ADibWhoseRowsAreNotReadGivesNoPicture) {
  for (const uint16_t bitCount : {2, 24}) {
    SCOPED_TRACE(bitCount);
    Bytes dib(40 + 64, 0);
    const int32_t header[] = {40, 3000, 2000};
    std::memcpy(dib.data(), header, sizeof(header));
    dib[12] = 1;
    std::memcpy(dib.data() + 14, &bitCount, 2);
    TPVAnnotNamedBlocks blocks;
    blocks.DIB = dib;
    uint8_t attributes[kAnnotAttributesSize] = {kAnnotImageMark};
    TPVImagingAnnot annot;
    AddAnnotObject(annot, blocks, attributes);
    ASSERT_EQ(annot.Objects.size(), 1u);
    EXPECT_EQ(annot.Objects[0]->Image, nullptr);
  }
}

}  // namespace
}  // namespace calmora
