// The metafile seam: the system's backend refuses every file with a reason, an installed
// backend takes over for its lifetime, and the fake one plays its rectangles at any size.
#include "platform/metafile.h"

#include <gtest/gtest.h>

#include "platform/canvas.h"
#include "platform/device_bitmap.h"
#include "tests/platform/fake_metafile_backend.h"

namespace calmora::platform {
namespace {

TEST(MetafileTest, TheSystemBackendLoadsNothingAndSaysWhy) {
  for (const char* name : {"picture.emf", "picture.wmf", "/nonexistent/x.emf", ""}) {
    std::string reason;
    EXPECT_EQ(LoadMetafile(name, reason), nullptr) << name;
    EXPECT_NE(reason.find("cannot be loaded"), std::string::npos) << reason;
  }
}

TEST(MetafileTest, AnInstalledBackendServesLoadsWhileItLives) {
  {
    FakeMetafileBackend fake;
    fake.Register("a.wmf", {300, 200, MetafileKind::kPlain, {}});
    EXPECT_EQ(&CurrentMetafileBackend(), &fake);
    std::string reason;
    const auto metafile = LoadMetafile("a.wmf", reason);
    ASSERT_NE(metafile, nullptr) << reason;
    EXPECT_EQ(metafile->Width(), 300);
    EXPECT_EQ(metafile->Height(), 200);
    EXPECT_EQ(metafile->Kind(), MetafileKind::kPlain);
    EXPECT_EQ(LoadMetafile("b.wmf", reason), nullptr);
    EXPECT_FALSE(reason.empty());
  }
  std::string reason;
  EXPECT_EQ(LoadMetafile("a.wmf", reason), nullptr);
  EXPECT_NE(reason.find("cannot be loaded"), std::string::npos);
}

TEST(MetafileTest, PlayPaintsOnlyItsPictureStretchedToTheSizeSet) {
  FakeMetafileBackend fake;
  fake.Register(
      "r.emf",
      {10, 10, MetafileKind::kEnhanced, {{0, 0, 5, 10, 0x0000FF}, {5, 5, 10, 10, 0x010203}}});
  std::string reason;
  const auto metafile = LoadMetafile("r.emf", reason);
  ASSERT_NE(metafile, nullptr);
  metafile->SetWidth(40);
  metafile->SetHeight(20);
  TBitmap bitmap;
  bitmap.SetPixelFormat(pf24bit);
  bitmap.SetSize(50, 30);
  TCanvas& canvas = *bitmap.GetCanvas();
  canvas.Brush.Color = 0xFFFFFF;
  canvas.FillRect(0, 0, 50, 30);
  metafile->Play(canvas);
  for (int32_t y = 0; y < 30; ++y)
    for (int32_t x = 0; x < 50; ++x) {
      uint32_t expected = 0xFFFFFF;
      if (x < 20 && y < 20) expected = 0x0000FF;
      if (x >= 20 && x < 40 && y >= 10 && y < 20) expected = 0x010203;
      ASSERT_EQ(canvas.GetPixel(x, y), expected) << x << "," << y;
    }
}

}  // namespace
}  // namespace calmora::platform
