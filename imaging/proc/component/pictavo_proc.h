// TPictavoProc, the processing component: the one image it edits (its own, an attached view's,
// an image control's picture or a caller's bitmap), the operations that resize, resample,
// rotate, recolour, fill and crop it, and its undo and redo stacks of snapshots.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "imaging/base/defs.h"
#include "imaging/base/geometry/geometry.h"
#include "imaging/base/pixel_types.h"
#include "imaging/core/bitmap/bitmap.h"
#include "imaging/core/view/view_base.h"
#include "imaging/proc/component/ip_dialog_params.h"
#include "imaging/proc/component/undo_stack.h"
#include "platform/component.h"
#include "platform/graphics_tools.h"

namespace calmora {

class TPVMask;
class TPictavoViewServices;
class TPictavoVectServices;
namespace platform {
class TImage;
}

// A set of pixel formats: bit n stands for the format of ordinal n; empty accepts any.
struct TPVPixelFormats {
  uint16_t Bits = 0;
  TPVPixelFormats() = default;
  TPVPixelFormats(std::initializer_list<TPVPixelFormat> formats) {
    for (TPVPixelFormat format : formats) Bits = static_cast<uint16_t>(Bits | (1u << format));
  }
  bool IsEmpty() const { return Bits == 0; }
  bool Contains(TPVPixelFormat format) const { return (Bits >> format) & 1u; }
};

// The Rotate background that stands for the component's Background.
inline constexpr TColor kUseComponentBackground = 0xFFFFFFFFu;

class TPictavoProc : public platform::TComponent {
 public:
  // AutoUndo is on only when the component has an owner.
  explicit TPictavoProc(platform::TComponent* AOwner);
  // Leaves an attached view and frees every undo and redo entry, oldest first.
  ~TPictavoProc() override;

  // ==== Attaching (pictavo_proc.cpp) ====
  TPVView* GetAttachedPictavo() const { return attachedPictavo_; }
  // Works on the view's image (or an own wrapper of its device bitmap) and hears when it
  // changes; null returns to a new own empty bitmap.
  void SetAttachedPictavo(TPVView* View);
  // Called by the attached view: its current bitmap object changed, or it is going.
  void ViewBitmapChanged(TObject* Sender, bool Destroying);
  platform::TImage* GetAttachedTImage() const { return attachedTImage_; }
  // Leaves an attached view and works on an own bitmap wrapping the control's picture. Null
  // undoes an image-control attachment (back to an own empty bitmap) and nothing else.
  void SetAttachedTImage(platform::TImage* Image);
  // Works on the caller's bitmap, which stays the caller's. Null while a view or image control
  // is attached keeps that attachment.
  void AttachBitmap(TPVBitmap* Bitmap);
  void SetTargetBitmap(TPVBitmap* Bitmap);
  TPVBitmap* GetTargetBitmap() const { return targetBitmap_; }
  bool GetOwnsBitmap() const { return ownBitmap_ && targetBitmap_ == ownBitmap_.get(); }
  platform::TBitmap* GetLinkedTBitmap() const { return linkedTBitmap_; }
  TPVRegistrationHandle GetViewChangeHandle() const { return viewChangeHandle_; }

  // ==== Properties ====
  // The attached view's background, else the component's own.
  TColor GetBackground() const;
  void SetBackground(TColor Value);
  TPRPreviewsParams GetPreviewsParams() const { return previewsParams_; }
  void SetPreviewsParams(TPRPreviewsParams Value) { previewsParams_ = Value; }
  const platform::TFont& GetPreviewFont() const { return *previewFont_; }
  void SetPreviewFont(const platform::TFont& Value) { *previewFont_ = Value; }
  TIPDialogParams& GetDialogParams() { return *dialogParams_; }
  int32_t GetUndoLimit() const { return undoLimit_; }
  // Stored as given; a negative limit acts as 0. The stacks are trimmed at their next push.
  void SetUndoLimit(int32_t Value) { undoLimit_ = Value; }

  bool AutoUndo = false;
  bool AutoConvertFormat = true;
  TColor OwnBackground = 0;
  TMsgLanguage MsgLanguage = msSystem;
  TPVLocation UndoLocation = pvFile;
  TPVPreviewEvent OnPreview;
  TPVProgressEvent OnProgress;
  TNotifyEvent OnFinishWork;
  TPVSaveUndoEvent OnSaveUndo;

  // ==== Common steps (pictavo_proc_steps.cpp) ====
  // False without a target; re-reads a linked device bitmap, then CheckPixelFormat.
  bool PrepareTarget(TPVPixelFormats AllowedFormats);
  // Whether the target's format is allowed; with AutoConvertFormat the target is converted
  // to the first allowed format of its preference row (then of pv32RGB down to pvNoFormat).
  bool CheckPixelFormat(TPVPixelFormats AllowedFormats);
  // Shows the change wherever the image is shown.
  void ImageChanged();
  // OnProgress(100), then OnFinishWork.
  virtual void DoFinishWork();
  // The selection's bounds (X2, Y2 exclusive), polygon and mask; true only when an attached
  // image view has a selection. A descendant may supply its own.
  virtual bool GetSelectionInfo(int32_t& X1, int32_t& Y1, int32_t& X2, int32_t& Y2,
                                const TPoint*& PolyPoints, int32_t& PolyCount, TPVMask*& Mask);
  // Undo, format check and the bitmap an operation works on: the target, or a copy of the
  // selection box (owned by Work then). False when the target cannot be used.
  bool BeginSelectionWork(TPVPixelFormats AllowedFormats, int32_t& X1, int32_t& Y1, int32_t& X2,
                          int32_t& Y2, const std::string& Caption, TPVBitmap*& Work,
                          std::unique_ptr<TPVBitmap>& WorkCopy, TPVMask*& Mask);
  // Puts a selection copy back through the mask, alpha included, then ImageChanged.
  void EndSelectionWork(TPVBitmap* Work, std::unique_ptr<TPVBitmap> WorkCopy, TPVMask* Mask);

  // ==== Operations (pictavo_proc_operations.cpp, pictavo_proc_rotate.cpp) ====
  void ImageResize(int32_t NewWidth, int32_t NewHeight, uint8_t HorizAlign, uint8_t VertAlign,
                   int32_t FillAlpha = 255);
  void Resample(int32_t NewWidth, int32_t NewHeight, TResampleFilter Filter);
  // -1 for one side keeps the aspect ratio, 0 keeps that side. True when Dest was written.
  bool ResampleTo(TPVBitmap& Dest, int32_t NewWidth, int32_t NewHeight, TResampleFilter Filter);
  // Degrees, counter-clockwise; BackgroundColor kUseComponentBackground takes Background.
  void Rotate(double Angle, bool AntiAlias, uint8_t AntiAliasMode, TColor BackgroundColor);
  void ConvertToGray();
  void Fill(TPVRGB Color);
  void Clear();
  void ConvertTo(int32_t NumColors, TPVDitherMethod DitherMethod);
  // Palette has room for max(NumColors, 2) entries.
  void ConvertToPalette(int32_t NumColors, TPVRGB* Palette, TPVDitherMethod DitherMethod);
  // Corners inclusive, clipped to the image.
  void Crop(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2);
  void CropRect(const TRect& Rect);
  void CropToOpaque();

  // ==== Undo and redo (undo_snapshots.cpp, undo_restore.cpp) ====
  // Each answers nothing and raises nothing: a kind that cannot be taken is not taken.
  virtual void SaveUndo(TPVUndoSource Source);
  virtual void Undo(bool SaveRedo);
  // Positions count from the newest entry (0); the entry stays on its stack.
  virtual void UndoAt(int32_t Position, bool SaveRedo);
  virtual void SaveRedo(TPVUndoSource Source);
  virtual void ClearOneRedo();
  virtual void Redo();
  virtual void RedoAt(int32_t Position);
  void SaveUndoCaptioned(const std::string& Caption, TPVUndoSource Source);
  void ClearUndoAt(int32_t Position);
  void ClearAllUndo();
  void ClearAllRedo();
  int32_t UndoCount() const { return static_cast<int32_t>(UndoSnapshots.size()); }
  // Counted from the oldest entry; pvuUnknown outside the stack.
  TPVUndoSource UndoSourceAt(int32_t Index) const;

  // The two stacks: three parallel lists each, oldest entry first.
  TPVSnapshotList UndoSnapshots;
  std::vector<TPVUndoSource> UndoSources;
  std::vector<std::string> UndoCaptions;
  TPVSnapshotList RedoSnapshots;
  std::vector<TPVUndoSource> RedoSources;
  std::vector<std::string> RedoCaptions;

 protected:
  void Notification(platform::TComponent* AComponent, platform::TOperation Operation) override;

 private:
  TPVUndoLists UndoLists() { return {UndoSnapshots, UndoSources, UndoCaptions}; }
  TPVUndoLists RedoLists() { return {RedoSnapshots, RedoSources, RedoCaptions}; }
  // The snapshot of a kind, or null when it cannot be taken; ImageCheckFailed tells that the
  // image kind found no usable target (then not even the event fires).
  std::unique_ptr<TObject> TakeSnapshot(TPVUndoSource Source, bool& ImageCheckFailed);
  // Whether a new entry was pushed.
  bool PushUndo(std::unique_ptr<TObject> Snapshot, TPVUndoSource Source);
  bool PushRedo(std::unique_ptr<TObject> Snapshot, TPVUndoSource Source);
  void RestoreAt(TPVUndoLists Lists, int32_t Position, bool SaveRedoFirst);
  void RestoreSnapshot(TObject& Snapshot, TPVUndoSource Source);
  void RestoreLayers(TStream& Stream, TPictavoViewServices& View);

  // The attached view as an image view or vector view, or null.
  TPictavoViewServices* PictavoView() const;
  TPictavoVectServices* PictavoVect() const;
  // Withdraws the callback from an attached view and forgets the view.
  void LeaveView();
  // Forgets an attached image control.
  void LeaveTImage();
  // A new own bitmap becomes the target (the one owned before is freed).
  TPVBitmap* TakeNewOwnBitmap();
  // BeginSelectionWork, the change on the work bitmap within the box (right and bottom
  // exclusive), EndSelectionWork and DoFinishWork.
  void WorkOnSelection(const std::string& Caption,
                       const std::function<void(TPVBitmap&, const TRect&)>& Change);
  // To two colours below 3, to NumColors up to 1024 (filling Palette when given), else nothing.
  void ReduceColors(const std::string& Caption, int32_t NumColors, TPVRGB* Palette,
                    TPVDitherMethod DitherMethod);
  // The crop of the inclusive rectangle, already clipped and not the whole image.
  void CropClipped(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2);

  TPVView* attachedPictavo_ = nullptr;
  platform::TImage* attachedTImage_ = nullptr;
  TPVRegistrationHandle viewChangeHandle_ = kNoRegistration;
  TPVBitmap* targetBitmap_ = nullptr;
  std::unique_ptr<TPVBitmap> ownBitmap_;  // the target when the component owns it
  platform::TBitmap* linkedTBitmap_ = nullptr;
  TPRPreviewsParams previewsParams_;
  std::unique_ptr<platform::TFont> previewFont_;
  std::unique_ptr<TIPDialogParams> dialogParams_;
  int32_t undoLimit_ = 1;
  bool undoPushed_ = false;  // the last SaveUndo pushed an entry
};

// The clipboard format registered as "PICTAVO RAW FORMAT" (0 until registered).
extern uint32_t RawClipboardFormat;
// Registers it; part of the processing unit's set-up.
void RegisterRawClipboardFormat();

}  // namespace calmora
