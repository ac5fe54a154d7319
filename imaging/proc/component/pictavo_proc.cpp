// The processing component's life and attachments: own bitmap, view, image control or a
// caller's bitmap, and the callbacks that keep the target valid when any of them changes or goes.
#include "imaging/proc/component/pictavo_proc.h"

#include "imaging/core/view/view_services.h"
#include "platform/clipboard_formats.h"
#include "platform/image_control.h"

namespace calmora {

uint32_t RawClipboardFormat = 0;

void RegisterRawClipboardFormat() {
  RawClipboardFormat = platform::RegisterClipboardFormat("PICTAVO RAW FORMAT");
}

TPictavoProc::TPictavoProc(platform::TComponent* AOwner)
    : platform::TComponent(AOwner),
      previewFont_(std::make_unique<platform::TFont>()),
      dialogParams_(std::make_unique<TIPDialogParams>()) {
  AutoUndo = AOwner != nullptr;
  previewsParams_.Include(prppShowResetButton);
  previewsParams_.Include(prppHardReset);
  TakeNewOwnBitmap();
}

TPictavoProc::~TPictavoProc() {
  Destroying();
  LeaveView();
  ClearAllUndo();
  ClearAllRedo();
}

// ---- Attachments ----

TPVBitmap* TPictavoProc::TakeNewOwnBitmap() {
  ownBitmap_ = std::make_unique<TPVBitmap>();
  targetBitmap_ = ownBitmap_.get();
  linkedTBitmap_ = nullptr;
  return targetBitmap_;
}

void TPictavoProc::LeaveView() {
  if (attachedPictavo_ == nullptr) return;
  TPVView* view = attachedPictavo_;
  attachedPictavo_ = nullptr;
  // A view being destroyed has already dropped its callbacks (it told us so through them).
  if (!view->GetComponentState().Contains(platform::csDestroying)) {
    view->UnregisterBitmapChangeEvent(viewChangeHandle_);
    RemoveFreeNotification(view);
  }
  viewChangeHandle_ = kNoRegistration;
}

void TPictavoProc::LeaveTImage() {
  if (attachedTImage_ == nullptr) return;
  platform::TImage* image = attachedTImage_;
  attachedTImage_ = nullptr;
  if (!image->GetComponentState().Contains(platform::csDestroying)) RemoveFreeNotification(image);
}

void TPictavoProc::SetAttachedPictavo(TPVView* View) {
  LeaveView();
  if (View == nullptr) {
    TakeNewOwnBitmap();
    return;
  }
  LeaveTImage();
  attachedPictavo_ = View;
  ViewBitmapChanged(View, false);
  FreeNotification(View);
  viewChangeHandle_ = View->RegisterBitmapChangeEvent(
      [this](TObject* Sender, bool Destroying) { ViewBitmapChanged(Sender, Destroying); });
}

void TPictavoProc::ViewBitmapChanged(TObject*, bool Destroying) {
  if (attachedPictavo_ == nullptr) return;
  if (Destroying) {
    // The view drops its callbacks itself; its bitmaps die with it, so nothing of them is kept.
    attachedPictavo_ = nullptr;
    viewChangeHandle_ = kNoRegistration;
    TakeNewOwnBitmap();
    return;
  }
  platform::TBitmap* legacy = attachedPictavo_->GetTBitmap();
  if (TPVBitmap* image = attachedPictavo_->GetPVBitmap()) {
    ownBitmap_.reset();
    targetBitmap_ = image;
    linkedTBitmap_ = nullptr;
    return;
  }
  // A view whose image is a plain device bitmap: an own bitmap works on it in place.
  if (!GetOwnsBitmap()) TakeNewOwnBitmap();
  linkedTBitmap_ = legacy;
  targetBitmap_->EncapsulateTBitmap(legacy, true);
}

void TPictavoProc::SetAttachedTImage(platform::TImage* Image) {
  if (Image == nullptr) {
    if (attachedTImage_ == nullptr) return;
    LeaveTImage();
    TakeNewOwnBitmap();
    return;
  }
  LeaveView();
  LeaveTImage();
  attachedTImage_ = Image;
  // Always a new bitmap of our own: wrapping in the view's or a caller's bitmap would free
  // their pixels.
  TakeNewOwnBitmap();
  linkedTBitmap_ = Image->GetPicture()->GetBitmap();
  targetBitmap_->EncapsulateTBitmap(linkedTBitmap_, true);
  FreeNotification(Image);
}

void TPictavoProc::AttachBitmap(TPVBitmap* Bitmap) {
  if (Bitmap == nullptr && (attachedPictavo_ != nullptr || attachedTImage_ != nullptr)) return;
  LeaveView();
  SetTargetBitmap(Bitmap);
  if (Bitmap != nullptr) LeaveTImage();
}

void TPictavoProc::SetTargetBitmap(TPVBitmap* Bitmap) {
  linkedTBitmap_ = nullptr;
  ownBitmap_.reset();
  targetBitmap_ = Bitmap;
}

void TPictavoProc::Notification(platform::TComponent* AComponent, platform::TOperation Operation) {
  platform::TComponent::Notification(AComponent, Operation);
  if (Operation != platform::opRemove || AComponent == nullptr) return;
  if (attachedPictavo_ != nullptr && AComponent == attachedPictavo_) {
    LeaveView();
    TakeNewOwnBitmap();
  }
  if (attachedTImage_ != nullptr && AComponent == attachedTImage_) {
    attachedTImage_ = nullptr;
    TakeNewOwnBitmap();
  }
}

// ---- Properties ----

TColor TPictavoProc::GetBackground() const {
  return attachedPictavo_ != nullptr ? attachedPictavo_->GetBackground() : OwnBackground;
}

void TPictavoProc::SetBackground(TColor Value) {
  if (attachedPictavo_ != nullptr)
    attachedPictavo_->SetBackground(Value);
  else
    OwnBackground = Value;
}

TPictavoViewServices* TPictavoProc::PictavoView() const {
  return dynamic_cast<TPictavoViewServices*>(attachedPictavo_);
}

TPictavoVectServices* TPictavoProc::PictavoVect() const {
  return dynamic_cast<TPictavoVectServices*>(attachedPictavo_);
}

}  // namespace calmora
