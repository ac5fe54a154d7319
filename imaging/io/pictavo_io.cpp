// The I/O component's life and attachments: own bitmap, view, image control or a caller's
// bitmap, and the callbacks that keep the working bitmap valid when any of them changes or goes.
#include "imaging/io/pictavo_io.h"

#include "platform/image_control.h"

namespace calmora {

TPictavoIO::TPictavoIO(platform::TComponent* AOwner)
    : platform::TComponent(AOwner),
      TwainParams(std::make_unique<TPVTWainParams>(this)),
      PreviewFont(std::make_unique<platform::TFont>()),
      PrintPreviewParams(std::make_unique<TIOPrintPreviewParams>()) {
  TakeNewOwnBitmap();
  // The record asks its owner for the device bitmap while it sets its defaults, so the
  // working bitmap exists first.
  Params = std::make_unique<TIOParamsVals>(this);
  ProgressMethod = [this](TObject* Sender, int Percent) { DoProgress(Sender, Percent); };
}

TPictavoIO::~TPictavoIO() {
  Destroying();
  WaitThreads(false);
  CloseMediaFile();
  CloseAVIFile();
  ClosePSDocument();
  ClosePDFDocument();
  LeaveView();
  LeaveTImage();
  Params.reset();
  TwainParams.reset();
  PrintPreviewParams.reset();
  PreviewFont.reset();
  FreeOwnWorkBitmap();
  WIA.reset();
  DirectShow.reset();
}

// ---- Attachments ----

void TPictavoIO::FreeOwnWorkBitmap() {
  if (OwnsWorkBitmap) delete WorkBitmap;
  WorkBitmap = nullptr;
  OwnsWorkBitmap = false;
}

void TPictavoIO::TakeNewOwnBitmap() {
  FreeOwnWorkBitmap();
  WorkBitmap = new TPVBitmap();
  WorkBitmap->DitherMethod = DefaultDitherMethod;
  OwnsWorkBitmap = true;
  LinkedTBitmap = nullptr;
}

void TPictavoIO::UnregisterFromView() {
  if (AttachedPictavo == nullptr || ViewCallbackHandle == kNoRegistration) return;
  // A view being destroyed has already dropped its callbacks (it told us so through them).
  if (!AttachedPictavo->GetComponentState().Contains(platform::csDestroying))
    AttachedPictavo->UnregisterBitmapChangeEvent(ViewCallbackHandle);
  ViewCallbackHandle = kNoRegistration;
}

void TPictavoIO::LeaveView() {
  UnregisterFromView();
  if (AttachedPictavo == nullptr) return;
  TPVView* view = AttachedPictavo;
  AttachedPictavo = nullptr;
  if (!view->GetComponentState().Contains(platform::csDestroying)) RemoveFreeNotification(view);
}

void TPictavoIO::LeaveTImage() {
  if (AttachedTImage == nullptr) return;
  platform::TImage* image = AttachedTImage;
  AttachedTImage = nullptr;
  if (!image->GetComponentState().Contains(platform::csDestroying)) RemoveFreeNotification(image);
}

void TPictavoIO::SetAttachedPictavo(TPVView* View) {
  UnregisterFromView();
  if (View == nullptr) {
    LeaveView();
    TakeNewOwnBitmap();
    return;
  }
  LeaveView();
  FreeOwnWorkBitmap();
  LinkedTBitmap = View->GetTBitmap();
  WorkBitmap = View->GetPVBitmap();
  if (WorkBitmap != nullptr) {
    LinkedTBitmap = nullptr;
  } else {
    platform::TBitmap* legacy = LinkedTBitmap;
    TakeNewOwnBitmap();
    LinkedTBitmap = legacy;
    WorkBitmap->EncapsulateTBitmap(legacy, true);
  }
  AttachedPictavo = View;
  FreeNotification(View);
  LeaveTImage();
  ViewCallbackHandle = View->RegisterBitmapChangeEvent(
      [this](TObject* Sender, bool Destroying) { ViewChanged(Sender, Destroying); });
}

void TPictavoIO::SetAttachedTImage(platform::TImage* Image) {
  UnregisterFromView();
  if (Image == nullptr) {
    // Only a wrapper of the control's picture is emptied: a view's or a caller's pixels are
    // theirs (the view link stays, without its callback).
    if (AttachedTImage == nullptr) return;
    LeaveTImage();
    TakeNewOwnBitmap();
    return;
  }
  LeaveTImage();
  // Always a new bitmap of our own: wrapping in the view's or a caller's bitmap would free
  // their pixels.
  TakeNewOwnBitmap();
  LinkedTBitmap = Image->GetPicture()->GetBitmap();
  WorkBitmap->EncapsulateTBitmap(LinkedTBitmap, true);
  AttachedTImage = Image;
  FreeNotification(Image);
  LeaveView();
}

void TPictavoIO::SetAttachedBitmap(TPVBitmap* Bitmap) {
  UnregisterFromView();
  if (Bitmap == nullptr && (AttachedPictavo != nullptr || AttachedTImage != nullptr)) return;
  ReplaceBitmap(Bitmap);
  if (Bitmap != nullptr) {
    LeaveView();
    LeaveTImage();
  }
}

void TPictavoIO::ReplaceBitmap(TPVBitmap* Bitmap) {
  LinkedTBitmap = nullptr;
  FreeOwnWorkBitmap();
  WorkBitmap = Bitmap;
  OwnsWorkBitmap = false;
}

void TPictavoIO::ViewChanged(TObject*, bool Destroying) {
  if (AttachedPictavo == nullptr) return;
  if (Destroying) {
    // The view drops its callbacks itself; its bitmaps die with it, so none is kept.
    ViewCallbackHandle = kNoRegistration;
    AttachedPictavo = nullptr;
    TakeNewOwnBitmap();
    return;
  }
  LinkedTBitmap = AttachedPictavo->GetTBitmap();
  if (OwnsWorkBitmap && WorkBitmap != nullptr) {
    WorkBitmap->EncapsulateTBitmap(LinkedTBitmap, true);
  } else {
    WorkBitmap = AttachedPictavo->GetPVBitmap();
    OwnsWorkBitmap = false;
    if (WorkBitmap != nullptr) LinkedTBitmap = nullptr;
  }
  Params->SetDpiX(AttachedPictavo->DpiX);
  Params->SetDpiY(AttachedPictavo->DpiY);
}

void TPictavoIO::Notification(platform::TComponent* AComponent, platform::TOperation Operation) {
  platform::TComponent::Notification(AComponent, Operation);
  if (Operation != platform::opRemove || AComponent == nullptr) return;
  // A view or image control that goes takes its pixels along: a new own bitmap keeps the
  // component from touching them.
  if (AttachedPictavo != nullptr && AComponent == AttachedPictavo) {
    LeaveView();
    TakeNewOwnBitmap();
  }
  if (AttachedTImage != nullptr && AComponent == AttachedTImage) {
    AttachedTImage = nullptr;
    LeaveView();
    TakeNewOwnBitmap();
  }
}

// ---- Properties ----

TColor TPictavoIO::GetBackground() const {
  return AttachedPictavo != nullptr ? AttachedPictavo->GetBackground() : OwnBackground;
}

void TPictavoIO::SetBackground(TColor Value) {
  if (AttachedPictavo == nullptr) OwnBackground = Value;
}

void TPictavoIO::SetNativePixelFormat(bool Value) {
  if (Params != nullptr) Params->NativePixelFormat = Value;
}

void TPictavoIO::SetDefaultDitherMethod(TPVDitherMethod Method) {
  if (WorkBitmap != nullptr) WorkBitmap->DitherMethod = Method;
  DefaultDitherMethod = Method;
}

platform::TBitmap* TPictavoIO::GetTBitmap() {
  if (WorkBitmap != nullptr && WorkBitmap->Location == pvTBitmap) return WorkBitmap->GetTBitmap();
  return LinkedTBitmap;
}

// ---- Open documents ----

// No operation of the library opens a document in these slots yet (every PostScript and PDF
// save writes one complete page), so closing releases the files and clears the slots.
void TPictavoIO::ClosePSDocument() {
  PSDocument = nullptr;
  PSStream.reset();
}

void TPictavoIO::ClosePDFDocument() {
  PDFDocument = nullptr;
  PDFStream.reset();
}

}  // namespace calmora
