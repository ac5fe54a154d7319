// IPTC blocks against exiftool, both ways: our block spliced into a JPEG as APP13 reads back in
// exiftool as the same datasets, and the APP13 exiftool writes loads as exiftool's datasets,
// also where the resource's size or name holds the tag byte; IsExifBlock tells that file's EXIF
// APP1 from its XMP APP1.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <sstream>
#include <string>
#include <vector>

#include "imaging/core/metadata/iptc_info_list.h"
#include "imaging/core/metadata/is_exif_block.h"
#include "tests/imaging/core/metadata/iptc_datasets.h"
#include "tests/imaging/core/metadata/jpeg_segments.h"
#include "tests/support/outside_tool.h"
#include "tests/support/scratch_folder.h"

namespace calmora {
namespace {

using test::Bytes;
using test::Dataset;
using test::Datasets;
using test::Text;

// A dump line "- Tag 0x0005, IPTCApplication record (15 bytes, ...)": the dataset it opens and
// how many bytes follow in hex lines.
bool ParseTagLine(const std::string& line, Dataset& dataset, size_t& bytes) {
  const size_t tag = line.find("- Tag 0x");
  const size_t record = line.find(", IPTC", tag);
  const size_t length = line.find(" record (", record);
  if (tag == std::string::npos || record == std::string::npos || length == std::string::npos)
    return false;
  const std::string name = line.substr(record + 6, length - record - 6);
  dataset = {name == "Envelope" ? 1 : name == "Application" ? 2 : -1,
             std::stoi(line.substr(tag + 8, 4), nullptr, 16), {}};
  bytes = std::stoul(line.substr(length + 9));
  return true;
}

// A dump line "  | |     0031: 41 42 43 ... [ABC...]": the bytes it shows.
Bytes ParseHexLine(const std::string& line) {
  const size_t start = line.find_first_not_of(" |");
  const size_t colon = line.find(": ", start);
  if (start == std::string::npos || colon == std::string::npos ||
      line.find_first_not_of("0123456789abcdef", start) != colon)
    return {};
  Bytes bytes;
  for (size_t at = colon + 2; at + 2 <= line.size() && std::isxdigit(uint8_t(line[at])) &&
                              std::isxdigit(uint8_t(line[at + 1]));
       at += 3)
    bytes.push_back(uint8_t(std::stoul(line.substr(at, 2), nullptr, 16)));
  return bytes;
}

// The IPTC datasets exiftool finds in a file, in file order, from its verbose dump.
std::vector<Dataset> ExiftoolDatasets(const std::string& path) {
  const test::ToolResult dump = test::RunTool("exiftool -v5 " + test::ShellQuoted(path), false);
  EXPECT_EQ(dump.Status, 0);
  std::vector<Dataset> datasets;
  size_t wanted = 0;  // bytes still to come for the last dataset
  std::istringstream lines(dump.Output);
  for (std::string line; std::getline(lines, line);) {
    Dataset dataset;
    size_t bytes = 0;
    if (ParseTagLine(line, dataset, bytes)) {
      datasets.push_back(dataset);
      wanted = bytes;
    } else if (wanted > 0) {
      const Bytes shown = ParseHexLine(line);
      const size_t taken = std::min(wanted, shown.size());
      datasets.back().data.insert(datasets.back().data.end(), shown.begin(), shown.begin() + taken);
      wanted -= taken;
    }
  }
  return datasets;
}

std::string MakeJpeg(const test::ScratchFolder& folder, const std::string& name) {
  const std::string path = folder.File(name);
  EXPECT_EQ(test::RunTool("convert -size 16x16 xc:gray " + test::ShellQuoted(path)).Status, 0);
  return path;
}

TEST(IPTCExiftool, ExiftoolReadsOurBlockAsTheSameDatasets) {
  CALMORA_REQUIRE_TOOL("exiftool");
  CALMORA_REQUIRE_TOOL("convert");
  test::ScratchFolder folder("calmora-iptc");
  Bytes caption(40000);
  for (size_t i = 0; i < caption.size(); ++i) caption[i] = uint8_t('a' + i * 7 % 26);
  const std::vector<Dataset> datasets = {{2, 5, Text("Harbour at dawn")},
                                         {2, 25, Text("boats")},
                                         {2, 25, Text("fog")},
                                         {2, 120, caption}};
  TPVIPTCInfoList list;
  for (const Dataset& d : datasets)
    list.AddItem(d.record, d.dataset, int32_t(d.data.size()), d.data.data());
  UniqueMallocBlock<uint8_t> block;
  int64_t length = 0;
  list.SaveToBuffer(block, length, true);
  ASSERT_LE(length, 65533);

  const std::string jpeg = MakeJpeg(folder, "ours.jpg");
  const std::string spliced = test::WithSegment(test::ReadFileBytes(jpeg), 0xED,
                                                Bytes(block.get(), block.get() + length));
  ASSERT_TRUE(test::WriteFileBytes(jpeg, spliced));
  EXPECT_EQ(ExiftoolDatasets(jpeg), datasets);
  // Beside the dump, exiftool's own reading of the long caption, whole.
  const std::string read =
      test::RunTool("exiftool -b -IPTC:Caption-Abstract " + test::ShellQuoted(jpeg), false).Output;
  EXPECT_TRUE(read == std::string(caption.begin(), caption.end()));
}

TEST(IPTCExiftool, ExiftoolsBlockLoadsAsItsDatasets) {
  CALMORA_REQUIRE_TOOL("exiftool");
  CALMORA_REQUIRE_TOOL("convert");
  test::ScratchFolder folder("calmora-iptc");
  const std::string jpeg = MakeJpeg(folder, "theirs.jpg");
  const test::ToolResult written = test::RunTool(
      "exiftool -q -overwrite_original -IPTC:ObjectName='Harbour at dawn' -IPTC:Keywords=boats "
      "-IPTC:Keywords=fog -IPTC:By-line=Calmora -Make=Calmora -XMP-dc:Title=Dawn " +
      test::ShellQuoted(jpeg));
  ASSERT_EQ(written.Status, 0) << written.Output;
  const auto segments = test::ReadJpegSegments(test::ReadFileBytes(jpeg));

  const auto app13 = test::PayloadsOfType(segments, 0xED);
  ASSERT_EQ(app13.size(), 1u);
  TPVIPTCInfoList list;
  ASSERT_TRUE(list.LoadFromBuffer(app13[0].data(), int64_t(app13[0].size())));
  const std::vector<Dataset> expected = ExiftoolDatasets(jpeg);
  ASSERT_EQ(expected.size(), 5u);  // the four written and exiftool's record version
  EXPECT_EQ(Datasets(list), expected);

  // exiftool writes the EXIF APP1 first and the XMP APP1 after it.
  const auto app1 = test::PayloadsOfType(segments, 0xE1);
  ASSERT_EQ(app1.size(), 2u);
  const std::string xmpName = "http://ns.adobe.com/xap/1.0/";
  ASSERT_TRUE(std::equal(xmpName.begin(), xmpName.end(), app1[1].begin()));
  EXPECT_TRUE(IsExifBlock(app1[0].data(), int64_t(app1[0].size())));
  EXPECT_FALSE(IsExifBlock(app1[1].data(), int64_t(app1[1].size())));
}

// Resource sizes with the tag byte 0x1C in the bytes a JPEG segment can reach, and names of odd
// and even lengths, some of them the tag byte.
const uint32_t kSizesHoldingTheTagByte[] = {0x1C, 0x11C, 0x1C30, 0x1C1C};
const std::string kResourceNames[] = {"a", "ab", "\x1C", "\x1C\x1C", std::string(28, 'n')};

TEST(IPTCExiftool, OurResourceHeadersHoldingTheTagByteReadAlikeInBoth) {
  CALMORA_REQUIRE_TOOL("exiftool");
  CALMORA_REQUIRE_TOOL("convert");
  test::ScratchFolder folder("calmora-iptc");
  const std::string plain = test::ReadFileBytes(MakeJpeg(folder, "plain.jpg"));
  struct Block {
    std::string name;
    Bytes bytes;
    std::vector<Dataset> datasets;
  };
  std::vector<Block> blocks;
  for (const uint32_t size : kSizesHoldingTheTagByte) {  // saved by us: an empty name
    const std::vector<Dataset> datasets = test::DatasetsOfSize(size);
    TPVIPTCInfoList list;
    test::AddAll(list, datasets);
    UniqueMallocBlock<uint8_t> block;
    int64_t length = 0;
    list.SaveToBuffer(block, length, true);
    blocks.push_back({"saved, size " + std::to_string(size),
                      Bytes(block.get(), block.get() + length), datasets});
    ASSERT_EQ(test::ResourceSizeField(blocks.back().bytes), size);
  }
  for (const std::string& name : kResourceNames) {
    const std::vector<Dataset> datasets = test::DatasetsOfSize(0x1C30);
    blocks.push_back({"named " + testing::PrintToString(name),
                      test::ResourceBlock(name, 0x1C30, test::DatasetBytes(datasets)), datasets});
  }
  for (const Block& block : blocks) {
    SCOPED_TRACE(block.name);
    const std::string jpeg = folder.File("block.jpg");
    ASSERT_TRUE(test::WriteFileBytes(jpeg, test::WithSegment(plain, 0xED, block.bytes)));
    EXPECT_EQ(ExiftoolDatasets(jpeg), block.datasets);
    TPVIPTCInfoList read;
    ASSERT_TRUE(read.LoadFromBuffer(block.bytes.data(), int64_t(block.bytes.size())));
    EXPECT_EQ(Datasets(read), block.datasets);
  }
}

// The APP13 exiftool writes for a caption of the length; its size field through the second.
Bytes ExiftoolBlock(const test::ScratchFolder& folder, size_t captionLength, uint32_t& size) {
  const std::string jpeg = MakeJpeg(folder, "caption.jpg");
  const std::string captionFile = folder.File("caption.txt");
  std::string caption(captionLength, 'c');
  for (size_t i = 0; i < captionLength; ++i) caption[i] = char('a' + i * 11 % 26);
  EXPECT_TRUE(test::WriteFileBytes(captionFile, caption));
  // -m: the caption may pass the 2,000 characters the IPTC guidelines suggest.
  const test::ToolResult written =
      test::RunTool("exiftool -q -m -overwrite_original -IPTC:ObjectName=Harbour "
                    "'-IPTC:Caption-Abstract<=" + captionFile + "' " + test::ShellQuoted(jpeg));
  EXPECT_EQ(written.Status, 0) << written.Output;
  const auto app13 = test::PayloadsOfType(test::ReadJpegSegments(test::ReadFileBytes(jpeg)), 0xED);
  if (app13.size() != 1) return {};
  size = test::ResourceSizeField(app13[0]).value_or(0);
  return app13[0];
}

TEST(IPTCExiftool, ExiftoolsResourceSizesHoldingTheTagByteLoadAsItsDatasets) {
  CALMORA_REQUIRE_TOOL("exiftool");
  CALMORA_REQUIRE_TOOL("convert");
  test::ScratchFolder folder("calmora-iptc");
  // What exiftool adds to the caption's bytes, measured once, sets the caption of each size.
  uint32_t baseSize = 0;
  ExiftoolBlock(folder, 100, baseSize);
  ASSERT_GT(baseSize, 100u);
  for (const uint32_t wanted : kSizesHoldingTheTagByte) {
    if (wanted < baseSize) continue;  // 0x1C: too small for exiftool's datasets
    SCOPED_TRACE(wanted);
    uint32_t size = 0;
    const Bytes block = ExiftoolBlock(folder, 100 + wanted - baseSize, size);
    ASSERT_EQ(size, wanted);
    TPVIPTCInfoList read;
    ASSERT_TRUE(read.LoadFromBuffer(block.data(), int64_t(block.size())));
    const std::vector<Dataset> expected = ExiftoolDatasets(folder.File("caption.jpg"));
    ASSERT_EQ(expected.size(), 3u);  // name, caption and exiftool's record version
    EXPECT_EQ(Datasets(read), expected);
  }
}

}  // namespace
}  // namespace calmora
