// The adapters the I/O component names for Targa: loads take alpha into the mask, parameter
// queries ignore it, saves pass the mask on.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tests/imaging/codecs/tga/tga_test_support.h"

namespace calmora {
namespace {

TEST(TGAForIO, SavesTheMaskAndLoadsItBack) {
  TPVBitmap source;
  source.Allocate(5, 3, pv24RGB);
  source.Fill(0);
  TPVMask mask;
  ASSERT_TRUE(mask.Allocate(5, 3, 8));
  mask.Fill(255);
  mask.GetRow(1)[2] = 0;
  mask.AllSet = false;
  TIOParamsVals params(nullptr);
  TMemoryStream stream;
  TPVProgressRecord progress;
  WriteTGAForIO(stream, source, params, progress, &mask);
  const std::string bytes(static_cast<const char*>(stream.GetMemory()),
                          static_cast<size_t>(stream.GetSize()));
  ASSERT_GT(bytes.size(), 18u);
  EXPECT_EQ(bytes[16], 32);

  TPVMemStream in(bytes.data(), static_cast<int64_t>(bytes.size()));
  TIOParamsVals readParams(nullptr);
  TPVBitmap bitmap;
  std::unique_ptr<TPVMask> loaded;
  EXPECT_EQ(ReadTGAForIO(in, bitmap, readParams, false, progress, loaded), 1);
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(loaded->GetPixel(2, 1), 0);
  EXPECT_EQ(loaded->GetPixel(3, 1), 255);

  in.SetPosition(0);
  std::unique_ptr<TPVMask> queried;
  TPVBitmap none;
  EXPECT_EQ(ReadTGAForIO(in, none, readParams, true, progress, queried), 1);
  EXPECT_EQ(queried, nullptr);
  EXPECT_TRUE(none.IsEmpty());
}

TEST(TGAForIO, ABadFileAnswersZero) {
  const std::string bytes(40, '\x7F');
  TPVMemStream in(bytes.data(), static_cast<int64_t>(bytes.size()));
  TIOParamsVals params(nullptr);
  TPVBitmap bitmap;
  std::unique_ptr<TPVMask> mask;
  bool aborting = false;
  TPVProgressRecord progress;
  progress.Aborting = &aborting;
  EXPECT_EQ(ReadTGAForIO(in, bitmap, params, false, progress, mask), 0);
  EXPECT_TRUE(aborting);
}

}  // namespace
}  // namespace calmora
