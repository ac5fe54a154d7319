// The GIF load: frames 0 up to the wanted one read in turn and composed onto a canvas the size
// of the logical screen, as a viewer would show the animation at that frame.
#include <algorithm>

#include "imaging/core/render/blend_operations.h"
#include "imaging/core/mask/mask.h"
#include "imaging/io/io_thread.h"
#include "imaging/io/load_save/finish_work_guard.h"
#include "imaging/io/pictavo_io.h"
#include "imaging/io/load_save/pictavo_io_codecs.h"
#include "imaging/base/color_helpers.h"

namespace calmora {

namespace {

constexpr uint8_t kRestoreToBackground = 2;

}  // namespace

// Draws the frame onto the canvas at its place, after the previous frame's area was restored
// to the background when it asked for that. False when the canvas cannot be had.
bool TPictavoIO::ComposeGIFFrame(TPVBitmap& Frame, TPVBitmap& Canvas, TFrameAreaState& Previous,
                                 int32_t NeedWidth, int32_t NeedHeight) {
  const TColor background = static_cast<TColor>(SwapRedBlue(Params->GIF_Background));
  if (Previous.Disposal == kRestoreToBackground && !Canvas.IsEmpty()) {
    const int32_t x2 = Previous.X + Previous.Width - 1, y2 = Previous.Y + Previous.Height - 1;
    Canvas.FillRect(Previous.X, Previous.Y, x2, y2, background);
    if (TPVBitmap* alpha = Canvas.GetAlphaChannel())
      alpha->FillRect(Previous.X, Previous.Y, x2, y2, 0);
  }
  if (Canvas.IsEmpty()) {
    if (!Canvas.Allocate(NeedWidth, NeedHeight, pv24RGB)) return false;
    Canvas.Fill(background);
    TPVBitmap* alpha = Canvas.GetAlphaChannel();
    if (alpha == nullptr) return false;
    alpha->Fill(0);
  } else if (Canvas.GetPixelFormat() != pv24RGB && !Canvas.SetPixelFormat(pv24RGB)) {
    return false;
  }
  if (Canvas.GetWidth() < NeedWidth || Canvas.GetHeight() < NeedHeight) {
    const bool grown =
        Canvas.ResizeCanvas(std::max(NeedWidth, Canvas.GetWidth()),
                            std::max(NeedHeight, Canvas.GetHeight()), background, 255, 0, 0);
    if (!grown) return false;
  }
  const int32_t x = Params->GIF_XPos, y = Params->GIF_YPos;
  const int32_t width = Frame.GetWidth(), height = Frame.GetHeight();
  Frame.DrawToBitmap(Canvas, x, y, width, height, 0, 0, width, height, 255, rfNone, pvboNormal);
  Frame.MergeAlphaRectTo(Canvas, 0, 0, x, y, width, height);
  if (TPVBitmap* alpha = Canvas.GetAlphaChannel()) alpha->Opaque = false;
  Previous = {Params->GIF_Disposal, x, y, width, height};
  // The params now describe the composed picture.
  Params->GIF_Disposal = kRestoreToBackground;
  Params->GIF_XPos = 0;
  Params->GIF_YPos = 0;
  return true;
}

int32_t TPictavoIO::LoadGIFFrames(TStream& Stream) {
  if (!PrepareBitmap({})) {
    Aborting = true;
    return 0;
  }
  Params->ResetInfo();
  WorkBitmap->RemoveAlphaChannel(false, 0);
  const TPVCodecReader reader = CodecOf(kFormatGIF).Read;
  const int64_t start = Stream.GetPosition();
  const int32_t target = Params->GIF_ImageIndex;
  // Past frame 0 only the frame loop reports progress.
  TPVProgressRecord progress;
  progress.Aborting = &Aborting;
  if (target <= 0) {
    progress.OnProgress = ProgressMethod;
    progress.Sender = this;
  }
  TPVBitmap canvas;
  canvas.Location = pvMemory;
  TFrameAreaState previous;
  int32_t frameCount = 0;
  if (reader == nullptr) Aborting = true;  // no reader built
  for (int32_t i = 0; reader != nullptr; ++i) {
    TPVBitmap frame;
    Stream.SetPosition(start);
    Params->SetImageIndex(i);
    std::unique_ptr<TPVMask> mask;
    frameCount = reader(Stream, frame, *Params, false, progress, mask);
    const TPVPixelFormat frameFormat = frame.GetPixelFormat();
    ApplyDefaultDPI();
    const int32_t needWidth = std::max(Params->GIF_ScreenWidth, frame.GetWidth());
    const int32_t needHeight = std::max(Params->GIF_ScreenHeight, frame.GetHeight());
    if (mask != nullptr) {
      if (TPVBitmap* alpha = frame.GetAlphaChannel()) alpha->CopyFromMask(mask.get());
    }
    TPVBitmap* result = &frame;
    if (frameCount > 1 && !Aborting) {
      if (!ComposeGIFFrame(frame, canvas, previous, needWidth, needHeight)) Aborting = true;
      result = &canvas;
    }
    if (Aborting) break;
    if (frameCount > 0) {
      WorkBitmap->Assign(result);
      WorkBitmap->SetPixelFormat(frameFormat);
      if (OnProgress) ProgressMethod(this, static_cast<int>(int64_t{i} * 100 / frameCount));
    }
    if (i + 1 >= frameCount || i == target) break;
  }
  Params->SetImageIndex(target);
  if (AutoAdjustDPI) AdjustDPI();
  const TPVRGB shown =
      Params->GIF_Transparent ? Params->GIF_TransparentColor : Params->GIF_Background;
  SetBackground(static_cast<TColor>(SwapRedBlue(shown)));
  Params->FileType = kFormatGIF;
  Params->FileName.clear();
  Update();
  return frameCount;
}

int32_t TPictavoIO::LoadFromStreamGIF(TStream* Stream) {
  if (HandedToWorker(TPVIOWorkKind::kStreamFunc,
                     [Stream](TPictavoIO& IO) { IO.RunGIFLoadFromStream(Stream); }))
    return -1;
  return RunGIFLoadFromStream(Stream);
}

int32_t TPictavoIO::LoadFromFileGIF(const std::u16string& FileName) {
  if (HandedToWorker(TPVIOWorkKind::kFileFunc,
                     [FileName](TPictavoIO& IO) { IO.RunGIFLoadFromFile(FileName); }))
    return -1;
  return RunGIFLoadFromFile(FileName);
}

int32_t TPictavoIO::RunGIFLoadFromStream(TStream* Stream) {
  const TPVFinishWorkGuard finish(*this);
  Aborting = Stream == nullptr;
  return Stream == nullptr ? 0 : LoadGIFFrames(*Stream);
}

int32_t TPictavoIO::RunGIFLoadFromFile(const std::u16string& FileName) {
  // Declared first, so that the file is closed before the finish event.
  const TPVFinishWorkGuard finish(*this);
  Aborting = true;
  TPVWideFileStream file(FileName, fmOpenRead | fmShareDenyWrite);
  Aborting = false;
  const int32_t count = LoadGIFFrames(file);
  Params->FileName = FileName;
  return count;
}

}  // namespace calmora
