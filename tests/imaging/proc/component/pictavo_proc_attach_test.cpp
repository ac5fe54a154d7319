// The processing component's attachments: own bitmap, view, image control and a caller's
// bitmap in one walk; leaving each; and surviving the destruction of what it was attached to.
#include <gtest/gtest.h>

#include <memory>

#include "imaging/core/bitmap/bitmap_pixels.h"
#include "imaging/proc/component/pictavo_proc.h"
#include "platform/image_control.h"
#include "tests/imaging/proc/component/pictavo_proc_test_support.h"
#include "tests/imaging/support/fake_pictavo_view.h"
#include "tests/support/qt_test_app.h"

namespace calmora::test {
namespace {

enum class Attached { Own, View, Image, External };

struct Expectation {
  Attached attached;
  TPVBitmap* target;  // null: a bitmap of the component's own
  platform::TBitmap* linked;
};

void ExpectState(TPictavoProc& proc, const Expectation& e, FakePictavoView& view,
                 platform::TImage& image, const std::string& step) {
  SCOPED_TRACE(step);
  ASSERT_NE(proc.GetTargetBitmap(), nullptr);
  if (e.target != nullptr) {
    EXPECT_EQ(proc.GetTargetBitmap(), e.target);
  }
  EXPECT_EQ(proc.GetOwnsBitmap(), e.target == nullptr);
  EXPECT_EQ(proc.GetLinkedTBitmap(), e.linked);
  EXPECT_EQ(proc.GetAttachedPictavo(), e.attached == Attached::View ? &view : nullptr);
  EXPECT_EQ(proc.GetAttachedTImage(), e.attached == Attached::Image ? &image : nullptr);
  EXPECT_EQ(proc.GetViewChangeHandle() != kNoRegistration, e.attached == Attached::View);
  if (e.attached == Attached::Image) {
    EXPECT_EQ(proc.GetTargetBitmap()->Location, pvTBitmap);
  }
}

class PictavoProcAttach : public ::testing::TestWithParam<Storage> {
 protected:
  TempFolderScope folder_;
};

TEST_P(PictavoProcAttach, WalksEveryAttachmentAndBack) {
  FakePictavoView view;
  MakeBitmap(*view.Layers[0]->Bitmap, GetParam(), 6, 4, pv24RGB);
  view.Layers[0]->Bitmap->Fill(0x102030);
  platform::TImage image(nullptr);
  ASSERT_TRUE(image.GetPicture()->GetBitmap()->SetPixelFormat(platform::pf24bit));
  ASSERT_TRUE(image.GetPicture()->GetBitmap()->SetSize(5, 3));
  TPVBitmap external;
  MakeBitmap(external, GetParam(), 3, 3, pv8g);
  external.Fill(77);

  TPictavoProc proc(nullptr);
  ExpectState(proc, {Attached::Own, nullptr, nullptr}, view, image, "own");

  proc.SetAttachedPictavo(&view);
  ExpectState(proc, {Attached::View, view.Layers[0]->Bitmap.get(), nullptr}, view, image, "view");
  // The registered callback follows the view to its new current bitmap.
  view.LayersAdd();
  ExpectState(proc, {Attached::View, view.Layers[1]->Bitmap.get(), nullptr}, view, image,
              "view, second layer");
  view.SetCurrentLayer(0);

  proc.SetAttachedTImage(&image);
  ExpectState(proc, {Attached::Image, nullptr, image.GetPicture()->GetBitmap()}, view, image,
              "image control");
  EXPECT_EQ(proc.GetTargetBitmap()->GetWidth(), 5);
  // The view's image was left alone, and the view no longer reaches the component.
  EXPECT_EQ(view.Layers[0]->Bitmap->GetWidth(), 6);
  EXPECT_EQ(view.Layers[0]->Bitmap->GetPixel24(5, 3), (TPVRGB{0x10, 0x20, 0x30}));
  TPVBitmap* wrapper = proc.GetTargetBitmap();
  view.SetCurrentLayer(1);
  EXPECT_EQ(proc.GetTargetBitmap(), wrapper);

  proc.AttachBitmap(&external);
  ExpectState(proc, {Attached::External, &external, nullptr}, view, image, "external");
  // The picture the control shows is still whole.
  EXPECT_EQ(image.GetPicture()->GetBitmap()->GetWidth(), 5);

  proc.SetAttachedPictavo(nullptr);
  ExpectState(proc, {Attached::Own, nullptr, nullptr}, view, image, "own again");
  EXPECT_TRUE(proc.GetTargetBitmap()->IsEmpty());
  EXPECT_EQ(external.GetPixel8(2, 2), 77);  // the caller's bitmap is the caller's
}

TEST_P(PictavoProcAttach, AViewOfADeviceBitmapIsWorkedOnThroughAnOwnWrapper) {
  // A view whose image is a plain device bitmap.
  struct DeviceView : FakePictavoView {
    platform::TBitmap Picture;
    platform::TBitmap* GetTBitmap() override { return &Picture; }
    TPVBitmap* GetPVBitmap() override { return nullptr; }
  } view;
  ASSERT_TRUE(view.Picture.SetPixelFormat(platform::pf24bit));
  ASSERT_TRUE(view.Picture.SetSize(4, 4));
  TPictavoProc proc(nullptr);
  proc.SetAttachedPictavo(&view);
  EXPECT_TRUE(proc.GetOwnsBitmap());
  EXPECT_EQ(proc.GetLinkedTBitmap(), &view.Picture);
  EXPECT_EQ(proc.GetTargetBitmap()->GetWidth(), 4);
  proc.Fill(TPVRGB{1, 2, 3});
  EXPECT_EQ(view.Picture.GetScanLine(3)[0], 1);
  EXPECT_EQ(view.UpdateCount, 1);
  // Resized behind the component's back: the next operation sees the new size.
  ASSERT_TRUE(view.Picture.SetSize(7, 2));
  proc.Fill(TPVRGB{9, 9, 9});
  EXPECT_EQ(proc.GetTargetBitmap()->GetWidth(), 7);
  EXPECT_EQ(view.Picture.GetScanLine(1)[18], 9);
}

TEST_P(PictavoProcAttach, AttachingNoBitmapKeepsAViewOrImageControl) {
  FakePictavoView view;
  MakeBitmap(*view.Layers[0]->Bitmap, GetParam(), 4, 4, pv24RGB);
  TPictavoProc proc(nullptr);
  proc.SetAttachedPictavo(&view);
  proc.AttachBitmap(nullptr);
  EXPECT_EQ(proc.GetAttachedPictavo(), &view);
  EXPECT_EQ(proc.GetTargetBitmap(), view.Layers[0]->Bitmap.get());
  view.LayersAdd();  // still heard
  EXPECT_EQ(proc.GetTargetBitmap(), view.Layers[1]->Bitmap.get());

  platform::TImage image(nullptr);
  proc.SetAttachedTImage(&image);
  proc.AttachBitmap(nullptr);
  EXPECT_EQ(proc.GetAttachedTImage(), &image);

  // Without either, null leaves the component with no target: operations then do nothing.
  proc.SetAttachedTImage(nullptr);
  proc.AttachBitmap(nullptr);
  EXPECT_EQ(proc.GetTargetBitmap(), nullptr);
  EventLog log;
  log.Listen(proc);
  proc.Fill(TPVRGB{1, 1, 1});
  proc.Clear();
  EXPECT_TRUE(log.Entries.empty());
}

TEST_P(PictavoProcAttach, NoImageControlUndoesOnlyAnImageControlAttachment) {
  FakePictavoView view;
  MakeBitmap(*view.Layers[0]->Bitmap, GetParam(), 4, 4, pv24RGB);
  view.Layers[0]->Bitmap->Fill(0x00FF00);
  TPictavoProc proc(nullptr);
  proc.SetAttachedPictavo(&view);
  proc.SetAttachedTImage(nullptr);
  EXPECT_EQ(proc.GetAttachedPictavo(), &view);
  EXPECT_EQ(view.Layers[0]->Bitmap->GetWidth(), 4);

  TPVBitmap external;
  MakeBitmap(external, GetParam(), 2, 2, pv24RGB);
  proc.AttachBitmap(&external);
  proc.SetAttachedTImage(nullptr);
  EXPECT_EQ(proc.GetTargetBitmap(), &external);
  EXPECT_EQ(external.GetWidth(), 2);

  platform::TImage image(nullptr);
  ASSERT_TRUE(image.GetPicture()->GetBitmap()->SetSize(3, 3));
  proc.SetAttachedTImage(&image);
  proc.SetAttachedTImage(nullptr);
  EXPECT_EQ(proc.GetAttachedTImage(), nullptr);
  EXPECT_TRUE(proc.GetOwnsBitmap());
  EXPECT_EQ(proc.GetLinkedTBitmap(), nullptr);
  EXPECT_EQ(image.GetPicture()->GetBitmap()->GetWidth(), 3);
}

// Every operation, with arguments that change a small image.
void RunEveryOperation(TPictavoProc& proc) {
  TPVRGB palette[8];
  proc.ImageResize(6, 5, 1, 1, 255);
  proc.Resample(8, 6, rfBilinear);
  proc.Rotate(30, true, 1, kUseComponentBackground);
  proc.Rotate(90, false, 0, 0);
  proc.ConvertToGray();
  proc.Fill(TPVRGB{1, 2, 3});
  proc.Clear();
  proc.Crop(1, 1, 3, 3);
  proc.CropRect(TRect{0, 0, 1, 1});
  proc.CropToOpaque();
  proc.SaveUndo(pvuImage);
  proc.SaveUndo(pvuLayer);
  proc.Undo(true);
  proc.Redo();
  proc.ConvertToPalette(4, palette, pvdmOrdered);
  proc.ConvertTo(2, pvdmOrdered);
}

TEST_P(PictavoProcAttach, OutlivesADestroyedView) {
  auto view = std::make_unique<FakePictavoView>();
  MakeBitmap(*view->Layers[0]->Bitmap, GetParam(), 5, 5, pv24RGB);
  TPictavoProc proc(nullptr);
  proc.SetUndoLimit(3);
  proc.SetAttachedPictavo(view.get());
  proc.SaveUndo(pvuImage);
  view.reset();
  EXPECT_EQ(proc.GetAttachedPictavo(), nullptr);
  EXPECT_EQ(proc.GetViewChangeHandle(), kNoRegistration);
  EXPECT_EQ(proc.GetLinkedTBitmap(), nullptr);
  ASSERT_TRUE(proc.GetOwnsBitmap());
  EXPECT_TRUE(proc.GetTargetBitmap()->IsEmpty());
  RunEveryOperation(proc);  // on the empty own bitmap: nothing to do, nothing touched
  proc.GetTargetBitmap()->Allocate(4, 4, pv24RGB);
  RunEveryOperation(proc);
  EXPECT_EQ(proc.GetTargetBitmap()->GetPixelFormat(), pv1g);
}

TEST_P(PictavoProcAttach, OutlivesADestroyedImageControl) {
  auto image = std::make_unique<platform::TImage>(nullptr);
  ASSERT_TRUE(image->GetPicture()->GetBitmap()->SetPixelFormat(platform::pf24bit));
  ASSERT_TRUE(image->GetPicture()->GetBitmap()->SetSize(5, 5));
  TPictavoProc proc(nullptr);
  proc.SetAttachedTImage(image.get());
  image.reset();
  EXPECT_EQ(proc.GetAttachedTImage(), nullptr);
  EXPECT_EQ(proc.GetLinkedTBitmap(), nullptr);
  ASSERT_TRUE(proc.GetOwnsBitmap());
  EXPECT_TRUE(proc.GetTargetBitmap()->IsEmpty());
  RunEveryOperation(proc);
  proc.GetTargetBitmap()->Allocate(4, 4, pv24RGB);
  RunEveryOperation(proc);
}

// Components of one owner ask for no free notification: the owner passes the news on.
TEST_P(PictavoProcAttach, HearsOfAnImageControlOfTheSameOwnerGoing) {
  platform::TComponent owner(nullptr);
  auto* image = new platform::TImage(&owner);
  ASSERT_TRUE(image->GetPicture()->GetBitmap()->SetSize(4, 4));
  auto* proc = new TPictavoProc(&owner);
  proc->SetAttachedTImage(image);
  delete image;
  EXPECT_EQ(proc->GetAttachedTImage(), nullptr);
  EXPECT_EQ(proc->GetLinkedTBitmap(), nullptr);
  RunEveryOperation(*proc);
}

TEST_P(PictavoProcAttach, AViewThatOwnsTheComponentFreesItCleanly) {
  auto* view = new FakePictavoView(nullptr);
  MakeBitmap(*view->Layers[0]->Bitmap, GetParam(), 5, 5, pv24RGB);
  auto* proc = new TPictavoProc(view);  // owned by the view
  proc->SetAttachedPictavo(view);
  proc->SaveUndo(pvuImage);
  EXPECT_TRUE(proc->AutoUndo);
  delete view;  // frees the component too
}

TEST_P(PictavoProcAttach, OperationsOnAnImageControlRepaintIt) {
  platform::TImage image(nullptr);
  platform::TBitmap& picture = *image.GetPicture()->GetBitmap();
  ASSERT_TRUE(picture.SetPixelFormat(platform::pf24bit));
  ASSERT_TRUE(picture.SetSize(4, 3));
  int32_t changes = 0;
  image.GetPicture()->OnChange = [&changes] { ++changes; };
  TPictavoProc proc(nullptr);
  proc.SetAttachedTImage(&image);
  proc.Fill(TPVRGB{10, 20, 30});
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(picture.GetScanLine(2)[9], 10);
  EXPECT_EQ(picture.GetScanLine(2)[11], 30);
  // An alpha plane made by an operation does not stay on the device bitmap.
  proc.ImageResize(6, 3, 0, 0, 0);
  EXPECT_EQ(picture.GetWidth(), 6);
  EXPECT_FALSE(proc.GetTargetBitmap()->HasAlphaChannel());
  // A crop keeps working on the control's own picture.
  picture.GetScanLine(1)[3 * 3] = 99;
  proc.Crop(2, 1, 4, 2);
  EXPECT_EQ(image.GetPicture()->GetBitmap(), &picture);
  EXPECT_EQ(proc.GetLinkedTBitmap(), &picture);
  EXPECT_EQ(picture.GetWidth(), 3);
  EXPECT_EQ(picture.GetHeight(), 2);
  EXPECT_EQ(picture.GetScanLine(0)[3], 99);
  EXPECT_EQ(changes, 3);
}

INSTANTIATE_TEST_SUITE_P(Storages, PictavoProcAttach, ::testing::ValuesIn(kStorages),
                         StorageCaseName);

}  // namespace
}  // namespace calmora::test
