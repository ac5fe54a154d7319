// Metafile import through the I/O component with the fake metafile backend: the size rules and
// their limit, the background and the alpha plane from the key-colour rendering, the record it
// fills, empty sizes, and the system backend, which loads nothing.
#include <gtest/gtest.h>

#include <string>

#include "imaging/core/bitmap/bitmap_pixels.h"
#include "imaging/core/dpi_globals.h"
#include "imaging/io/formats/file_formats.h"
#include "imaging/io/io_unit.h"
#include "imaging/io/pictavo_io.h"
#include "tests/platform/fake_metafile_backend.h"
#include "tests/support/scoped_override.h"

namespace calmora::test {
namespace {

using platform::FakeMetafilePicture;
using platform::MetafileKind;

constexpr uint32_t kRed = 0x0000FF;     // 0x00BBGGRR
constexpr uint32_t kKey = 0x010203;     // red 3, green 2, blue 1
constexpr TColor kBackground = 0x00FF00;  // green

// File loads find the metafile extensions in the format registry.
class WithFormatRegistry : public ::testing::Test {
 protected:
  void SetUp() override { BuildFileFormatRegistry(); }
  void TearDown() override { FreeFileFormatRegistry(); }
};

class PictavoIOMetafile : public WithFormatRegistry {
 protected:
  void SetUp() override {
    WithFormatRegistry::SetUp();
    io_.OnFinishWork = [this](TObject*) { ++finishes_; };
    io_.SetBackground(kBackground);
    // 20 x 10: a red square on the left half, a key-coloured one in the right half's top row
    // band; the rest is not painted.
    fake_.Register("picture.emf", {20, 10, MetafileKind::kEnhanced,
                                   {{0, 0, 10, 10, kRed}, {10, 0, 20, 5, kKey}}});
    fake_.Register("picture.wmf", {20, 10, MetafileKind::kPlain, {{0, 0, 10, 10, kRed}}});
  }
  // Earlier reports that a metafile import must not carry on.
  void MarkStaleReports() {
    io_.Params->EXIF_HasEXIFData = true;
    io_.Params->XMP_Info = "<x:xmpmeta/>";
  }
  TPVBitmap& Image() { return *io_.GetWorkBitmap(); }

  platform::FakeMetafileBackend fake_;
  TPictavoIO io_{nullptr};
  int finishes_ = 0;
};

TEST_F(PictavoIOMetafile, SizesFollowTheAskedSidesTheAspectAndTheLimit) {
  struct SizeCase {
    int32_t PictureWidth, PictureHeight, Width, Height, Limit, WantWidth, WantHeight;
  };
  const SizeCase cases[] = {
      {20, 10, -1, -1, 8000, 20, 10},  // the picture's own size
      {20, 10, 400, -1, 8000, 400, 200},
      {20, 10, -1, 50, 8000, 100, 50},
      {20, 10, 30, 40, 8000, 30, 40},  // both given: stretched
      {16000, 10, -1, -1, 8000, 8000, 5},
      {10, 16000, -1, -1, 8000, 5, 8000},
      {20, 10, -1, 90, 80, 80, 40},
      {30, 60, 90, -1, 40, 20, 40},  // taller than wide: height to the limit
      {60, 30, -1, 90, 40, 40, 20},
      // The short side of a very thin picture keeps one pixel rather than vanishing.
      {100000, 1, -1, -1, 8000, 8000, 1},
  };
  for (const SizeCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.PictureWidth) + "x" + std::to_string(c.PictureHeight) + " at " +
                 std::to_string(c.Width) + "x" + std::to_string(c.Height));
    ScopedOverride<int32_t> limit(MetafileMaxSize, c.Limit);
    platform::FakeMetafile picture({c.PictureWidth, c.PictureHeight, MetafileKind::kPlain, {}});
    io_.SyncImportMetafile(picture, c.Width, c.Height, false);
    EXPECT_FALSE(io_.Aborting);
    EXPECT_EQ(Image().GetWidth(), c.WantWidth);
    EXPECT_EQ(Image().GetHeight(), c.WantHeight);
    EXPECT_EQ(io_.Params->Width, c.WantWidth);
    EXPECT_EQ(io_.Params->Height, c.WantHeight);
    EXPECT_EQ(picture.Width(), c.WantWidth);
    EXPECT_EQ(picture.Height(), c.WantHeight);
  }
}

TEST_F(PictavoIOMetafile, PaintsOverTheBackgroundAndUnpaintedPixelsBecomeTransparent) {
  MarkStaleReports();
  io_.ImportMetafile(u"picture.emf", 40, -1, true);
  EXPECT_FALSE(io_.Aborting);
  EXPECT_EQ(finishes_, 1);
  ASSERT_EQ(Image().GetWidth(), 40);
  ASSERT_EQ(Image().GetHeight(), 20);
  ASSERT_EQ(Image().GetPixelFormat(), pv24RGB);
  TPVBitmap* alpha = Image().GetAlphaChannel();
  ASSERT_NE(alpha, nullptr);
  for (int32_t y = 0; y < 20; ++y)
    for (int32_t x = 0; x < 40; ++x) {
      const bool red = x < 20, key = !red && y < 10;
      const TPVRGB want = red ? TPVRGB{0, 0, 255} : key ? TPVRGB{1, 2, 3} : TPVRGB{0, 255, 0};
      ASSERT_EQ(Image().GetPixel24(x, y), want) << x << "," << y;
      // The key colour cannot be told from no paint: painted in it, a pixel is transparent too.
      ASSERT_EQ(alpha->GetPixel8(x, y), red ? 255 : 0) << x << "," << y;
    }
  EXPECT_FALSE(alpha->Opaque);

  EXPECT_EQ(io_.Params->FileName, u"picture.emf");
  EXPECT_EQ(io_.Params->FileType, kFormatEMF);
  EXPECT_EQ(io_.Params->BitsPerSample, 8);
  EXPECT_EQ(io_.Params->SamplesPerPixel, 3);
  EXPECT_EQ(io_.Params->DpiX, DefaultDpiX);
  EXPECT_EQ(io_.Params->DpiY, DefaultDpiY);
  EXPECT_EQ(io_.Params->ColorMap, nullptr);
  EXPECT_FALSE(io_.Params->EXIF_HasEXIFData);
  EXPECT_TRUE(io_.Params->XMP_Info.empty());
}

TEST_F(PictavoIOMetafile, WithoutAlphaThePictureIsOpaqueAndAPlainMetafileIsType9) {
  io_.GetWorkBitmap()->Allocate(3, 3, pv24RGB);
  ASSERT_NE(io_.GetWorkBitmap()->GetAlphaChannel(), nullptr);  // left by an earlier image
  io_.ImportMetafile(u"picture.wmf", -1, -1, false);
  EXPECT_FALSE(io_.Aborting);
  EXPECT_EQ(finishes_, 1);
  EXPECT_EQ(io_.Params->FileType, kFormatWMF);
  EXPECT_FALSE(Image().HasAlphaChannel());
  EXPECT_EQ(Image().GetPixel24(19, 9), (TPVRGB{0, 255, 0}));
  EXPECT_EQ(Image().GetPixel24(0, 0), (TPVRGB{0, 0, 255}));
}

TEST_F(PictavoIOMetafile, EmptySizesLoadNothingAndSayAborting) {
  struct EmptyCase {
    const char* Name;
    int32_t PictureWidth, PictureHeight, Width, Height;
  };
  const EmptyCase cases[] = {
      {"width 0 asked", 20, 10, 0, 50},
      {"height 0 asked", 20, 10, 50, 0},
      {"empty picture", 0, 0, -1, -1},
      // The aspect rules divide by the picture's sides: a zero one must stop first.
      {"picture without height, width asked", 20, 0, 30, -1},
      {"picture without width, height asked", 0, 10, -1, 30},
      {"aspect rounds the width to 0", 1, 1000, -1, 10},
  };
  for (const EmptyCase& c : cases) {
    SCOPED_TRACE(c.Name);
    ASSERT_TRUE(io_.GetWorkBitmap()->Allocate(7, 5, pv24RGB));
    io_.GetWorkBitmap()->Fill(0x123456);
    io_.Params->FileType = kFormatBMP;
    platform::FakeMetafile picture({c.PictureWidth, c.PictureHeight, MetafileKind::kPlain,
                                    {{0, 0, 1, 1, kRed}}});
    io_.SyncImportMetafile(picture, c.Width, c.Height, true);
    EXPECT_TRUE(io_.Aborting);
    EXPECT_EQ(Image().GetWidth(), 7);
    EXPECT_EQ(Image().GetPixel24(0, 0), (TPVRGB{0x12, 0x34, 0x56}));
    EXPECT_EQ(io_.Params->FileType, kFormatBMP);
  }
}

TEST_F(PictavoIOMetafile, FileLoadsRenderAtTheOwnSizeWithAlpha) {
  io_.LoadFromFile(u"picture.emf");
  EXPECT_FALSE(io_.Aborting);
  EXPECT_EQ(finishes_, 1);
  EXPECT_EQ(Image().GetWidth(), 20);
  EXPECT_EQ(Image().GetHeight(), 10);
  ASSERT_TRUE(Image().HasAlphaChannel());
  EXPECT_EQ(Image().GetAlphaChannel()->GetPixel8(19, 9), 0);
  EXPECT_EQ(io_.Params->FileName, u"picture.emf");
}

using PictavoIOMetafileSystem = WithFormatRegistry;

TEST_F(PictavoIOMetafileSystem, TheSystemBackendLoadsNothingAndFinishesOnce) {
  TPictavoIO io(nullptr);
  int finishes = 0;
  io.OnFinishWork = [&finishes](TObject*) { ++finishes; };
  io.GetWorkBitmap()->Allocate(7, 5, pv24RGB);
  for (const char16_t* name : {u"picture.emf", u"picture.wmf"}) {
    finishes = 0;
    EXPECT_NO_THROW(io.ImportMetafile(name, -1, -1, true));
    EXPECT_TRUE(io.Aborting);
    EXPECT_EQ(finishes, 1);
    EXPECT_EQ(io.GetWorkBitmap()->GetWidth(), 7);
    finishes = 0;
    EXPECT_NO_THROW(io.LoadFromFile(name));
    EXPECT_TRUE(io.Aborting);
    EXPECT_EQ(finishes, 1);
  }
}

}  // namespace
}  // namespace calmora::test
