// The steps every operation of the processing component shares: readying the target and its
// format, the selection an operation works through, and telling the world it is done.
#include <algorithm>

#include "imaging/core/mask/mask.h"
#include "imaging/core/view/view_services.h"
#include "imaging/proc/component/pictavo_proc.h"
#include "platform/image_control.h"

namespace calmora {

namespace {

// The formats CheckPixelFormat tries, per image format, best first; pvNoFormat ends a row.
constexpr TPVPixelFormat kFormatPreferences[PixelFormatCount][7] = {
    /* pvNoFormat */ {},
    /* pv1g */ {pv8g, pv16g, pv32f, pv24RGB},
    /* pv8p */ {pv24RGB, pvCMYK, pvRGB48, pvCIELab},
    /* pv8g */ {pv16g, pv32f, pv24RGB, pvCMYK, pvRGB48},
    /* pv16g */ {pv32f, pv8g, pvRGB48, pv24RGB, pvCMYK},
    /* pv24RGB */ {pvCMYK, pvCIELab, pvRGB48, pv8p, pv16g, pv8g},
    /* pv32f */ {pv16g, pv8g, pv24RGB, pvRGB48, pvCIELab},
    /* pvCMYK */ {pv24RGB, pvRGB48, pvCIELab, pv8g},
    /* pvRGB48 */ {pv24RGB, pvCMYK, pvCIELab, pv16g},
    /* pvCIELab */ {pv24RGB, pvCMYK, pvRGB48, pv8g},
    /* pv32RGB */ {pv24RGB, pvCMYK, pvRGB48, pv8g},
};

}  // namespace

bool TPictavoProc::PrepareTarget(TPVPixelFormats AllowedFormats) {
  if (targetBitmap_ == nullptr) return false;
  // Someone may have drawn on or resized the device bitmap since it was wrapped.
  if (linkedTBitmap_ != nullptr) targetBitmap_->EncapsulateTBitmap(linkedTBitmap_, false);
  return CheckPixelFormat(AllowedFormats);
}

bool TPictavoProc::CheckPixelFormat(TPVPixelFormats AllowedFormats) {
  TPVBitmap& image = *targetBitmap_;
  const TPVPixelFormat format = image.GetPixelFormat();
  const bool allowed = AllowedFormats.IsEmpty() || AllowedFormats.Contains(format);
  if (allowed || !AutoConvertFormat) return allowed;
  for (TPVPixelFormat alternative : kFormatPreferences[format]) {
    if (alternative == pvNoFormat) break;
    if (AllowedFormats.Contains(alternative)) {
      image.SetPixelFormat(alternative);
      return true;
    }
  }
  for (int32_t candidate = pv32RGB; candidate >= pvNoFormat; --candidate) {
    const auto alternative = static_cast<TPVPixelFormat>(candidate);
    if (AllowedFormats.Contains(alternative)) {
      image.SetPixelFormat(alternative);
      return true;
    }
  }
  return false;
}

void TPictavoProc::ImageChanged() {
  // A device bitmap has no alpha plane of its own: what the operation left there is dropped.
  if (linkedTBitmap_ != nullptr && targetBitmap_ != nullptr)
    targetBitmap_->RemoveAlphaChannel(false, 0xFFFFFF);
  if (attachedPictavo_ != nullptr) {
    attachedPictavo_->Update();
    attachedPictavo_->ImageChange();
  } else if (linkedTBitmap_ != nullptr && attachedTImage_ != nullptr) {
    attachedTImage_->GetPicture()->Modified();
  }
}

void TPictavoProc::DoFinishWork() {
  if (OnProgress) OnProgress(this, 100);
  if (OnFinishWork) OnFinishWork(this);
}

bool TPictavoProc::GetSelectionInfo(int32_t& X1, int32_t& Y1, int32_t& X2, int32_t& Y2,
                                    const TPoint*& PolyPoints, int32_t& PolyCount, TPVMask*& Mask) {
  if (linkedTBitmap_ != nullptr) targetBitmap_->EncapsulateTBitmap(linkedTBitmap_, false);
  X1 = 0;
  Y1 = 0;
  X2 = targetBitmap_ != nullptr ? targetBitmap_->GetWidth() : 0;
  Y2 = targetBitmap_ != nullptr ? targetBitmap_->GetHeight() : 0;
  PolyCount = 0;
  Mask = nullptr;
  TPictavoViewServices* view = PictavoView();
  if (view == nullptr) return false;
  Mask = &view->GetSelectionMask();
  if (!view->GetSelected()) return false;
  if (!Mask->IsEmpty()) {
    X1 = Mask->BoxLeft;
    Y1 = Mask->BoxTop;
    X2 = Mask->BoxRight + 1;
    Y2 = Mask->BoxBottom + 1;
  }
  PolyPoints = view->GetPolySelPoints();
  PolyCount = view->GetPolySelCount();
  return true;
}

bool TPictavoProc::BeginSelectionWork(TPVPixelFormats AllowedFormats, int32_t& X1, int32_t& Y1,
                                      int32_t& X2, int32_t& Y2, const std::string& Caption,
                                      TPVBitmap*& Work, std::unique_ptr<TPVBitmap>& WorkCopy,
                                      TPVMask*& Mask) {
  // The snapshot keeps the image as the user saw it, before any format conversion.
  if (AutoUndo) SaveUndoCaptioned(Caption, pvuImage);
  if (!PrepareTarget(AllowedFormats)) return false;
  const TPoint* polyPoints = nullptr;
  int32_t polyCount = 0;
  GetSelectionInfo(X1, Y1, X2, Y2, polyPoints, polyCount, Mask);
  Work = targetBitmap_;
  WorkCopy.reset();
  if (Mask == nullptr || Mask->IsEmpty()) return true;
  const int32_t width = Mask->BoxRight - Mask->BoxLeft + 1;
  const int32_t height = Mask->BoxBottom - Mask->BoxTop + 1;
  WorkCopy = std::make_unique<TPVBitmap>(width, height, targetBitmap_->GetPixelFormat());
  targetBitmap_->CopyPaletteTo(WorkCopy.get());
  targetBitmap_->CopyRectTo(*WorkCopy, Mask->BoxLeft, Mask->BoxTop, 0, 0, width, height);
  Work = WorkCopy.get();
  X1 = 0;
  Y1 = 0;
  X2 = Work->GetWidth();
  Y2 = Work->GetHeight();
  return true;
}

void TPictavoProc::EndSelectionWork(TPVBitmap* Work, std::unique_ptr<TPVBitmap> WorkCopy,
                                    TPVMask* Mask) {
  if (Work != targetBitmap_ && Work != nullptr && Mask != nullptr) {
    Mask->CopyThrough(*targetBitmap_, *Work, false, true, false);
    TPVBitmap* workAlpha = Work->HasAlphaChannel() ? Work->GetAlphaChannel() : nullptr;
    if (workAlpha != nullptr && !workAlpha->Opaque) {
      // Plane to plane through the same mask: pixels outside the selection keep their alpha.
      if (TPVBitmap* alpha = targetBitmap_->GetAlphaChannel()) {
        Mask->CopyThrough(*alpha, *workAlpha, false, true, false);
        alpha->Opaque = false;
      }
    }
  }
  WorkCopy.reset();
  ImageChanged();
}

}  // namespace calmora
