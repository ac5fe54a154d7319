// The processing component's operations on its target: canvas resize, resampling, grey
// conversion, fills, colour reduction and crops. Each readies the target, saves an undo
// snapshot when AutoUndo is set, lets the pixel routines work, then shows and reports the change.
#include <algorithm>
#include <cstdlib>

#include "imaging/core/mask/mask.h"
#include "imaging/proc/colors/black_and_white.h"
#include "imaging/proc/colors/color_reduction.h"
#include "imaging/proc/component/pictavo_proc.h"
#include "imaging/proc/component/pictavo_proc_tools.h"
#include "imaging/proc/resample/resample_kernels.h"

namespace calmora {

namespace {

// A rectangle by its corner and size.
struct CropArea {
  int32_t X = 0;
  int32_t Y = 0;
  int32_t Width = 0;
  int32_t Height = 0;
};

// Above this many colours a reduction is not worth a palette: the image is left as it is.
constexpr int32_t kMaxReducedColors = 1024;

// A side of ResampleTo: -1 takes the side that keeps the aspect ratio (proportional), 0 keeps
// the current one, other values count by their size; nothing goes below 1. Sides beyond
// int32 are left to the allocation to refuse.
int32_t ResampledSide(int32_t requested, int64_t proportional, int32_t current) {
  const int64_t side = requested == -1  ? proportional
                       : requested == 0 ? current
                                        : std::llabs(int64_t{requested});
  return static_cast<int32_t>(std::clamp<int64_t>(side, 1, INT32_MAX));
}

// The kept part of an alpha plane, as a plane of its own.
std::unique_ptr<TPVBitmap> CropAlpha(const TPVBitmap& plane, const CropArea& kept) {
  auto cropped = TPVBitmap::CreateAlpha(kept.Width, kept.Height, plane.Location);
  plane.CopyRectTo(*cropped, kept.X, kept.Y, 0, 0, kept.Width, kept.Height);
  cropped->Opaque = plane.Opaque;
  return cropped;
}

// The old storage moves aside and the image allocates anew at the kept size, keeping all its
// settings; the kept pixels are copied once. On failure the old storage comes back.
bool CropIntoOwnStorage(TPVBitmap& image, const CropArea& kept) {
  TPVBitmap old;
  image.MoveStorageTo(old);
  if (!image.Allocate(kept.Width, kept.Height, old.GetPixelFormat())) {
    old.MoveStorageTo(image);
    return false;
  }
  old.CopyPaletteTo(&image);
  old.CopyRectTo(image, kept.X, kept.Y, 0, 0, kept.Width, kept.Height);
  if (old.HasAlphaChannel()) image.AttachAlphaChannel(CropAlpha(*old.AlphaBitmap, kept));
  return true;
}

// A device bitmap someone else holds stays the one the image wraps: the kept part is copied
// out and back into it.
bool CropThroughCopy(TPVBitmap& image, const CropArea& kept) {
  TPVBitmap cropped(kept.Width, kept.Height, image.GetPixelFormat());
  if (cropped.IsEmpty()) return false;
  image.CopyPaletteTo(&cropped);
  image.CopyRectTo(cropped, kept.X, kept.Y, 0, 0, kept.Width, kept.Height);
  std::unique_ptr<TPVBitmap> croppedAlpha;
  if (image.HasAlphaChannel()) croppedAlpha = CropAlpha(*image.AlphaBitmap, kept);
  image.AssignImage(&cropped);
  if (croppedAlpha) image.AttachAlphaChannel(std::move(croppedAlpha));
  return true;
}

}  // namespace

void TPictavoProc::ImageResize(int32_t NewWidth, int32_t NewHeight, uint8_t HorizAlign,
                               uint8_t VertAlign, int32_t FillAlpha) {
  if (!PrepareTarget({})) return;
  TPVBitmap& image = *targetBitmap_;
  // Sizes below 1 would reach the allocation as negative byte counts.
  if (NewWidth < 1 || NewHeight < 1) return;
  if (NewWidth == image.GetWidth() && NewHeight == image.GetHeight()) return;
  if (AutoUndo)
    SaveUndoCaptioned("ImageResize " + std::to_string(NewWidth) + "," + std::to_string(NewHeight),
                      pvuImage);
  if (image.GetWidth() < 2 && image.GetHeight() < 2) Clear();
  if (FillAlpha < 255) image.GetAlphaChannel();
  image.ResizeCanvas(NewWidth, NewHeight, GetBackground(), FillAlpha, HorizAlign, VertAlign);
  ImageChanged();
  DoFinishWork();
}

void TPictavoProc::Resample(int32_t NewWidth, int32_t NewHeight, TResampleFilter Filter) {
  if (!PrepareTarget({})) return;
  if (targetBitmap_->GetWidth() == 0 || targetBitmap_->GetHeight() == 0) return;
  if (AutoUndo)
    SaveUndoCaptioned("Resample " + std::to_string(NewWidth) + "," + std::to_string(NewHeight),
                      pvuImage);
  TPVBitmap resampled;
  // A refused resampling (no memory, no engine for the format and filter) keeps the image.
  if (ResampleTo(resampled, NewWidth, NewHeight, Filter)) targetBitmap_->Assign(&resampled);
  ImageChanged();
  DoFinishWork();
}

bool TPictavoProc::ResampleTo(TPVBitmap& Dest, int32_t NewWidth, int32_t NewHeight,
                              TResampleFilter Filter) {
  if (!PrepareTarget({})) return false;
  TPVBitmap& image = *targetBitmap_;
  const int32_t width = image.GetWidth();
  const int32_t height = image.GetHeight();
  if (width == 0 || height == 0 || (NewWidth < 0 && NewHeight < 0)) return false;
  // The width's proportion starts from the height argument itself, not from the height
  // worked out below.
  const int32_t newWidth = ResampledSide(NewWidth, int64_t{NewHeight} * width / height, width);
  const int32_t newHeight = ResampledSide(NewHeight, int64_t{newWidth} * height / width, height);
  bool written = false;
  if (Dest.Allocate(newWidth, newHeight, image.GetPixelFormat())) {
    image.CopyPaletteTo(&Dest);
    written = ResampleBitmap(image, Dest, Filter, this, OnProgress);
  }
  DoFinishWork();
  return written;
}

void TPictavoProc::ConvertToGray() {
  WorkOnSelection("ConvertToGray", [this](TPVBitmap& work, const TRect& box) {
    if (work.GetPixelFormat() == pv24RGB)
      ConvertRectToGray(work, box.Left, box.Top, box.Right, box.Bottom, OnProgress, this);
  });
}

void TPictavoProc::Fill(TPVRGB Color) {
  WorkOnSelection("Fill", [this, Color](TPVBitmap& work, const TRect& box) {
    FillRectColor(work, box.Left, box.Top, box.Right, box.Bottom, Color, OnProgress, this);
  });
}

void TPictavoProc::WorkOnSelection(const std::string& Caption,
                                   const std::function<void(TPVBitmap&, const TRect&)>& Change) {
  TRect box;
  TPVBitmap* work = nullptr;
  std::unique_ptr<TPVBitmap> workCopy;
  TPVMask* mask = nullptr;
  if (!BeginSelectionWork({}, box.Left, box.Top, box.Right, box.Bottom, Caption, work, workCopy,
                          mask))
    return;
  Change(*work, box);
  EndSelectionWork(work, std::move(workCopy), mask);
  DoFinishWork();
}

void TPictavoProc::Clear() {
  if (!PrepareTarget({})) return;
  if (AutoUndo) SaveUndoCaptioned("Clear", pvuImage);
  targetBitmap_->Fill(GetBackground());
  ImageChanged();
  DoFinishWork();
}

void TPictavoProc::ConvertTo(int32_t NumColors, TPVDitherMethod DitherMethod) {
  ReduceColors("ConvertTo " + std::to_string(NumColors), NumColors, nullptr, DitherMethod);
}

void TPictavoProc::ConvertToPalette(int32_t NumColors, TPVRGB* Palette,
                                    TPVDitherMethod DitherMethod) {
  if (NumColors == 0) return;
  ReduceColors("ConvertToPalette", NumColors, Palette, DitherMethod);
}

void TPictavoProc::ReduceColors(const std::string& Caption, int32_t NumColors, TPVRGB* Palette,
                                TPVDitherMethod DitherMethod) {
  if (!PrepareTarget({pv24RGB})) return;
  if (AutoUndo) SaveUndoCaptioned(Caption, pvuImage);
  TPVBitmap& image = *targetBitmap_;
  if (NumColors < 3) {
    TPVProgressRecord progress;
    progress.OnProgress = OnProgress;
    progress.Sender = this;
    if (DitherMethod == pvdmThreshold)
      ThresholdTo1Bit(image, kMeanColorThreshold, progress);
    else
      DitherTo1Bit(image, progress);
    if (Palette != nullptr) {
      Palette[0] = TPVRGB{0, 0, 0};
      Palette[1] = TPVRGB{255, 255, 255};
    }
  } else if (NumColors <= kMaxReducedColors) {
    ReduceColors24(image, NumColors, Palette, OnProgress, this);
  }
  ImageChanged();
  DoFinishWork();
}

void TPictavoProc::Crop(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2) {
  if (!PrepareTarget({})) return;
  const int32_t width = targetBitmap_->GetWidth();
  const int32_t height = targetBitmap_->GetHeight();
  // Only what lies on the image can be kept; an empty or reversed rectangle keeps nothing, and
  // like the whole image it leaves the image alone.
  X1 = std::max(X1, 0);
  Y1 = std::max(Y1, 0);
  X2 = std::min(X2, width - 1);
  Y2 = std::min(Y2, height - 1);
  if (X2 < X1 || Y2 < Y1) return;
  if (X1 == 0 && Y1 == 0 && X2 == width - 1 && Y2 == height - 1) return;
  CropClipped(X1, Y1, X2, Y2);
}

void TPictavoProc::CropClipped(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2) {
  if (AutoUndo) SaveUndoCaptioned("Crop", pvuImage);
  TPVBitmap& image = *targetBitmap_;
  const CropArea kept{X1, Y1, X2 - X1 + 1, Y2 - Y1 + 1};
  const bool cropped =
      image.Location == pvTBitmap ? CropThroughCopy(image, kept) : CropIntoOwnStorage(image, kept);
  if (!cropped) return;  // no memory for the result: the image stays whole
  ImageChanged();
  DoFinishWork();
}

void TPictavoProc::CropRect(const TRect& Rect) {
  Crop(Rect.Left, Rect.Top, Rect.Right, Rect.Bottom);
}

void TPictavoProc::CropToOpaque() {
  if (targetBitmap_ == nullptr) return;
  const TRect bounds = GetOpaqueBounds(*targetBitmap_, this, OnProgress);
  const bool autoUndo = AutoUndo;
  AutoUndo = false;
  CropRect(bounds);
  AutoUndo = autoUndo;
}

}  // namespace calmora
