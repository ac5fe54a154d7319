// TPictavoIO, the image I/O component: the one working bitmap (its own, an attached view's, an
// image control's picture or a caller's) and the parameter record every load fills and every
// save reads, with the progress and finish events and the resolution handling after a load.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "imaging/core/base/defs.h"
#include "imaging/core/base/streams.h"
#include "imaging/core/bitmap.h"
#include "imaging/core/view_base.h"
#include "imaging/io/params/io_params.h"
#include "imaging/io/params/params_owner.h"
#include "imaging/io/pictavo_io_types.h"
#include "imaging/proc/pictavo_proc.h"
#include "platform/component.h"
#include "platform/graphics_tools.h"

namespace calmora {

class TPVIOThread;
namespace platform {
class TImage;
}

class TPictavoIO : public platform::TComponent, public TIOParamsOwner {
 public:
  explicit TPictavoIO(platform::TComponent* AOwner);
  // Waits for the workers, closes what is open, leaves the view, then frees what it owns.
  ~TPictavoIO() override;

  // ==== Attachments (pictavo_io.cpp) ====
  TPVView* GetAttachedPictavo() override { return AttachedPictavo; }
  // Works on the view's image (or an own wrapper of its device bitmap) and hears when it
  // changes; null returns to a new own empty bitmap.
  void SetAttachedPictavo(TPVView* View);
  platform::TImage* GetAttachedTImage() const { return AttachedTImage; }
  // Leaves a view and works on an own bitmap wrapping the control's picture. Null undoes an
  // image-control attachment (back to an own empty bitmap) and nothing else.
  void SetAttachedTImage(platform::TImage* Image);
  // Works on the caller's bitmap, which stays the caller's. Null while a view or image control
  // is attached only withdraws the view's callback.
  void SetAttachedBitmap(TPVBitmap* Bitmap);
  // The given bitmap (the caller's) becomes the working bitmap; an own one is freed.
  void ReplaceBitmap(TPVBitmap* Bitmap);
  // Called by the attached view: its current bitmap object changed, or it is going.
  void ViewChanged(TObject* Sender, bool Destroying);
  TPVBitmap* GetWorkBitmap() const { return WorkBitmap; }
  bool GetOwnsWorkBitmap() const { return OwnsWorkBitmap; }
  platform::TBitmap* GetLinkedTBitmap() const { return LinkedTBitmap; }
  TPVRegistrationHandle GetViewCallbackHandle() const { return ViewCallbackHandle; }

  // ==== Properties ====
  // The attached view's background, else the component's own; with a view attached the
  // writer changes nothing (the view's colour is the view's own).
  TColor GetBackground() const;
  void SetBackground(TColor Value);
  const platform::TFont& GetPreviewFont() const { return *PreviewFont; }
  void SetPreviewFont(const platform::TFont& Value) { *PreviewFont = Value; }
  TIOPreviewsParams GetPreviewsParams() const { return PreviewsParams; }
  void SetPreviewsParams(TIOPreviewsParams Value) { PreviewsParams = Value; }
  // Kept in the parameter record; false without one.
  bool GetNativePixelFormat() const { return Params != nullptr && Params->NativePixelFormat; }
  void SetNativePixelFormat(bool Value);
  TPVDitherMethod GetDefaultDitherMethod() const { return DefaultDitherMethod; }
  // Also hands the method to the working bitmap.
  void SetDefaultDitherMethod(TPVDitherMethod Method);

  // ==== Virtual operations, in slot order ====
  // Takes one image from an acquisition source into the working bitmap, Params into Out.
  virtual void AcquireBitmap(TPVBitmap* Bitmap, TIOParamsVals*& Out);
  virtual void EndAcquire() { AcquireState = 0; }
  // ProgressMethod(this, 100), then OnFinishWork; every load and save ends with it.
  virtual void DoFinishWork();
  // The working bitmap's device bitmap when its pixels live in one, else the linked one.
  platform::TBitmap* GetTBitmap() override;
  // The acquisition objects are made on first use by the acquisition unit; until it exists
  // there are none.
  virtual TObject* GetWIA() { return WIA.get(); }
  virtual TObject* GetDirectShow() { return DirectShow.get(); }
  virtual void DoProgress(TObject* Sender, int Percent);
  // Gives an image view the record's resolution, its repaint held meanwhile.
  virtual void UpdateViewDPI();

  // ==== Operations a descendant may override, in index order ====
  virtual void DoAcquireBitmap(TPVBitmap* Bitmap, bool& Handled);

  // ==== Common steps (pictavo_io_steps.cpp) ====
  // False without a working bitmap or when its format is outside a non-empty set. A linked
  // device bitmap is wrapped again first, so changes made to it since are seen.
  bool PrepareBitmap(TPVPixelFormats AllowedFormats);
  // The last step of every load: shows the image wherever it is shown.
  void Update();
  // Makes the attached view's window.
  void EnsureViewHandle();
  // A resolution below 2 becomes the library's default.
  void ApplyDefaultDPI();
  // Makes the pixels square by resampling the image along its shorter side.
  void AdjustDPI();
  // The test every load and save starts with: true when the work was handed to a worker, which
  // will call the same method again. No worker exists yet, so nothing is ever handed over.
  bool HandedToWorker() { return false; }
  // Whether the calling thread is one of the component's workers.
  bool InWorkerThread();
  // Waits until no worker runs, setting Aborting first when asked.
  void WaitThreads(bool SetAborting);

  // ==== Open documents and media (closed by the destructor) ====
  void CloseMediaFile() { MediaFile.reset(); }
  void CloseAVIFile() { AVIState = {}; }
  void ClosePSDocument();
  void ClosePDFDocument();

  // ==== Fields, as the component declares them ====
  TPVView* AttachedPictavo = nullptr;
  platform::TImage* AttachedTImage = nullptr;
  TMsgLanguage MsgLanguage = msSystem;
  TIOPreviewsParams PreviewsParams;
  bool SimplifiedParamsDialogs = true;
  TPVDoPreviewsEvent OnDoPreviews;
  std::unique_ptr<TPVTWainParams> TwainParams;
  // Stream saves of JPEG, TIFF and PCX write the 12-byte stream header.
  bool StreamHeaders = false;
  std::unique_ptr<platform::TFont> PreviewFont;
  TPVIOPreviewEvent OnIOPreview;
  TPVDialogsMeasureUnit DialogsMeasureUnit = pvduInches;
  // After a load, make pixels square (AdjustDPI), filtered or by nearest neighbour.
  bool AutoAdjustDPI = false;
  bool FilteredAdjustDPI = false;
  // AVI reading and writing; the AVI code fills it.
  struct TAVIState {
    void* File = nullptr;
    void* ReadStream = nullptr;
    void* WriteStream = nullptr;
    void* FrameReader = nullptr;
    void* SaveOptions = nullptr;
    int32_t FrameIndex = 0;
  } AVIState;
  std::unique_ptr<TObject> MediaFile;
  // Slots for an open PostScript and PDF document and their files.
  void* PSDocument = nullptr;
  std::unique_ptr<TPVWideFileStream> PSStream;
  void* PDFDocument = nullptr;
  std::unique_ptr<TPVWideFileStream> PDFStream;
  std::vector<TPVIOThread*> Workers;
  std::mutex WorkersLock;
  bool AsyncMode = false;
  int32_t AcquireState = 0;
  std::unique_ptr<TObject> WIA;
  std::unique_ptr<TObject> DirectShow;
  std::u16string ProxyAddress;
  std::u16string ProxyUser;
  std::u16string ProxyPassword;
  std::unique_ptr<TIOPrintPreviewParams> PrintPreviewParams;
  // The parameter record of the current image; callers read and write it directly.
  std::unique_ptr<TIOParamsVals> Params;
  // True after a load or save that failed or was stopped; progress records point at it.
  bool Aborting = false;
  // Bound once to DoProgress, so that a descendant's override is what codecs reach.
  TPVProgressEvent ProgressMethod;
  TPVProgressEvent OnProgress;
  TNotifyEvent OnFinishWork;
  TPVAcquireBitmapEvent OnAcquireBitmap;

 protected:
  void Notification(platform::TComponent* AComponent, platform::TOperation Operation) override;
  // Hands a message to the attached view from a worker. No worker exists yet, so nothing is
  // posted; the worker code gives it its body.
  virtual void PostToView(uint32_t Message, intptr_t WParam);

 private:
  // Withdraws the callback from an attached view (the link stays).
  void UnregisterFromView();
  // Withdraws the callback and forgets the view; likewise the image control.
  void LeaveView();
  void LeaveTImage();
  // A new own empty bitmap becomes the working bitmap (the own one before is freed).
  void TakeNewOwnBitmap();
  // Frees the working bitmap when it is the component's own.
  void FreeOwnWorkBitmap();
  // On a worker with a view that has a parent: its window made, posting is the way to it.
  bool PostsToView();

  platform::TBitmap* LinkedTBitmap = nullptr;
  TPVBitmap* WorkBitmap = nullptr;
  bool OwnsWorkBitmap = true;
  TPVRegistrationHandle ViewCallbackHandle = NoRegistration;
  TColor OwnBackground = 0;
  TPVDitherMethod DefaultDitherMethod = pvdmThreshold;
};

}  // namespace calmora
