// TPictavoIO, the image I/O component: the one working bitmap (its own, an attached view's, an
// image control's picture or a caller's) and the parameter record every load fills and every
// save reads, with the progress and finish events and the resolution handling after a load.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "imaging/base/defs.h"
#include "imaging/base/streams/streams.h"
#include "imaging/core/bitmap/bitmap.h"
#include "imaging/core/view/view_base.h"
#include "imaging/io/acquisition/device_acquisition.h"
#include "imaging/io/formats/file_formats.h"
#include "imaging/io/load_save/load_save_methods.h"
#include "imaging/io/acquisition/media_graph.h"
#include "imaging/params/io_params.h"
#include "imaging/params/params_owner.h"
#include "imaging/io/pictavo_io_types.h"
#include "imaging/proc/component/pictavo_proc.h"
#include "platform/avi_frames.h"
#include "platform/component.h"
#include "platform/graphics_tools.h"

namespace calmora {

namespace platform {
class TImage;
class Metafile;
}

// The workers (io_thread.h), which see the component only through this header.
class TPVIOThread;
class TPVInPlaceScope;
enum class TPVIOWorkKind : uint8_t;

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
  // The acquisition objects, made on first use (pictavo_io_acquisition.cpp). The media object
  // sends its messages to an attached view's window.
  virtual TPVWia* GetWIA();
  virtual TPVDirectShow* GetDirectShow();
  virtual void DoProgress(TObject* Sender, int Percent);
  // Gives an image view the record's resolution, its repaint held meanwhile.
  virtual void UpdateViewDPI();

  // ==== Operations a descendant may override, in index order (load_save_dispatch.cpp) ====
  virtual void DoAcquireBitmap(TPVBitmap* Bitmap, bool& Handled);
  // By the name's extension; a URL goes to LoadFromURL, an AVI file gives frame ImageIndex.
  // Without a working bitmap nothing at all. A name no entry knows fails with
  // the finish event.
  virtual void LoadFromFile(const std::u16string& FileName);
  // The content decides before the extension.
  virtual void LoadFromFileAuto(const std::u16string& FileName);
  virtual void SaveToFile(const std::u16string& FileName);
  // The image encoded as FileType, as program text: kind 0 a Pascal constant, 1 a C-style
  // byte list, 2 base64 lines; kind 3 draws the pv24RGB picture in characters. A failed or
  // empty encoding (or another kind) writes no file and leaves Aborting set.
  virtual void SaveAsSourceCode(const std::u16string& FileName, TPVFileFormatId FileType,
                                uint8_t Kind);
  virtual void LoadFromFileFormat(const std::u16string& FileName, TPVFileFormatId FileType);
  // Reads the caller's memory in place; FileType 0 lets the content decide.
  virtual void LoadFromBuffer(const void* Buffer, int64_t BufferSize, TPVFileFormatId FileType);
  // Only the parameters, into Params, by content or id; the working bitmap stays as it is.
  // Every failure is caught: Aborting set, FileType 0. The file forms set FileName.
  virtual void ParamsFromFile(const std::u16string& FileName);
  virtual void ParamsFromFileFormat(const std::u16string& FileName, TPVFileFormatId FileType);
  virtual void ParamsFromStream(TStream* Stream);
  virtual void ParamsFromStreamFormat(TStream* Stream, TPVFileFormatId FileType);
  // Content no entry reads fails with the finish event.
  virtual void LoadFromStream(TStream* Stream);
  // An http, https or ftp resource, downloaded whole and loaded by its content
  // (load_from_url.cpp). A download that fails or is stopped loads nothing: the image stays,
  // Aborting is set and the finish event fires once.
  void LoadFromURL(const std::u16string& URL);
  virtual void LoadFromStreamFormat(TStream* Stream, TPVFileFormatId FileType);
  // Without a writer Aborting is set and no finish event fires.
  virtual void SaveToStream(TStream* Stream, TPVFileFormatId FileType);

  // ==== The save-parameters dialog (do_previews.cpp) ====
  // Lets the user choose the save parameters of one of Pages' formats; true when they accepted
  // (or OnDoPreviews took over). The working bitmap changes only on acceptance: to pv24RGB
  // unless it is pv24RGB or pv1g.
  virtual bool DoPreviews(TPVParamsPages Pages);

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

  // ==== Asynchronous mode (io_thread.cpp) ====
  // The hand-over every published load and save starts with, once. In asynchronous mode, with
  // a working bitmap that is not the component's own, on a thread that is not one of its
  // workers, a worker of the method's Kind is started that runs Call (the method's work in
  // place, never the published method again): true, and the caller returns at once (a method
  // answering a count answers -1). False, and the caller does the work itself, otherwise or
  // when no thread could be started.
  bool HandedToWorker(TPVIOWorkKind Kind, std::function<void(TPictavoIO&)> Call);
  // The same for a load from an address, whose worker is of the URL kind and calls Method.
  bool HandedURLToWorker(void (TPictavoIO::*Method)(const std::u16string&),
                         const std::u16string& URL);
  // Whether the calling thread is one of the component's workers.
  bool InWorkerThread();
  // Starts every listed worker that has not started yet.
  void ResumeThreads();
  // Blocks until no other worker is listed, setting Aborting first when asked; returns at once
  // when none is. Workers never wait for another thread, so it cannot deadlock.
  void WaitThreads(bool SetAborting);
  bool GetAsyncMode() const { return AsyncMode; }
  // Test hook: nothing in the library switches the asynchronous mode on.
  void SetAsyncModeForTests(bool Value) { AsyncMode = Value; }

  // ==== The load and save sequences (load_save_sequences.cpp) ====
  // Every per-format method runs one of these with its format's row. Loads answer the count
  // the reader reports (pages, frames), -1 when handed to a worker. A failure sets Aborting;
  // the finish event ends every one of them. Open and create failures raise, Aborting set.
  int32_t LoadFormatFromStream(TPVFileFormatId Id, TStream* Stream);
  int32_t LoadFormatFromFile(TPVFileFormatId Id, const std::u16string& FileName);
  void SaveFormatToStream(TPVFileFormatId Id, TStream* Stream);
  // No file is made when there is no writer, nor, for most formats, no usable bitmap.
  void SaveFormatToFile(TPVFileFormatId Id, const std::u16string& FileName);

  // ==== Per-format methods ====
  int32_t LoadFromFileTIFF(const std::u16string& FileName) {
    return LoadFormatFromFile(kFormatTIFF, FileName);
  }
  int32_t LoadFromStreamTIFF(TStream* Stream) { return LoadFormatFromStream(kFormatTIFF, Stream); }
  void SaveToFileTIFF(const std::u16string& FileName) { SaveFormatToFile(kFormatTIFF, FileName); }
  void SaveToStreamTIFF(TStream* Stream) { SaveFormatToStream(kFormatTIFF, Stream); }
  // Frames 0 up to GIF_ImageIndex composed onto the logical screen; answer the frame count.
  int32_t LoadFromFileGIF(const std::u16string& FileName);
  int32_t LoadFromStreamGIF(TStream* Stream);
  void SaveToFileGIF(const std::u16string& FileName) { SaveFormatToFile(kFormatGIF, FileName); }
  void SaveToStreamGIF(TStream* Stream) { SaveFormatToStream(kFormatGIF, Stream); }
  void LoadFromFileJPEG(const std::u16string& FileName) {
    LoadFormatFromFile(kFormatJPEG, FileName);
  }
  void LoadFromStreamJPEG(TStream* Stream) { LoadFormatFromStream(kFormatJPEG, Stream); }
  void SaveToFileJPEG(const std::u16string& FileName) { SaveFormatToFile(kFormatJPEG, FileName); }
  void SaveToStreamJPEG(TStream* Stream) { SaveFormatToStream(kFormatJPEG, Stream); }
  void LoadFromFilePCX(const std::u16string& FileName) { LoadFormatFromFile(kFormatPCX, FileName); }
  void LoadFromStreamPCX(TStream* Stream) { LoadFormatFromStream(kFormatPCX, Stream); }
  void SaveToFilePCX(const std::u16string& FileName) { SaveFormatToFile(kFormatPCX, FileName); }
  void SaveToStreamPCX(TStream* Stream) { SaveFormatToStream(kFormatPCX, Stream); }
  void LoadFromFileDCX(const std::u16string& FileName) { LoadFormatFromFile(kFormatDCX, FileName); }
  void LoadFromStreamDCX(TStream* Stream) { LoadFormatFromStream(kFormatDCX, Stream); }
  void SaveToFileDCX(const std::u16string& FileName) { SaveFormatToFile(kFormatDCX, FileName); }
  void SaveToStreamDCX(TStream* Stream) { SaveFormatToStream(kFormatDCX, Stream); }
  void LoadFromFileBMP(const std::u16string& FileName) { LoadFormatFromFile(kFormatBMP, FileName); }
  void LoadFromStreamBMP(TStream* Stream) { LoadFormatFromStream(kFormatBMP, Stream); }
  void SaveToFileBMP(const std::u16string& FileName) { SaveFormatToFile(kFormatBMP, FileName); }
  void SaveToStreamBMP(TStream* Stream) { SaveFormatToStream(kFormatBMP, Stream); }
  void LoadFromFileTGA(const std::u16string& FileName) { LoadFormatFromFile(kFormatTGA, FileName); }
  void LoadFromStreamTGA(TStream* Stream) { LoadFormatFromStream(kFormatTGA, Stream); }
  void SaveToFileTGA(const std::u16string& FileName) { SaveFormatToFile(kFormatTGA, FileName); }
  void SaveToStreamTGA(TStream* Stream) { SaveFormatToStream(kFormatTGA, Stream); }
  void LoadFromFilePNG(const std::u16string& FileName) { LoadFormatFromFile(kFormatPNG, FileName); }
  void LoadFromStreamPNG(TStream* Stream) { LoadFormatFromStream(kFormatPNG, Stream); }
  void SaveToFilePNG(const std::u16string& FileName) { SaveFormatToFile(kFormatPNG, FileName); }
  void SaveToStreamPNG(TStream* Stream) { SaveFormatToStream(kFormatPNG, Stream); }
  void LoadFromFileICO(const std::u16string& FileName) { LoadFormatFromFile(kFormatICO, FileName); }
  void LoadFromStreamICO(TStream* Stream) { LoadFormatFromStream(kFormatICO, Stream); }
  void SaveToFileICO(const std::u16string& FileName) { SaveFormatToFile(kFormatICO, FileName); }
  void SaveToStreamICO(TStream* Stream) { SaveFormatToStream(kFormatICO, Stream); }
  void LoadFromFileCUR(const std::u16string& FileName) { LoadFormatFromFile(kFormatCUR, FileName); }
  void LoadFromStreamCUR(TStream* Stream) { LoadFormatFromStream(kFormatCUR, Stream); }
  void LoadFromFileDICOM(const std::u16string& FileName) {
    LoadFormatFromFile(kFormatDICOM, FileName);
  }
  void LoadFromStreamDICOM(TStream* Stream) { LoadFormatFromStream(kFormatDICOM, Stream); }
  void LoadFromFilePXM(const std::u16string& FileName) { LoadFormatFromFile(kFormatPXM, FileName); }
  void LoadFromStreamPXM(TStream* Stream) { LoadFormatFromStream(kFormatPXM, Stream); }
  void SaveToFilePXM(const std::u16string& FileName) { SaveFormatToFile(kFormatPXM, FileName); }
  void SaveToStreamPXM(TStream* Stream) { SaveFormatToStream(kFormatPXM, Stream); }
  void LoadFromFileWBMP(const std::u16string& FileName) {
    LoadFormatFromFile(kFormatWBMP, FileName);
  }
  void LoadFromStreamWBMP(TStream* Stream) { LoadFormatFromStream(kFormatWBMP, Stream); }
  void SaveToFileWBMP(const std::u16string& FileName) { SaveFormatToFile(kFormatWBMP, FileName); }
  void SaveToStreamWBMP(TStream* Stream) { SaveFormatToStream(kFormatWBMP, Stream); }
  void LoadFromFileJP2(const std::u16string& FileName) { LoadFormatFromFile(kFormatJP2, FileName); }
  void LoadFromStreamJP2(TStream* Stream) { LoadFormatFromStream(kFormatJP2, Stream); }
  void LoadFromFileJ2K(const std::u16string& FileName) { LoadFormatFromFile(kFormatJ2K, FileName); }
  void LoadFromStreamJ2K(TStream* Stream) { LoadFormatFromStream(kFormatJ2K, Stream); }
  void SaveToFileJP2(const std::u16string& FileName) { SaveFormatToFile(kFormatJP2, FileName); }
  void SaveToStreamJP2(TStream* Stream) { SaveFormatToStream(kFormatJP2, Stream); }
  void SaveToFileJ2K(const std::u16string& FileName) { SaveFormatToFile(kFormatJ2K, FileName); }
  void SaveToStreamJ2K(TStream* Stream) { SaveFormatToStream(kFormatJ2K, Stream); }
  void LoadFromFileRAW(const std::u16string& FileName) {
    LoadFormatFromFile(kFormatCameraRaw, FileName);
  }
  void LoadFromStreamRAW(TStream* Stream) { LoadFormatFromStream(kFormatCameraRaw, Stream); }
  // Into the bitmap as the caller sized and formatted it; an empty name does nothing.
  void LoadFromFileRawPixels(const std::u16string& FileName) {
    if (!FileName.empty()) LoadFormatFromFile(kFormatRawPixels, FileName);
  }
  void LoadFromStreamRawPixels(TStream* Stream) { LoadFormatFromStream(kFormatRawPixels, Stream); }
  // With PSD_LoadLayers and PSD_ReplaceLayers an attached image view's layers are cleared
  // first; a save with such a view writes the composite of its layers.
  void LoadFromFilePSD(const std::u16string& FileName) { LoadFormatFromFile(kFormatPSD, FileName); }
  void LoadFromStreamPSD(TStream* Stream) { LoadFormatFromStream(kFormatPSD, Stream); }
  void SaveToFilePSD(const std::u16string& FileName) { SaveFormatToFile(kFormatPSD, FileName); }
  void SaveToStreamPSD(TStream* Stream) { SaveFormatToStream(kFormatPSD, Stream); }
  // Kinds 25 (vector objects), 26 (layers), 27 (both) into an attached view that holds them.
  void LoadFromFilePVV(const std::u16string& FileName, TPVFileFormatId Kind);
  void LoadFromStreamPVV(TStream* Stream, TPVFileFormatId Kind);
  void SaveToFilePS(const std::u16string& FileName) { SaveFormatToFile(kFormatPS, FileName); }
  void SaveToStreamPS(TStream* Stream) { SaveFormatToStream(kFormatPS, Stream); }
  void SaveToFilePDF(const std::u16string& FileName) { SaveFormatToFile(kFormatPDF, FileName); }
  void SaveToStreamPDF(TStream* Stream) { SaveFormatToStream(kFormatPDF, Stream); }

  // ==== AVI frames (load_from_avi.cpp) ====
  // Opens the first video stream of the file, closing one open before; answers its frame
  // count, 0 with Aborting set when the file cannot be read.
  int32_t OpenAVIFile(const std::u16string& FileName);
  // Frame FrameIndex (from 0) of the open file into the working bitmap, with the frame count
  // and delay; a call that loads nothing sets Aborting. The finish event ends every call.
  void LoadFromAVI(uint32_t FrameIndex);

  // ==== Metafiles (import_metafile.cpp) ====
  // Loads the metafile and renders it (SyncImportMetafile); FileName is kept in Params. A
  // file that cannot be loaded sets Aborting. The finish event ends every call.
  void ImportMetafile(const std::u16string& FileName, int32_t Width, int32_t Height,
                      bool WithAlpha);
  // Renders at Width x Height (a negative one follows the picture's aspect, both negative the
  // picture's own size; neither side past MetafileMaxSize) over the background; WithAlpha
  // makes what the picture does not paint transparent. Resizes Metafile.
  void SyncImportMetafile(platform::Metafile& Metafile, int32_t Width, int32_t Height,
                          bool WithAlpha);

  // ==== Open documents and media (closed by the destructor) ====
  // Disconnects and frees an open media file.
  void CloseMediaFile();
  // The device object's progress: ProgressMethod(this, Percent); false once Aborting is set.
  bool WIAProgress(int32_t Percent);
  // Sends the media object's messages to the attached view's window again, after the view's
  // window changed; nothing without either.
  void SyncDirectShowWindow();
  void CloseAVIFile() { AVIReader.reset(); }
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
  // The open AVI file's first video stream (null when none is open). Nothing writes AVI, so
  // there is no stream or option block of a writer to hold.
  std::unique_ptr<platform::AviFrameReader> AVIReader;
  std::unique_ptr<TPVDirectShow> MediaFile;
  // Slots for an open PostScript and PDF document and their files.
  void* PSDocument = nullptr;
  std::unique_ptr<TPVWideFileStream> PSStream;
  void* PDFDocument = nullptr;
  std::unique_ptr<TPVWideFileStream> PDFStream;
  // The running workers, guarded by WorkersLock; WorkerLeft is signalled under the lock each
  // time one leaves.
  std::vector<TPVIOThread*> Workers;
  std::mutex WorkersLock;
  std::condition_variable WorkerLeft;
  int32_t AcquireState = 0;
  std::unique_ptr<TPVWia> WIA;
  std::unique_ptr<TPVDirectShow> DirectShow;
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
  // Posts a message to the attached view when it has a parent, to be handled on the view's
  // thread; the worker that calls it goes on at once.
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
  // On a worker with a view that has a parent: posting is the way to it.
  bool PostsToView();
  // The condition of HandedToWorker.
  bool HandsOverWork();
  // The area a composed GIF frame covered and what it asked to happen to it.
  struct TFrameAreaState {
    uint8_t Disposal = 0;
    int32_t X = 0, Y = 0, Width = 0, Height = 0;
  };
  int32_t LoadGIFFrames(TStream& Stream);
  bool ComposeGIFFrame(TPVBitmap& Frame, TPVBitmap& Canvas, TFrameAreaState& Previous,
                       int32_t NeedWidth, int32_t NeedHeight);
  // Aborting and the finish event: a load that loads nothing.
  void FailLoad();
  TPVProgressRecord MakeProgress();
  // A file through a registry entry's reader, handed to a worker of the kind of the entry
  // point that asked (by name, or Guarded: by name and id). The two ends differ, and both are
  // published behaviour that callers rely on: by name, an open failure and a failed
  // preparation end without the finish event and the reader's exceptions are swallowed; by id
  // (Guarded), every way out ends with the finish event and exceptions go on to the caller.
  void LoadFileThroughRegistry(const TPVFileFormatInfo& Entry, const std::u16string& FileName,
                               bool Guarded);
  // The per-format stream method of a described entry, else the entry's reader on a worker of
  // RegistryKind.
  void LoadStreamByEntry(const TPVFileFormatInfo& Entry, TStream* Stream,
                         TPVIOWorkKind RegistryKind);
  // The worker kind of a per-format load: a function's kind when its published method answers a
  // count.
  static TPVIOWorkKind FormatLoadKind(TPVFileFormatId Id, bool FromFile);
  // ---- The work in place, each run on the thread it is called on (never handing over) ----
  // The load and save sequences (load_save_sequences.cpp).
  int32_t RunFormatLoadFromStream(TPVFileFormatId Id, TStream* Stream);
  int32_t RunFormatLoadFromFile(TPVFileFormatId Id, const std::u16string& FileName);
  void RunFormatSaveToStream(TPVFileFormatId Id, TStream* Stream);
  void RunFormatSaveToFile(TPVFileFormatId Id, const std::u16string& FileName);
  // Camera raw content that another registry entry claims (by the "RAW" extension).
  void LoadClaimedCameraRaw(TPVFileFormatId Claimant, TStream* Stream);
  // Through a registry entry's callbacks (load_save_registry.cpp).
  void RunRegistryFileLoad(const TPVFileFormatInfo& Entry, const std::u16string& FileName,
                           bool Guarded);
  void RunRegistryStreamLoad(const TPVFileFormatInfo& Entry, TStream* Stream);
  void RunRegistryFileSave(const TPVFileFormatInfo& Entry, const std::u16string& FileName);
  void RunRegistryStreamSave(const TPVFileFormatInfo& Entry, TStream* Stream);
  // The GIF loads, the view's files, AVI frames and metafiles.
  int32_t RunGIFLoadFromStream(TStream* Stream);
  int32_t RunGIFLoadFromFile(const std::u16string& FileName);
  void RunViewFileLoad(const std::u16string& FileName, TPVFileFormatId Kind);
  void RunViewStreamLoad(TStream* Stream, TPVFileFormatId Kind);
  void RunAVIFileLoad(const std::u16string& FileName);
  void RunAVIFrameLoad(uint32_t FrameIndex);
  void RunImportMetafile(const std::u16string& FileName, int32_t Width, int32_t Height,
                         bool WithAlpha);
  // The parameters of the stream by the format's codec or registry reader; Aborting when
  // there is none.
  void ReadParamsOnly(TStream& Stream, TPVFileFormatId FileType);
  // What a registry writer gets: pv24RGB unless pv24RGB or pv1g.
  bool ConvertForRegistryWriter();
  // Steps 3 onwards of a load: prepare, read, resolution, alpha, names, refresh.
  int32_t RunLoad(const TPVFormatMethod& Method, TStream& Stream, const std::u16string* FileName);
  // The bitmap prepared and converted for the writer; false (Aborting set) when it cannot be.
  bool PrepareForSave(const TPVFormatMethod& Method, bool ToFile);
  // The writer run, through memory where the data must start at 0 or get a header first.
  void WriteFormat(const TPVFormatMethod& Method, TStream& Stream, bool ToFile);

  platform::TBitmap* LinkedTBitmap = nullptr;
  TPVBitmap* WorkBitmap = nullptr;
  bool OwnsWorkBitmap = true;
  TPVRegistrationHandle ViewCallbackHandle = kNoRegistration;
  TColor OwnBackground = 0;
  TPVDitherMethod DefaultDitherMethod = pvdmThreshold;
  // Written by the GUI thread while workers read it.
  std::atomic<bool> AsyncMode{false};
  friend class TPVInPlaceScope;
};

}  // namespace calmora
