// The I/O component's shared steps: preparing the working bitmap, showing a load, progress and
// finish, the default and square-pixel resolution handling, and taking an acquired image.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "imaging/core/bitmap/bitmap_pixels.h"
#include "imaging/core/dpi_globals.h"
#include "imaging/io/pictavo_io.h"
#include "platform/image_control.h"
#include "tests/imaging/support/fake_pictavo_view.h"
#include "tests/support/qt_test_app.h"
#include "tests/support/scoped_override.h"

namespace calmora::test {
namespace {

// Records every progress and finish event in order.
struct EventLog {
  std::vector<std::string> Entries;
  void Listen(TPictavoIO& io) {
    io.OnProgress = [this](TObject*, int percent) {
      Entries.push_back("progress " + std::to_string(percent));
    };
    io.OnFinishWork = [this](TObject*) { Entries.push_back("finish"); };
  }
};

TEST(PictavoIOSteps, FinishReportsFullProgressFirstEvenWithoutAFinishEvent) {
  TPictavoIO io(nullptr);
  EventLog log;
  log.Listen(io);
  io.DoFinishWork();
  EXPECT_EQ(log.Entries, (std::vector<std::string>{"progress 100", "finish"}));
  io.OnFinishWork = nullptr;
  log.Entries.clear();
  io.DoFinishWork();
  EXPECT_EQ(log.Entries, (std::vector<std::string>{"progress 100"}));
  io.OnProgress = nullptr;
  io.DoFinishWork();  // nothing to call
  EXPECT_EQ(log.Entries.size(), 1u);
}

TEST(PictavoIOSteps, ProgressGoesThroughADescendantsOverride) {
  struct Counting : TPictavoIO {
    using TPictavoIO::TPictavoIO;
    std::vector<int> Seen;
    void DoProgress(TObject* Sender, int Percent) override {
      Seen.push_back(Percent);
      TPictavoIO::DoProgress(Sender, Percent);
    }
  } io(nullptr);
  io.ProgressMethod(&io, 40);
  io.DoFinishWork();
  EXPECT_EQ(io.Seen, (std::vector<int>{40, 100}));
}

TEST(PictavoIOSteps, PrepareBitmapAcceptsOnlyTheAllowedFormats) {
  TPictavoIO io(nullptr);
  ASSERT_TRUE(io.GetWorkBitmap()->Allocate(2, 2, pv8g));
  EXPECT_TRUE(io.PrepareBitmap({}));
  EXPECT_TRUE(io.PrepareBitmap({pv24RGB, pv8g}));
  EXPECT_FALSE(io.PrepareBitmap({pv24RGB, pv1g}));
  EXPECT_EQ(io.GetWorkBitmap()->GetPixelFormat(), pv8g);  // no conversion
}

TEST(PictavoIOSteps, DefaultResolutionReplacesZeroAndOneButKeepsTwo) {
  ScopedOverride<int32_t> x(DefaultDpiX, 300);
  ScopedOverride<int32_t> y(DefaultDpiY, 250);
  struct Case {
    int32_t dpi, expectedX, expectedY;
  };
  for (const Case& c : {Case{0, 300, 250}, Case{1, 300, 250}, Case{2, 2, 2}, Case{-5, 300, 250},
                        Case{72, 72, 72}}) {
    TPictavoIO io(nullptr);
    io.Params->SetDpiX(c.dpi);
    io.Params->DpiY = c.dpi;
    io.ApplyDefaultDPI();
    EXPECT_EQ(io.Params->DpiX, c.expectedX) << c.dpi;
    EXPECT_EQ(io.Params->DpiY, c.expectedY) << c.dpi;
    EXPECT_EQ(io.Params->EXIF_XResolution, c.expectedX) << c.dpi;  // through SetDpiX
  }
}

// The square-pixel sizes, told independently: the shorter side is scaled.
void ModelSquare(int32_t& width, int32_t& height, int32_t& dpiX, int32_t& dpiY) {
  if (height < width) {
    height = static_cast<int32_t>(std::trunc(static_cast<double>(height) / dpiY * dpiX));
    dpiY = dpiX;
  } else {
    width = static_cast<int32_t>(std::trunc(static_cast<double>(width) / dpiX * dpiY));
    dpiX = dpiY;
  }
}

void FillPattern(TPVBitmap& bitmap) {
  for (int32_t y = 0; y < bitmap.GetHeight(); ++y)
    for (int32_t x = 0; x < bitmap.GetWidth(); ++x)
      bitmap.SetPixel24(x, y,
                        TPVRGB{static_cast<uint8_t>(x), static_cast<uint8_t>(y),
                               static_cast<uint8_t>(x * 7 + y)});
}

TEST(PictavoIOSteps, AdjustDPIMakesSquarePixelsByNearestNeighbour) {
  // The two cases of the component's documentation, then many against the model.
  struct Case {
    int32_t w, h, px, py, ew, eh, edpi;
  };
  for (const Case& c :
       {Case{300, 100, 300, 150, 300, 200, 300}, Case{100, 300, 300, 150, 50, 300, 150}}) {
    TPictavoIO io(nullptr);
    ASSERT_TRUE(io.GetWorkBitmap()->Allocate(c.w, c.h, pv24RGB));
    io.Params->Width = c.w;
    io.Params->Height = c.h;
    io.Params->DpiX = c.px;
    io.Params->DpiY = c.py;
    io.AdjustDPI();
    EXPECT_EQ(io.GetWorkBitmap()->GetWidth(), c.ew);
    EXPECT_EQ(io.GetWorkBitmap()->GetHeight(), c.eh);
    EXPECT_EQ(io.Params->Width, c.ew);
    EXPECT_EQ(io.Params->Height, c.eh);
    EXPECT_EQ(io.Params->DpiX, c.edpi);
    EXPECT_EQ(io.Params->DpiY, c.edpi);
    // Straight into the record: the EXIF copy keeps what the reader left.
    EXPECT_EQ(io.Params->EXIF_XResolution, 0.0);
  }
  std::mt19937 random(7);
  for (int round = 0; round < 200; ++round) {
    int32_t w = 1 + static_cast<int32_t>(random() % 40),
            h = 1 + static_cast<int32_t>(random() % 40);
    int32_t px = 1 + static_cast<int32_t>(random() % 400),
            py = 1 + static_cast<int32_t>(random() % 400);
    TPictavoIO io(nullptr);
    TPVBitmap& image = *io.GetWorkBitmap();
    ASSERT_TRUE(image.Allocate(w, h, pv24RGB));
    FillPattern(image);
    io.Params->Width = w;
    io.Params->Height = h;
    io.Params->DpiX = px;
    io.Params->DpiY = py;
    int32_t ew = w, eh = h, epx = px, epy = py;
    if (px != py) ModelSquare(ew, eh, epx, epy);
    io.AdjustDPI();
    SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h) + " at " + std::to_string(px) + "," +
                 std::to_string(py));
    if (ew < 1 || eh < 1) {  // unusable: left as read
      EXPECT_EQ(image.GetWidth(), w);
      EXPECT_EQ(image.GetHeight(), h);
      EXPECT_EQ(io.Params->DpiX, px);
      continue;
    }
    ASSERT_EQ(image.GetWidth(), ew);
    ASSERT_EQ(image.GetHeight(), eh);
    EXPECT_EQ(io.Params->DpiX, epx);
    EXPECT_EQ(io.Params->DpiY, epy);
    for (int32_t y = 0; y < eh; ++y)
      for (int32_t x = 0; x < ew; ++x) {
        const int32_t sx = static_cast<int32_t>(static_cast<int64_t>(x) * w / ew);
        const int32_t sy = static_cast<int32_t>(static_cast<int64_t>(y) * h / eh);
        ASSERT_EQ(image.GetPixel24(x, y),
                  (TPVRGB{static_cast<uint8_t>(sx), static_cast<uint8_t>(sy),
                          static_cast<uint8_t>(sx * 7 + sy)}));
      }
  }
}

TEST(PictavoIOSteps, AdjustDPILeavesUnusableClaimsAsRead) {
  struct Case {
    const char* name;
    int32_t w, h, px, py;
    bool aborts;
  };
  for (const Case& c : {
           Case{"equal", 40, 30, 96, 96, false},
           Case{"zero", 40, 30, 0, 96, false},
           Case{"negative", 40, 30, 96, -1, false},
           Case{"to nothing", 4000, 3000, 2, 60000, false},
           Case{"beyond int32", 4000, 3000, 2000000000, 1, false},
           Case{"unallocatable", 60000, 40000, 60000, 2, true},
       }) {
    SCOPED_TRACE(c.name);
    TPictavoIO io(nullptr);
    ASSERT_TRUE(io.GetWorkBitmap()->Allocate(4, 3, pv24RGB));
    io.Params->Width = c.w;
    io.Params->Height = c.h;
    io.Params->DpiX = c.px;
    io.Params->DpiY = c.py;
    io.AdjustDPI();
    EXPECT_EQ(io.GetWorkBitmap()->GetWidth(), 4);
    EXPECT_EQ(io.GetWorkBitmap()->GetHeight(), 3);
    EXPECT_EQ(io.Params->Width, c.w);
    EXPECT_EQ(io.Params->Height, c.h);
    EXPECT_EQ(io.Params->DpiX, c.px);
    EXPECT_EQ(io.Params->DpiY, c.py);
    EXPECT_EQ(io.Aborting, c.aborts);
  }
}

TEST(PictavoIOSteps, FilteredAdjustmentGives24BitAndKeepsAFullSizeAlphaPlane) {
  TPictavoIO io(nullptr);
  io.FilteredAdjustDPI = true;
  TPVBitmap& image = *io.GetWorkBitmap();
  ASSERT_TRUE(image.Allocate(8, 4, pv8g));
  image.Fill(100);
  TPVBitmap* alpha = image.GetAlphaChannel();
  ASSERT_NE(alpha, nullptr);
  for (int32_t x = 0; x < 8; ++x) alpha->SetPixel8(x, 0, static_cast<uint8_t>(x * 30));
  io.Params->Width = 8;
  io.Params->Height = 4;
  io.Params->DpiX = 100;
  io.Params->DpiY = 50;
  io.AdjustDPI();
  EXPECT_EQ(image.GetPixelFormat(), pv24RGB);
  EXPECT_EQ(image.GetWidth(), 8);
  EXPECT_EQ(image.GetHeight(), 8);
  EXPECT_EQ(image.GetPixel24(3, 5), (TPVRGB{100, 100, 100}));
  ASSERT_TRUE(image.HasAlphaChannel());
  EXPECT_EQ(image.GetAlphaChannel()->GetHeight(), 8);
  EXPECT_EQ(image.GetAlphaChannel()->GetPixel8(5, 1), 150);  // row 1 reads source row 0
  EXPECT_EQ(image.GetAlphaChannel()->GetPixel8(5, 2), 255);
}

TEST(PictavoIOSteps, UpdateRefreshesTheViewOrThePicture) {
  FakePictavoView view;
  ASSERT_TRUE(view.Layers[0]->Bitmap->Allocate(2, 2, pv24RGB));
  TPictavoIO io(nullptr);
  io.SetAttachedPictavo(&view);
  io.Update();
  EXPECT_EQ(view.UpdateCount, 1);

  platform::TImage image(nullptr);
  ASSERT_TRUE(image.GetPicture()->GetBitmap()->SetPixelFormat(platform::pf24bit));
  ASSERT_TRUE(image.GetPicture()->GetBitmap()->SetSize(3, 3));
  int changes = 0;
  image.GetPicture()->OnChange = [&changes] { ++changes; };
  io.SetAttachedTImage(&image);
  ASSERT_NE(io.GetWorkBitmap()->GetAlphaChannel(), nullptr);
  io.Update();
  EXPECT_EQ(changes, 1);
  EXPECT_FALSE(io.GetWorkBitmap()->HasAlphaChannel());  // a device bitmap carries none
  EXPECT_EQ(view.UpdateCount, 1);
}

TEST(PictavoIOSteps, UpdateViewDPIReachesOnlyAnImageView) {
  FakePictavoView view;
  TPictavoIO io(nullptr);
  io.SetAttachedPictavo(&view);
  io.Params->DpiX = 123;
  io.Params->DpiY = 45;
  io.UpdateViewDPI();
  EXPECT_EQ(view.DpiX, 123);
  EXPECT_EQ(view.DpiY, 45);
  EXPECT_EQ(view.UpdateLock, 0);
  EXPECT_EQ(view.UpdateCount, 0);  // silently unlocked

  struct PlainView : TPVView {
    using TPVView::TPVView;
    TPVBitmap Image;
    TPVBitmap* GetPVBitmap() override { return &Image; }
    TPVBitmap* GetAlphaChannel() override { return nullptr; }
    bool HasAlphaChannel() override { return false; }
    void RemoveAlphaChannel(bool) override {}
    void LockPaint() override {}
    int32_t UnlockPaint() override { return 0; }
    int32_t UnlockPaintSilently() override { return 0; }
  } plain(nullptr);
  io.SetAttachedPictavo(&plain);
  io.Params->DpiX = 77;
  io.UpdateViewDPI();
  EXPECT_EQ(plain.DpiX, 0);
}

TEST(PictavoIOSteps, AcquireBitmapCopiesUnlessTheHandlerTakesIt) {
  TPVBitmap delivered;
  ASSERT_TRUE(delivered.Allocate(6, 3, pv24RGB));
  delivered.Fill(0x0A0B0C);
  TPictavoIO io(nullptr);
  bool take = true;
  int calls = 0;
  io.OnAcquireBitmap = [&](TObject* Sender, TPVBitmap* Bitmap, bool& Handled) {
    EXPECT_EQ(Sender, &io);
    EXPECT_EQ(Bitmap, &delivered);
    ++calls;
    Handled = take;
  };
  TIOParamsVals* out = nullptr;
  io.AcquireBitmap(&delivered, out);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(out, nullptr);
  EXPECT_TRUE(io.GetWorkBitmap()->IsEmpty());

  take = false;
  io.AutoAdjustDPI = true;
  io.Params->Width = 6;
  io.Params->Height = 3;
  io.Params->DpiX = 100;
  io.Params->DpiY = 50;
  io.AcquireBitmap(&delivered, out);
  EXPECT_EQ(out, io.Params.get());
  EXPECT_EQ(io.GetWorkBitmap()->GetWidth(), 6);
  EXPECT_EQ(io.GetWorkBitmap()->GetHeight(), 6);  // squared after the copy
  EXPECT_EQ(delivered.GetHeight(), 3);
  io.EndAcquire();
  EXPECT_EQ(io.AcquireState, 0);
}

}  // namespace
}  // namespace calmora::test
