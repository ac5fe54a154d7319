// The steps every load and save of the I/O component shares: readying the working bitmap,
// showing the result, progress and finish, the resolution handling after a load, and taking an
// image from an acquisition source.
#include <cmath>
#include <limits>

#include "imaging/core/dpi_globals.h"
#include "imaging/core/view/view_services.h"
#include "imaging/io/pictavo_io.h"
#include "imaging/proc/resample/resample_kernels.h"
#include "platform/image_control.h"
#include "platform/posted_messages.h"

namespace calmora {

bool TPictavoIO::PrepareBitmap(TPVPixelFormats AllowedFormats) {
  if (WorkBitmap == nullptr) return false;
  // Someone may have drawn on or resized the device bitmap since it was wrapped.
  if (LinkedTBitmap != nullptr) WorkBitmap->EncapsulateTBitmap(LinkedTBitmap, false);
  if (AllowedFormats.IsEmpty()) return true;
  const TPVPixelFormat format = WorkBitmap->GetPixelFormat();
  return format <= 15 && AllowedFormats.Contains(format);
}

void TPictavoIO::PostToView(uint32_t Message, intptr_t WParam) {
  TPVView* view = AttachedPictavo;
  if (view == nullptr || view->parentWidget() == nullptr) return;
  // The view's window is made on its own thread, ahead of the message.
  platform::PostCallTo(view, [view] { view->HandleNeeded(); });
  platform::PostMessageTo(view, Message, WParam, 0);
}

bool TPictavoIO::PostsToView() {
  return AttachedPictavo != nullptr && AttachedPictavo->parentWidget() != nullptr &&
         InWorkerThread();
}

void TPictavoIO::EnsureViewHandle() {
  if (AttachedPictavo != nullptr) AttachedPictavo->HandleNeeded();
}

void TPictavoIO::Update() {
  // A device bitmap carries no alpha plane: what the load left there is dropped.
  if (LinkedTBitmap != nullptr && WorkBitmap != nullptr)
    WorkBitmap->RemoveAlphaChannel(false, 0xFFFFFF);
  if (AttachedPictavo != nullptr && InWorkerThread()) {
    // A worker never calls the view: the refresh and the ImageChange after it run on the
    // view's thread, in that order.
    if (PostsToView()) PostToView(PVM_IOUPDATE, 0);
    TPVView* view = AttachedPictavo;
    platform::PostCallTo(view, [view] { view->ImageChange(); });
  } else if (AttachedPictavo != nullptr) {
    AttachedPictavo->Update();
    AttachedPictavo->ImageChange();
  } else if (LinkedTBitmap != nullptr && AttachedTImage != nullptr) {
    AttachedTImage->GetPicture()->Modified();
  }
}

void TPictavoIO::DoProgress(TObject* Sender, int Percent) {
  if (!OnProgress) return;
  if (PostsToView())
    PostToView(PVM_IOPROGRESS, Percent);
  else
    OnProgress(Sender, Percent);
}

void TPictavoIO::DoFinishWork() {
  ProgressMethod(this, 100);
  if (!OnFinishWork) return;
  if (PostsToView())
    PostToView(PVM_IOFINISHWORK, 0);
  else
    OnFinishWork(this);
}

void TPictavoIO::ApplyDefaultDPI() {
  if (Params->DpiX < 2) Params->SetDpiX(DefaultDpiX);
  if (Params->DpiY < 2) Params->SetDpiY(DefaultDpiY);
}

void TPictavoIO::UpdateViewDPI() {
  auto* view = dynamic_cast<TPictavoViewServices*>(AttachedPictavo);
  if (view == nullptr) return;
  if (InWorkerThread()) {
    // Handed to the view's thread like the refresh that follows it.
    TPVView* target = AttachedPictavo;
    platform::PostCallTo(target, [target, view, x = Params->DpiX, y = Params->DpiY] {
      view->LockUpdate();
      target->SetDpi(x, y);
      view->UnlockUpdateSilently();
    });
    return;
  }
  view->LockUpdate();
  AttachedPictavo->SetDpi(Params->DpiX, Params->DpiY);
  view->UnlockUpdateSilently();
}

namespace {

// Trunc(Size / From x To) when it is a usable side length, else 0.
int32_t ScaledSide(int32_t Size, int32_t From, int32_t To) {
  const double side = std::trunc(static_cast<double>(Size) / From * To);
  if (!(side >= 1.0) || side > std::numeric_limits<int32_t>::max()) return 0;
  return static_cast<int32_t>(side);
}

}  // namespace

void TPictavoIO::AdjustDPI() {
  if (!PrepareBitmap({})) return;
  const int32_t dpiX = Params->DpiX;
  const int32_t dpiY = Params->DpiY;
  if (dpiX == dpiY || dpiX <= 0 || dpiY <= 0) return;
  if (WorkBitmap->GetWidth() <= 0 || WorkBitmap->GetHeight() <= 0) return;
  int32_t width = Params->Width;
  int32_t height = Params->Height;
  int32_t dpi = 0;
  if (height < width) {
    height = ScaledSide(height, dpiY, dpiX);
    dpi = dpiX;
  } else {
    width = ScaledSide(width, dpiX, dpiY);
    dpi = dpiY;
  }
  // A side that cannot be had leaves image and resolution as read.
  if (width < 1 || height < 1) return;

  std::unique_ptr<TPVBitmap> alpha;
  if (WorkBitmap->HasAlphaChannel()) {
    alpha = std::make_unique<TPVBitmap>();
    if (!alpha->Assign(WorkBitmap->GetAlphaChannel())) {
      Aborting = true;
      return;
    }
  }
  TPVBitmap resized;
  bool resampled = false;
  if (FilteredAdjustDPI) {
    resampled = resized.Allocate(width, height, pv24RGB) && WorkBitmap->SetPixelFormat(pv24RGB) &&
                ResampleFiltered(*WorkBitmap, resized, rfFastLinear, this, nullptr);
  } else {
    resampled = resized.Allocate(width, height, WorkBitmap->GetPixelFormat()) &&
                ResampleNearest(*WorkBitmap, resized, this, nullptr) != nullptr;
  }
  if (!resampled) {
    Aborting = true;
    return;
  }
  Params->Width = width;
  Params->Height = height;
  // Straight into the record: neither the view nor the EXIF resolution is told.
  Params->DpiX = dpi;
  Params->DpiY = dpi;
  if (!WorkBitmap->Assign(&resized)) {
    Aborting = true;
    return;
  }
  if (alpha != nullptr) {
    TPVBitmap* plane = WorkBitmap->GetAlphaChannel();
    if (plane == nullptr || ResampleNearest(*alpha, *plane, this, nullptr) == nullptr)
      Aborting = true;
  }
}

void TPictavoIO::DoAcquireBitmap(TPVBitmap* Bitmap, bool& Handled) {
  if (OnAcquireBitmap) OnAcquireBitmap(this, Bitmap, Handled);
}

void TPictavoIO::AcquireBitmap(TPVBitmap* Bitmap, TIOParamsVals*& Out) {
  if (!PrepareBitmap({})) return;
  bool handled = false;
  DoAcquireBitmap(Bitmap, handled);
  if (handled) return;
  Out = Params.get();
  WorkBitmap->Assign(Bitmap);
  if (AutoAdjustDPI) AdjustDPI();
  Update();
}

}  // namespace calmora
