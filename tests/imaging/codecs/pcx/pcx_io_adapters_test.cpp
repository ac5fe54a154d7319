// The adapters the I/O component names for PCX and DCX: what they pass on and what they answer.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tests/imaging/codecs/pcx/pcx_test_support.h"

namespace calmora {
namespace {

std::string SmallPCX() {
  TPVBitmap source;
  source.Allocate(6, 4, pv24RGB);
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 18; ++x) source.GetScanline(y)[x] = static_cast<uint8_t>(x * 9 + y);
  TIOParamsVals params(nullptr);
  return test::WritePCXBytes(source, params);
}

TEST(ReadPCXForIO, ReadsFromThePositionToTheEndAndAnswersOne) {
  const std::string pcx = SmallPCX();
  const std::string bytes = std::string(10, 'h') + pcx;
  TPVMemStream stream(bytes.data(), static_cast<int64_t>(bytes.size()));
  stream.SetPosition(10);
  TIOParamsVals params(nullptr);
  TPVBitmap bitmap;
  TPVProgressRecord progress;  // no flag: the adapter lends one
  std::unique_ptr<TPVMask> mask;
  EXPECT_EQ(ReadPCXForIO(stream, bitmap, params, false, progress, mask), 1);
  EXPECT_EQ(progress.Aborting, nullptr);
  EXPECT_EQ(bitmap.GetWidth(), 6);
  EXPECT_EQ(mask, nullptr);
  const std::string bad = "not a picture, though long enough to hold a header of 128 bytes" +
                          std::string(100, '\0');
  TPVMemStream badStream(bad.data(), static_cast<int64_t>(bad.size()));
  bool aborting = false;
  progress.Aborting = &aborting;
  TPVBitmap none;
  EXPECT_EQ(ReadPCXForIO(badStream, none, params, false, progress, mask), 0);
  EXPECT_TRUE(aborting);
}

TEST(WritePCXForIO, WritesWhatWritePCXStreamWrites) {
  TPVBitmap source;
  source.Allocate(5, 3, pv24RGB);
  source.Fill(0);
  TIOParamsVals params(nullptr);
  const std::string direct = test::WritePCXBytes(source, params);
  TMemoryStream stream;
  bool aborting = false;
  TPVProgressRecord progress;
  progress.Aborting = &aborting;
  WritePCXForIO(stream, source, params, progress, nullptr);
  EXPECT_FALSE(aborting);
  EXPECT_EQ(std::string(static_cast<const char*>(stream.GetMemory()),
                        static_cast<size_t>(stream.GetSize())),
            direct);
}

TEST(DCXForIO, WritesPagesAndAnswersThePageCount) {
  TPVBitmap page;
  page.Allocate(7, 2, pv24RGB);
  page.Fill(0);
  TMemoryStream stream;
  bool aborting = false;
  TPVProgressRecord progress;
  progress.Aborting = &aborting;
  for (int32_t i = 0; i < 3; ++i) {
    TIOParamsVals params(nullptr);
    params.DCX_ImageIndex = 99;  // past the end: added last
    WriteDCXForIO(stream, page, params, progress, nullptr);
    ASSERT_FALSE(aborting);
  }
  stream.SetPosition(0);
  TIOParamsVals params(nullptr);
  params.DCX_ImageIndex = 1;
  TPVBitmap bitmap;
  std::unique_ptr<TPVMask> mask;
  EXPECT_EQ(ReadDCXForIO(stream, bitmap, params, true, progress, mask), 3);
  EXPECT_TRUE(bitmap.IsEmpty());
  EXPECT_EQ(params.Width, 7);
  EXPECT_EQ(params.DCX_ImageIndex, 1);
}

}  // namespace
}  // namespace calmora
