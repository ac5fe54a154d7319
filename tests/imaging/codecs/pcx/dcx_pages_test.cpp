// DCX: pages read by index (clamped and stored back), pages added before an old page or after
// the last, an index past the page count clamped, and the table helpers; against ImageMagick's
// three-page files.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/imaging/codecs/pcx/pcx_test_support.h"

namespace calmora {
namespace {

// A one-colour picture per page, so a page is known by its colour.
std::string SolidPPM(int32_t width, int32_t height, uint8_t r, uint8_t g, uint8_t b) {
  std::string ppm = "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
  for (int32_t i = 0; i < width * height; ++i) ppm += std::string{char(r), char(g), char(b)};
  return ppm;
}

std::string ThreePagesByImageMagick(test::ScratchFolder& folder) {
  test::WriteFileBytes(folder.File("a.ppm"), SolidPPM(10, 6, 200, 0, 0));
  test::WriteFileBytes(folder.File("b.ppm"), SolidPPM(12, 7, 0, 200, 0));
  test::WriteFileBytes(folder.File("c.ppm"), SolidPPM(14, 8, 0, 0, 200));
  test::RunTool("cd " + test::ShellQuoted(folder.Path()) +
                    " && /usr/bin/convert a.ppm b.ppm c.ppm dcx:out.dcx 2>/dev/null",
                false);
  return test::ReadFileBytes(folder.File("out.dcx"));
}

struct DcxRead {
  int32_t Pages = 0;
  bool Aborting = false;
};

DcxRead ReadDCX(const std::string& bytes, TPVBitmap& bitmap, TIOParamsVals& params) {
  TPVMemStream stream(bytes.data(), static_cast<int64_t>(bytes.size()));
  bool aborting = false;
  TPVProgressRecord progress;
  progress.Aborting = &aborting;
  const int32_t pages = ReadDCXStream(&stream, bitmap, params, progress, false);
  return {pages, aborting};
}

TEST(ReadDCXStream, ReadsThePageOfTheClampedIndexAndStoresItBack) {
  CALMORA_REQUIRE_TOOL("/usr/bin/convert");
  test::ScratchFolder folder("calmora-dcx");
  const std::string dcx = ThreePagesByImageMagick(folder);
  struct Case {
    int32_t Index, Page, Width;
  };
  for (const Case& c : {Case{0, 0, 10}, Case{1, 1, 12}, Case{2, 2, 14}, Case{7, 2, 14},
                        Case{-3, 0, 10}}) {
    TIOParamsVals params(nullptr);
    params.DCX_ImageIndex = c.Index;
    TPVBitmap bitmap;
    const DcxRead read = ReadDCX(dcx, bitmap, params);
    ASSERT_FALSE(read.Aborting) << c.Index;
    EXPECT_EQ(read.Pages, 3);
    EXPECT_EQ(params.DCX_ImageIndex, c.Page) << c.Index;
    EXPECT_EQ(bitmap.GetWidth(), c.Width) << c.Index;
  }
}

TEST(ReadDCXStream, RefusesWhatIsNoDCX) {
  std::string noPages("\xB1\x68\xDE\x3A\0\0\0\0", 8);
  const std::string cases[] = {"", "PCX", noPages, std::string("\xB1\x68\xDE\x3A\x50\0\0\0\0\0\0\0", 12)};
  for (const std::string& bytes : cases) {
    TIOParamsVals params(nullptr);
    TPVBitmap bitmap;
    const DcxRead read = ReadDCX(bytes, bitmap, params);
    EXPECT_TRUE(read.Aborting) << bytes.size();
    EXPECT_TRUE(bitmap.IsEmpty());
  }
}

TEST(GetDCXPageSizes, RunsToTheNextLargerOffsetOrTheEnd) {
  EXPECT_EQ(GetDCXPageSizes({20, 100, 60}, 300), (std::vector<int64_t>{40, 200, 40}));
  EXPECT_EQ(GetDCXPageSizes({}, 300), std::vector<int64_t>{});
  EXPECT_EQ(GetDCXPageSizes({20, 20}, 50), (std::vector<int64_t>{30, 30}));
}

TEST(ReadDCXOffsets, StopsAtZeroOrAtTheEnd) {
  const std::string table("\x10\0\0\0\x20\0\0\0\0\0\0\0\x30\0\0\0", 16);
  TPVMemStream stream(table.data(), 16);
  EXPECT_EQ(ReadDCXOffsets(&stream), (std::vector<int64_t>{16, 32}));
  TPVMemStream cut(table.data(), 6);
  EXPECT_EQ(ReadDCXOffsets(&cut), (std::vector<int64_t>{16}));
}

// The colour of the top-left pixel of every page, in page order.
std::vector<TPVRGB> PageColours(const std::string& dcx) {
  std::vector<TPVRGB> colours;
  for (int32_t index = 0;; ++index) {
    TIOParamsVals params(nullptr);
    params.DCX_ImageIndex = index;
    TPVBitmap bitmap;
    const DcxRead read = ReadDCX(dcx, bitmap, params);
    if (read.Aborting || params.DCX_ImageIndex != index) break;
    colours.push_back(bitmap.GetPixelAsRGB(0, 0));
  }
  return colours;
}

std::string AddPage(const std::string& dcx, int32_t index, TPVRGB colour, bool& aborting) {
  TMemoryStream stream;
  if (!dcx.empty()) stream.WriteBuffer(dcx.data(), static_cast<int32_t>(dcx.size()));
  stream.SetPosition(0);
  TPVBitmap page;
  page.Allocate(9, 5, pv24RGB);
  for (int32_t y = 0; y < 5; ++y)
    for (int32_t x = 0; x < 9; ++x) {
      uint8_t* p = page.GetScanline(y) + 3 * x;
      p[0] = colour.b;
      p[1] = colour.g;
      p[2] = colour.r;
    }
  TIOParamsVals params(nullptr);
  params.DCX_ImageIndex = index;
  aborting = false;
  TPVProgressRecord progress;
  progress.Aborting = &aborting;
  WriteDCXStream(&stream, page, params, progress);
  return std::string(static_cast<const char*>(stream.GetMemory()),
                     static_cast<size_t>(stream.GetSize()));
}

TEST(WriteDCXStream, PutsTheNewPageBeforeTheOldPageOfItsIndex) {
  const TPVRGB red{0, 0, 200}, green{0, 200, 0}, blue{200, 0, 0}, grey{90, 90, 90};
  bool aborting = false;
  const std::string one = AddPage("", 0, red, aborting);
  ASSERT_FALSE(aborting);
  EXPECT_TRUE([&] {
    TPVMemStream s(one.data(), static_cast<int64_t>(one.size()));
    return IsDCXStream(&s);
  }());
  const std::string two = AddPage(one, 1, green, aborting);
  ASSERT_FALSE(aborting);
  EXPECT_EQ(PageColours(two), (std::vector<TPVRGB>{red, green}));
  // Index 0 into two pages: three, the new one first.
  const std::string three = AddPage(two, 0, blue, aborting);
  ASSERT_FALSE(aborting);
  EXPECT_EQ(PageColours(three), (std::vector<TPVRGB>{blue, red, green}));
  // An index past the page count adds the page at the end (it used to add none and report
  // success).
  const std::string four = AddPage(three, 3 + 4, grey, aborting);
  ASSERT_FALSE(aborting);
  EXPECT_EQ(PageColours(four), (std::vector<TPVRGB>{blue, red, green, grey}));
}

TEST(WriteDCXStream, AddsToImageMagicksFileAndImageMagickReadsIt) {
  CALMORA_REQUIRE_TOOL("/usr/bin/convert");
  test::ScratchFolder folder("calmora-dcx");
  const std::string dcx = ThreePagesByImageMagick(folder);
  bool aborting = false;
  const std::string four = AddPage(dcx, 2, TPVRGB{10, 20, 30}, aborting);
  ASSERT_FALSE(aborting);
  ASSERT_TRUE(test::WriteFileBytes(folder.File("four.dcx"), four));
  const test::ToolResult info = test::RunTool(
      "/usr/bin/convert " + test::ShellQuoted("dcx:" + folder.File("four.dcx")) +
          " -format '%w %[pixel:p{0,0}]\\n' info:",
      false);
  EXPECT_EQ(info.Output,
            "10 srgb(200,0,0)\n12 srgb(0,200,0)\n9 srgb(30,20,10)\n14 srgb(0,0,200)\n");
}

TEST(WriteDCXStream, RefusesAStreamThatIsNoDCX) {
  bool aborting = false;
  const std::string text = "not a DCX at all";
  const std::string after = AddPage(text, 0, TPVRGB{1, 2, 3}, aborting);
  EXPECT_TRUE(aborting);
  EXPECT_EQ(after, text);
}

}  // namespace
}  // namespace calmora
