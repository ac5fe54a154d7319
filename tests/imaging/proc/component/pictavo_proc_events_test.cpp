// The events of the processing component's operations, in order (undo request, progress 100,
// finish), the cases that fire twice or not at all, the undo captions, the selection path
// through an attached view, and the construction values.
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <vector>

#include "imaging/core/bitmap/bitmap_pixels.h"
#include "imaging/core/mask/mask.h"
#include "imaging/proc/colors/color_reduction.h"
#include "imaging/proc/component/pictavo_proc.h"
#include "platform/clipboard_formats.h"
#include "tests/imaging/proc/component/pictavo_proc_test_support.h"
#include "tests/imaging/support/fake_pictavo_view.h"
#include "tests/support/qt_test_app.h"

namespace calmora::test {
namespace {

using Strings = std::vector<std::string>;

class PictavoProcEvents : public ::testing::TestWithParam<Storage> {
 protected:
  void SetUp() override {
    PutPicture(*view_.Layers[0]->Bitmap, GetParam(), RandomPicture(random_, 9, 7, pv24RGB),
               pv24RGB);
    proc_.SetAttachedPictavo(&view_);
    proc_.AutoUndo = true;
    log_.Listen(proc_);
  }

  TempFolderScope temp_;
  std::mt19937 random_{31};
  FakePictavoView view_;
  TPictavoProc proc_{nullptr};
  EventLog log_;
};

TEST_P(PictavoProcEvents, EachOperationSavesItsUndoThenFinishes) {
  TPVRGB palette[8];
  const Strings once{"undo 1", "progress 100", "finish"};
  const Strings twice{"undo 1", "progress 100", "finish", "progress 100", "finish"};
  const struct {
    const char* name;
    std::function<void(TPictavoProc&)> run;
    Strings events;
    const char* caption;
  } cases[] = {
      {"ImageResize", [](TPictavoProc& p) { p.ImageResize(11, 9, 1, 1, 255); }, once,
       "ImageResize 11,9"},
      {"Resample", [](TPictavoProc& p) { p.Resample(-1, 14, rfBilinear); }, twice,
       "Resample -1,14"},
      {"Rotate", [](TPictavoProc& p) { p.Rotate(12.5, true, 1, kUseComponentBackground); }, once,
       "Rotate 12.5"},
      {"Rotate", [](TPictavoProc& p) { p.Rotate(-0.1, false, 0, 0); }, once, "Rotate -0.1"},
      {"Rotate", [](TPictavoProc& p) { p.Rotate(1.0 / 3, false, 0, 0); }, once,
       "Rotate 0.333333333333333"},
      {"ConvertToGray", [](TPictavoProc& p) { p.ConvertToGray(); }, once, "ConvertToGray"},
      {"Fill",
       [](TPictavoProc& p) {
         p.Fill(TPVRGB{1, 2, 3});
       },
       once, "Fill"},
      {"Clear", [](TPictavoProc& p) { p.Clear(); }, once, "Clear"},
      {"ConvertTo", [](TPictavoProc& p) { p.ConvertTo(8, pvdmOrdered); }, once, "ConvertTo 8"},
      {"ConvertTo", [](TPictavoProc& p) { p.ConvertTo(5000, pvdmOrdered); }, once,
       "ConvertTo 5000"},
      {"ConvertToPalette",
       [&palette](TPictavoProc& p) { p.ConvertToPalette(8, palette, pvdmOrdered); }, once,
       "ConvertToPalette"},
      {"Crop", [](TPictavoProc& p) { p.Crop(1, 1, 4, 5); }, once, "Crop"},
      {"CropRect",
       [](TPictavoProc& p) {
         p.CropRect(TRect{0, 1, 8, 6});
       },
       once, "Crop"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.caption);
    SetUp();
    log_.Clear();
    const int32_t updates = view_.UpdateCount;
    c.run(proc_);
    EXPECT_EQ(log_.WithoutProgress(), c.events);
    ASSERT_EQ(proc_.UndoCount(), 1);
    EXPECT_EQ(proc_.UndoCaptions.back(), c.caption);
    EXPECT_EQ(view_.UpdateCount, updates + 1);
    // Every report lies within 0..100.
    for (const std::string& entry : log_.Entries) {
      if (entry.rfind("progress ", 0) != 0) continue;
      EXPECT_LE(std::stoi(entry.substr(9)), 100) << entry;
    }
  }
}

TEST_P(PictavoProcEvents, WithoutATargetNothingHappens) {
  proc_.SetAttachedPictavo(nullptr);
  proc_.AttachBitmap(nullptr);
  TPVRGB palette[4];
  proc_.ImageResize(4, 4, 0, 0, 255);
  proc_.Resample(4, 4, rfBilinear);
  proc_.Rotate(90, true, 0, 0);
  proc_.ConvertToGray();
  proc_.Fill(TPVRGB{});
  proc_.Clear();
  proc_.ConvertTo(4, pvdmOrdered);
  proc_.ConvertToPalette(4, palette, pvdmOrdered);
  proc_.Crop(0, 0, 1, 1);
  proc_.CropToOpaque();
  proc_.SaveUndo(pvuImage);
  EXPECT_TRUE(log_.Entries.empty());
  EXPECT_EQ(proc_.UndoCount(), 0);
}

TEST_P(PictavoProcEvents, ATinyImageIsClearedBeforeItsCanvasGrows) {
  proc_.AttachBitmap(nullptr);
  TPVBitmap dot;
  MakeBitmap(dot, GetParam(), 1, 1, pv24RGB);
  dot.Fill(0xFFFFFF);
  proc_.AttachBitmap(&dot);
  proc_.SetBackground(0x000080);
  proc_.ImageResize(3, 2, 0, 0, 255);
  // Clear's own end, then the resize's; neither can save an undo entry of a 1 x 1 image.
  EXPECT_EQ(log_.WithoutProgress(), (Strings{"progress 100", "finish", "progress 100", "finish"}));
  EXPECT_EQ(dot.GetPixel24(0, 0), (TPVRGB{0, 0, 0x80}));
}

TEST_P(PictavoProcEvents, UndoRequestsAreHeardEvenWhenNothingIsPushed) {
  TPictavoProc proc(nullptr);
  EventLog log;
  log.Listen(proc);
  TPVBitmap thin;
  MakeBitmap(thin, GetParam(), 1, 50, pv24RGB);
  proc.AttachBitmap(&thin);
  proc.SaveUndo(pvuImage);      // too small to be worth a snapshot
  proc.SaveUndo(pvuSelection);  // no view to ask
  proc.SaveUndo(pvuObject);
  proc.SaveUndo(static_cast<TPVUndoSource>(9));
  EXPECT_EQ(log.Entries, (Strings{"undo 1", "undo 2", "undo 3", "undo 9"}));
  EXPECT_EQ(proc.UndoCount(), 0);
  log.Clear();
  proc.SetUndoLimit(0);
  proc.SaveUndo(pvuSelection);
  proc.SetUndoLimit(-2);  // acts as 0
  proc.SaveUndo(pvuSelection);
  proc.SetUndoLimit(1);
  proc.AttachBitmap(nullptr);
  proc.SetAttachedPictavo(nullptr);
  proc.AttachBitmap(nullptr);
  proc.SaveUndo(pvuImage);  // no image to check
  EXPECT_TRUE(log.Entries.empty());
}

TEST_P(PictavoProcEvents, TheSnapshotIsTakenBeforeTheFormatCheck) {
  PutPicture(*view_.Layers[0]->Bitmap, GetParam(), RandomPicture(random_, 9, 7, pv8g), pv8g);
  proc_.ConvertToGray();
  ASSERT_EQ(proc_.UndoCount(), 1);
  EXPECT_EQ(dynamic_cast<TPVBitmap&>(*proc_.UndoSnapshots[0]).GetPixelFormat(), pv8g);
}

// An odd polygon: a five-pointed star drawn in one stroke, whose centre is outside it under the
// even-odd rule, so the selected pixels are no rectangle.
const std::vector<TPoint> kStar = {{10, 1}, {16, 18}, {1, 7}, {19, 7}, {4, 18}};

void SelectStar(FakePictavoView& view) {
  const TPVBitmap& image = *view.GetPVBitmap();
  ASSERT_TRUE(view.SelectionMask.Allocate(image.GetWidth(), image.GetHeight(), 1));
  view.SelectionMask.FillPolygon(1, kStar.data(), static_cast<int32_t>(kStar.size()));
  ASSERT_FALSE(view.SelectionMask.IsEmpty());
  view.Polygon = kStar;
  view.Selected = true;
}

TEST_P(PictavoProcEvents, ASelectionLimitsGreyAndFillToItsPixels) {
  const struct {
    const char* name;
    std::function<void(TPictavoProc&)> run;
    std::function<void(TPVBitmap&)> model;  // the operation on the whole image
  } cases[] = {
      {"ConvertToGray", [](TPictavoProc& p) { p.ConvertToGray(); },
       [](TPVBitmap& b) {
         ConvertRectToGray(b, 0, 0, b.GetWidth(), b.GetHeight(), nullptr, nullptr);
       }},
      {"Fill",
       [](TPictavoProc& p) {
         p.Fill(TPVRGB{3, 200, 17});
       },
       [](TPVBitmap& b) { b.Fill(17 | 200 << 8 | 3 << 16); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Picture source = RandomPicture(random_, 23, 21, pv24RGB);
    PutPicture(*view_.Layers[0]->Bitmap, GetParam(), source, pv24RGB);
    SelectStar(view_);
    TPVBitmap changed;
    MakePictureBitmap(changed, Storage::MemoryBlock, source, pv24RGB);
    c.model(changed);
    const Picture all = ReadPicture(changed);
    c.run(proc_);
    const Picture result = ReadPicture(*view_.GetPVBitmap());
    int32_t selected = 0;
    for (int32_t y = 0; y < 21; ++y)
      for (int32_t x = 0; x < 23; ++x) {
        const bool inside = view_.SelectionMask.GetPixel(x, y) != 0;
        selected += inside;
        ASSERT_EQ(PixelAt(result, x, y), PixelAt(inside ? all : source, x, y))
            << x << "," << y << (inside ? " inside" : " outside");
      }
    EXPECT_GT(selected, 30);
    EXPECT_EQ(view_.SelectionMask.GetPixel(10, 11), 0);  // the star's centre is a hole
  }
}

// A descendant whose operation paints the work bitmap's alpha.
class AlphaPainter : public TPictavoProc {
 public:
  using TPictavoProc::TPictavoProc;
  void PaintAlpha(uint8_t value) {
    int32_t x1, y1, x2, y2;
    TPVBitmap* work = nullptr;
    std::unique_ptr<TPVBitmap> copy;
    TPVMask* mask = nullptr;
    if (!BeginSelectionWork({}, x1, y1, x2, y2, "Alpha", work, copy, mask)) return;
    for (int32_t y = y1; y < y2; ++y)
      for (int32_t x = x1; x < x2; ++x) work->SetAlpha(x, y, value);
    EndSelectionWork(work, std::move(copy), mask);
  }
};

TEST_P(PictavoProcEvents, AWorkAlphaThatIsNotOpaqueReachesTheTarget) {
  PutPicture(*view_.Layers[0]->Bitmap, GetParam(), RandomPicture(random_, 23, 21, pv24RGB),
             pv24RGB);
  SelectStar(view_);
  AlphaPainter painter(nullptr);
  painter.SetAttachedPictavo(&view_);
  painter.PaintAlpha(7);
  TPVBitmap& image = *view_.GetPVBitmap();
  ASSERT_TRUE(image.HasAlphaChannel());
  EXPECT_FALSE(image.GetAlphaChannel()->Opaque);
  for (int32_t y = 0; y < 21; ++y)
    for (int32_t x = 0; x < 23; ++x)
      ASSERT_EQ(image.GetAlpha(x, y), view_.SelectionMask.GetPixel(x, y) ? 7 : 255)
          << x << "," << y;
}

TEST(PictavoProcConstruction, StartsWithItsDocumentedValues) {
  TPictavoProc loose(nullptr);
  EXPECT_FALSE(loose.AutoUndo);
  platform::TComponent owner(nullptr);
  auto* owned = new TPictavoProc(&owner);
  EXPECT_TRUE(owned->AutoUndo);
  EXPECT_EQ(loose.GetUndoLimit(), 1);
  EXPECT_EQ(loose.UndoLocation, pvFile);
  EXPECT_TRUE(loose.AutoConvertFormat);
  EXPECT_EQ(loose.GetBackground(), 0u);
  EXPECT_EQ(loose.MsgLanguage, msSystem);
  EXPECT_TRUE(loose.GetPreviewsParams().Contains(prppShowResetButton));
  EXPECT_TRUE(loose.GetPreviewsParams().Contains(prppHardReset));
  EXPECT_EQ(loose.GetViewChangeHandle(), kNoRegistration);
  EXPECT_TRUE(loose.GetOwnsBitmap());
  EXPECT_TRUE(loose.GetTargetBitmap()->IsEmpty());
  EXPECT_EQ(loose.UndoCount(), 0);
  platform::TFont font;
  font.Name = "DejaVu Sans";
  font.Size = 13;
  loose.SetPreviewFont(font);
  EXPECT_EQ(loose.GetPreviewFont().Size, 13);
  loose.SetBackground(0x123456);
  EXPECT_EQ(loose.OwnBackground, 0x123456u);
  FakePictavoView view;
  loose.SetAttachedPictavo(&view);
  EXPECT_EQ(loose.GetBackground(), view.GetBackground());
  loose.SetBackground(0x654321);
  EXPECT_EQ(view.GetBackground(), 0x654321u);
  EXPECT_EQ(loose.OwnBackground, 0x123456u);
}

TEST(PictavoProcConstruction, TheRawClipboardFormatIsRegisteredByName) {
  RegisterRawClipboardFormat();
  EXPECT_GE(RawClipboardFormat, platform::FirstRegisteredClipboardFormat);
  EXPECT_EQ(platform::GetClipboardFormatName(RawClipboardFormat), "PICTAVO RAW FORMAT");
  EXPECT_EQ(platform::RegisterClipboardFormat("pictavo raw format"), RawClipboardFormat);
}

TEST(PictavoProcConstruction, DialogParamsResetToTheirStartValues) {
  TIPDialogParams params;
  params.SetValue(2, 40);
  params.Stream.WriteBuffer("abcd", 4);
  params.SetValue(0, 3);
  EXPECT_EQ(params.Stream.GetSize(), 0);  // the setters empty the stream
  params.Ints[4] = 9;
  params.Matrix[0][2] = 5;
  params.Gamma = 0;
  params.Stream.WriteBuffer("abcd", 4);
  params.Reset();
  for (int32_t i = 0; i < 4; ++i) EXPECT_EQ(params.GetValue(i), -1);
  for (const int32_t value : params.Ints) EXPECT_EQ(value, 0);
  for (int32_t y = 0; y < 3; ++y)
    for (int32_t x = 0; x < 3; ++x) EXPECT_EQ(params.Matrix[y][x], x == 1 && y == 1 ? 1 : 0);
  EXPECT_EQ(params.MatrixDivisor, 0);
  const TPVRGB black{0, 0, 0}, white{255, 255, 255};
  EXPECT_EQ(params.Colors[0], black);
  EXPECT_EQ(params.Colors[1], white);
  EXPECT_EQ(params.Colors[2], black);
  EXPECT_EQ(params.Colors[3], white);
  EXPECT_EQ(std::vector<int32_t>(params.Rect1, params.Rect1 + 4),
            (std::vector<int32_t>{0, 0, 150, 150}));
  EXPECT_EQ(params.Color5, white);
  EXPECT_EQ(params.Int5, 0);
  EXPECT_TRUE(params.Flag1);
  EXPECT_EQ(std::vector<int32_t>(params.Rect2, params.Rect2 + 4),
            (std::vector<int32_t>{0, 0, 150, 150}));
  EXPECT_EQ(params.Gamma, 1.7);
  EXPECT_TRUE(params.Flag2);
  EXPECT_EQ(params.Int6, 10);
  EXPECT_EQ(params.Int7, 10);
  EXPECT_EQ(params.Int8, 0);
  EXPECT_FALSE(params.Flag3);
  EXPECT_EQ(params.Int9, 0);
  EXPECT_EQ(params.Int10, 1);
  EXPECT_EQ(params.Low, 0.0);
  EXPECT_EQ(params.High, 1.0);
  EXPECT_EQ(params.Int11, 1);
  EXPECT_EQ(params.Int12, 4);
  EXPECT_TRUE(params.Flag4);
  EXPECT_EQ(params.Stream.GetSize(), 0);
}

INSTANTIATE_TEST_SUITE_P(Storages, PictavoProcEvents, ::testing::ValuesIn(kStorages),
                         StorageCaseName);

}  // namespace
}  // namespace calmora::test
