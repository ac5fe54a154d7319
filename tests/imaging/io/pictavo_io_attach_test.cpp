// The I/O component's life and attachments: initial state, own bitmap, view, image control and
// a caller's bitmap, leaving each, and surviving the destruction of what it was attached to.
#include <gtest/gtest.h>

#include <memory>

#include "imaging/core/bitmap/bitmap_pixels.h"
#include "imaging/core/dpi_globals.h"
#include "imaging/io/pictavo_io.h"
#include "platform/image_control.h"
#include "tests/imaging/support/fake_pictavo_view.h"
#include "tests/support/qt_test_app.h"

namespace calmora::test {
namespace {

// A view whose image is a plain device bitmap.
struct DeviceView : FakePictavoView {
  platform::TBitmap Picture;
  platform::TBitmap* GetTBitmap() override { return &Picture; }
  TPVBitmap* GetPVBitmap() override { return nullptr; }
};

void MakeDevicePicture(platform::TBitmap& picture, int32_t width, int32_t height) {
  ASSERT_TRUE(picture.SetPixelFormat(platform::pf24bit));
  ASSERT_TRUE(picture.SetSize(width, height));
}

TEST(PictavoIOCore, StartsWithEveryFieldAtItsInitialValue) {
  TPictavoIO io(nullptr);
  ASSERT_NE(io.GetWorkBitmap(), nullptr);
  EXPECT_TRUE(io.GetWorkBitmap()->IsEmpty());
  EXPECT_TRUE(io.GetOwnsWorkBitmap());
  EXPECT_EQ(io.GetLinkedTBitmap(), nullptr);
  EXPECT_EQ(io.AttachedPictavo, nullptr);
  EXPECT_EQ(io.AttachedTImage, nullptr);
  EXPECT_EQ(io.GetViewCallbackHandle(), kNoRegistration);
  EXPECT_EQ(io.GetBackground(), 0u);
  EXPECT_EQ(io.MsgLanguage, msSystem);
  EXPECT_EQ(io.GetPreviewsParams(), TIOPreviewsParams{});
  EXPECT_TRUE(io.SimplifiedParamsDialogs);
  EXPECT_FALSE(io.StreamHeaders);
  EXPECT_EQ(io.DialogsMeasureUnit, pvduInches);
  EXPECT_FALSE(io.AutoAdjustDPI);
  EXPECT_FALSE(io.FilteredAdjustDPI);
  EXPECT_FALSE(io.GetAsyncMode());
  EXPECT_EQ(io.AcquireState, 0);
  EXPECT_TRUE(io.Workers.empty());
  EXPECT_EQ(io.GetDefaultDitherMethod(), pvdmThreshold);
  EXPECT_FALSE(io.Aborting);
  EXPECT_FALSE(io.GetNativePixelFormat());
  ASSERT_NE(io.Params, nullptr);
  ASSERT_NE(io.TwainParams, nullptr);
  EXPECT_EQ(io.TwainParams->Owner, &io);
  ASSERT_NE(io.PrintPreviewParams, nullptr);
  EXPECT_EQ(io.PrintPreviewParams->Position, 4);
  EXPECT_EQ(io.WIA, nullptr);  // made on first use
  EXPECT_EQ(io.DirectShow, nullptr);
  EXPECT_EQ(io.MediaFile, nullptr);
  EXPECT_TRUE(io.ProxyAddress.empty());
  EXPECT_EQ(io.PSDocument, nullptr);
  EXPECT_EQ(io.PDFDocument, nullptr);
  // The record is the component's: it reaches the component's device bitmap and view.
  EXPECT_EQ(io.Params->OwnerIO, &io);
  // Nothing in a device bitmap yet.
  EXPECT_EQ(io.GetTBitmap(), nullptr);
  ASSERT_TRUE(io.GetWorkBitmap()->Allocate(3, 2, pv24RGB));
  EXPECT_EQ(io.GetTBitmap(), nullptr);
  platform::TBitmap* device = io.GetWorkBitmap()->GetTBitmap();
  ASSERT_NE(device, nullptr);
  EXPECT_EQ(io.GetTBitmap(), device);
}

TEST(PictavoIOCore, PlainAccessorsStoreWhatTheyAreGiven) {
  TPictavoIO io(nullptr);
  io.SetNativePixelFormat(true);
  EXPECT_TRUE(io.Params->NativePixelFormat);
  EXPECT_TRUE(io.GetNativePixelFormat());
  TIOPreviewsParams options;
  options.Include(ioppApplyButton);
  io.SetPreviewsParams(options);
  EXPECT_EQ(io.GetPreviewsParams(), options);
  platform::TFont font;
  font.Size = 17;
  io.SetPreviewFont(font);
  EXPECT_EQ(io.GetPreviewFont().Size, 17);
  io.SetDefaultDitherMethod(pvdmOrdered);
  EXPECT_EQ(io.GetDefaultDitherMethod(), pvdmOrdered);
  EXPECT_EQ(io.GetWorkBitmap()->DitherMethod, pvdmOrdered);
  io.SetAttachedBitmap(nullptr);
  io.SetDefaultDitherMethod(pvdmThreshold);  // no working bitmap: only the field
  EXPECT_EQ(io.GetDefaultDitherMethod(), pvdmThreshold);
}

TEST(PictavoIOCore, WalksEveryAttachmentAndBack) {
  FakePictavoView view;
  ASSERT_TRUE(view.Layers[0]->Bitmap->Allocate(6, 4, pv24RGB));
  view.DpiX = 72;
  view.DpiY = 144;
  platform::TImage image(nullptr);
  MakeDevicePicture(*image.GetPicture()->GetBitmap(), 5, 3);
  TPVBitmap caller;
  ASSERT_TRUE(caller.Allocate(3, 3, pv8g));
  caller.Fill(77);

  TPictavoIO io(nullptr);
  io.SetAttachedPictavo(&view);
  EXPECT_EQ(io.GetWorkBitmap(), view.Layers[0]->Bitmap.get());
  EXPECT_FALSE(io.GetOwnsWorkBitmap());
  EXPECT_EQ(io.GetLinkedTBitmap(), nullptr);
  EXPECT_NE(io.GetViewCallbackHandle(), kNoRegistration);
  // The callback follows the view to its new bitmap and takes the view's resolution.
  view.LayersAdd();
  EXPECT_EQ(io.GetWorkBitmap(), view.Layers[1]->Bitmap.get());
  EXPECT_EQ(io.Params->DpiX, 72);
  EXPECT_EQ(io.Params->DpiY, 144);

  io.SetAttachedTImage(&image);
  EXPECT_EQ(io.AttachedPictavo, nullptr);
  EXPECT_EQ(io.AttachedTImage, &image);
  EXPECT_TRUE(io.GetOwnsWorkBitmap());
  EXPECT_EQ(io.GetLinkedTBitmap(), image.GetPicture()->GetBitmap());
  EXPECT_EQ(io.GetViewCallbackHandle(), kNoRegistration);
  EXPECT_EQ(io.GetWorkBitmap()->GetWidth(), 5);
  EXPECT_EQ(view.Layers[1]->Bitmap->GetWidth(), 6);  // the view's image was left alone
  TPVBitmap* wrapper = io.GetWorkBitmap();
  view.SetCurrentLayer(0);  // no longer heard
  EXPECT_EQ(io.GetWorkBitmap(), wrapper);

  io.SetAttachedBitmap(&caller);
  EXPECT_EQ(io.GetWorkBitmap(), &caller);
  EXPECT_FALSE(io.GetOwnsWorkBitmap());
  EXPECT_EQ(io.AttachedTImage, nullptr);
  EXPECT_EQ(io.GetLinkedTBitmap(), nullptr);
  EXPECT_EQ(image.GetPicture()->GetBitmap()->GetWidth(), 5);

  io.SetAttachedPictavo(nullptr);
  EXPECT_TRUE(io.GetOwnsWorkBitmap());
  EXPECT_TRUE(io.GetWorkBitmap()->IsEmpty());
  EXPECT_EQ(caller.GetPixel8(2, 2), 77);  // the caller's bitmap is the caller's
}

TEST(PictavoIOCore, AViewOfADeviceBitmapIsWorkedOnThroughAnOwnWrapper) {
  DeviceView view;
  MakeDevicePicture(view.Picture, 4, 4);
  TPictavoIO io(nullptr);
  io.SetAttachedPictavo(&view);
  EXPECT_TRUE(io.GetOwnsWorkBitmap());
  EXPECT_EQ(io.GetLinkedTBitmap(), &view.Picture);
  EXPECT_EQ(io.GetTBitmap(), &view.Picture);
  EXPECT_EQ(io.GetWorkBitmap()->GetWidth(), 4);
  // Resized behind the component's back: the next preparation sees the new size.
  ASSERT_TRUE(view.Picture.SetSize(7, 2));
  ASSERT_TRUE(io.PrepareBitmap({}));
  EXPECT_EQ(io.GetWorkBitmap()->GetWidth(), 7);
  EXPECT_EQ(io.GetWorkBitmap()->GetHeight(), 2);
}

TEST(PictavoIOCore, AttachingNoBitmapOverAViewOnlyWithdrawsItsCallback) {
  FakePictavoView view;
  TPictavoIO io(nullptr);
  io.SetAttachedPictavo(&view);
  TPVBitmap* working = io.GetWorkBitmap();
  io.SetAttachedBitmap(nullptr);
  EXPECT_EQ(io.GetWorkBitmap(), working);
  EXPECT_EQ(io.AttachedPictavo, &view);
  EXPECT_EQ(io.GetViewCallbackHandle(), kNoRegistration);
  view.LayersAdd();  // no longer heard
  EXPECT_EQ(io.GetWorkBitmap(), working);

  // Without any attachment null leaves no working bitmap: every step then stops.
  TPictavoIO bare(nullptr);
  bare.SetAttachedBitmap(nullptr);
  EXPECT_EQ(bare.GetWorkBitmap(), nullptr);
  EXPECT_FALSE(bare.PrepareBitmap({}));
  TIOParamsVals* out = nullptr;
  TPVBitmap delivered;
  ASSERT_TRUE(delivered.Allocate(2, 2, pv24RGB));
  bare.AcquireBitmap(&delivered, out);
  EXPECT_EQ(out, nullptr);
}

TEST(PictavoIOCore, AnImageControlOverACallersBitmapGetsAWrapperOfItsOwn) {
  platform::TImage image(nullptr);
  MakeDevicePicture(*image.GetPicture()->GetBitmap(), 5, 3);
  TPVBitmap caller;
  ASSERT_TRUE(caller.Allocate(3, 3, pv8g));
  caller.Fill(9);
  TPictavoIO io(nullptr);
  io.SetAttachedBitmap(&caller);
  io.SetAttachedTImage(&image);
  EXPECT_TRUE(io.GetOwnsWorkBitmap());
  EXPECT_NE(io.GetWorkBitmap(), &caller);
  EXPECT_EQ(caller.GetWidth(), 3);
  EXPECT_EQ(caller.GetPixel8(1, 1), 9);
  // Null empties only the control's wrapper.
  io.SetAttachedTImage(nullptr);
  EXPECT_EQ(io.AttachedTImage, nullptr);
  EXPECT_EQ(io.GetLinkedTBitmap(), nullptr);
  EXPECT_TRUE(io.GetOwnsWorkBitmap());
  EXPECT_TRUE(io.GetWorkBitmap()->IsEmpty());
  EXPECT_EQ(image.GetPicture()->GetBitmap()->GetWidth(), 5);
  // Over a caller's bitmap null changes nothing.
  io.SetAttachedBitmap(&caller);
  io.SetAttachedTImage(nullptr);
  EXPECT_EQ(io.GetWorkBitmap(), &caller);
  EXPECT_EQ(caller.GetWidth(), 3);
}

TEST(PictavoIOCore, ADestroyedViewOrImageControlLeavesANewOwnBitmap) {
  TPictavoIO io(nullptr);
  {
    FakePictavoView view;
    ASSERT_TRUE(view.Layers[0]->Bitmap->Allocate(4, 4, pv24RGB));
    io.SetAttachedPictavo(&view);
  }
  EXPECT_EQ(io.AttachedPictavo, nullptr);
  EXPECT_EQ(io.GetViewCallbackHandle(), kNoRegistration);
  EXPECT_TRUE(io.GetOwnsWorkBitmap());
  EXPECT_TRUE(io.GetWorkBitmap()->IsEmpty());
  {
    DeviceView view;
    MakeDevicePicture(view.Picture, 4, 4);
    io.SetAttachedPictavo(&view);
  }
  EXPECT_EQ(io.GetLinkedTBitmap(), nullptr);
  EXPECT_TRUE(io.GetWorkBitmap()->IsEmpty());
  {
    platform::TImage image(nullptr);
    MakeDevicePicture(*image.GetPicture()->GetBitmap(), 5, 3);
    io.SetAttachedTImage(&image);
  }
  EXPECT_EQ(io.AttachedTImage, nullptr);
  EXPECT_EQ(io.GetLinkedTBitmap(), nullptr);
  EXPECT_TRUE(io.GetOwnsWorkBitmap());
  EXPECT_TRUE(io.PrepareBitmap({}));
  EXPECT_TRUE(io.GetWorkBitmap()->IsEmpty());
}

TEST(PictavoIOCore, AComponentGoingFirstLeavesTheViewUntouched) {
  FakePictavoView view;
  ASSERT_TRUE(view.Layers[0]->Bitmap->Allocate(4, 4, pv24RGB));
  {
    TPictavoIO io(nullptr);
    io.SetAttachedPictavo(&view);
  }
  EXPECT_EQ(view.Layers[0]->Bitmap->GetWidth(), 4);
  view.LayersAdd();  // no callback of the gone component runs
  // An owned component goes with its owner.
  platform::TComponent owner(nullptr);
  auto* owned = new TPictavoIO(&owner);
  owned->SetAttachedPictavo(&view);
  EXPECT_EQ(owner.GetComponentCount(), 1);
}

TEST(PictavoIOCore, BackgroundIsTheViewsWhileOneIsAttached) {
  FakePictavoView view;
  view.SetBackground(0x123456);
  TPictavoIO io(nullptr);
  io.SetBackground(0x00FF00);
  EXPECT_EQ(io.GetBackground(), 0x00FF00u);
  io.SetAttachedPictavo(&view);
  EXPECT_EQ(io.GetBackground(), 0x123456u);
  io.SetBackground(0x0000FF);
  EXPECT_EQ(view.GetBackground(), 0x123456u);
  io.SetAttachedPictavo(nullptr);
  EXPECT_EQ(io.GetBackground(), 0x00FF00u);
}

}  // namespace
}  // namespace calmora::test
