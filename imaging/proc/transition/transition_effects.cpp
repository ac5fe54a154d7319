// The transition engine's life: creation, the start that sets up what every painter relies
// on, the timer step with its three timing curves, and the stop.
#include "imaging/proc/transition/transition_effects.h"

#include <algorithm>
#include <cmath>

#include "imaging/core/bitmap/bitmap.h"
#include "imaging/core/view/view_base.h"
#include "imaging/proc/transition/transition_table.h"
#include "platform/canvas.h"
#include "platform/canvas_blit.h"
#include "platform/device_bitmap.h"
#include "platform/repeating_timer.h"
#include "platform/tick_count.h"

namespace calmora {

TDrawTransitionBackground DrawTransitionBackgroundProc = nullptr;

namespace {

std::unique_ptr<platform::TBitmap> NewBuffer() {
  auto buffer = std::make_unique<platform::TBitmap>();
  buffer->SetWidth(1);
  buffer->SetHeight(1);
  buffer->SetPixelFormat(platform::pf24bit);
  return buffer;
}

// Back to 1 x 1, width before height.
void Shrink(platform::TBitmap& buffer) {
  buffer.SetWidth(1);
  buffer.SetHeight(1);
}

std::vector<uint8_t*> RowsOf(platform::TBitmap& buffer) {
  std::vector<uint8_t*> rows(static_cast<size_t>(buffer.GetHeight()));
  for (int32_t i = 0; i < buffer.GetHeight(); ++i) rows[i] = buffer.GetScanLine(i);
  return rows;
}

}  // namespace

TPVTransitionEffects::TPVTransitionEffects(TPVView* view)
    : Source(NewBuffer()), Target(NewBuffer()), Work(NewBuffer()), View(view) {
  Timer = std::make_unique<platform::TRepeatingTimer>(nullptr);
  Timer->SetEnabled(false);
  Timer->OnTimer = [this](TObject* Sender) { TimerStep(Sender); };
  Timer->SetInterval(1);
}

TPVTransitionEffects::~TPVTransitionEffects() {
  SourceRows.clear();
  TargetRows.clear();
  WorkRows.clear();
  Timer.reset();
  Source.reset();
  Target.reset();
  Work.reset();
}

bool TPVTransitionEffects::Establish(int32_t width, int32_t height, uint32_t duration,
                                     TPVTransitionTiming timing, bool updateOnStop) {
  for (platform::TBitmap* buffer : {Source.get(), Target.get(), Work.get()})
    if (!buffer->SetPixelFormat(platform::pf24bit) || !buffer->SetSize(width, height)) {
      Shrink(*Source);
      Shrink(*Target);
      Shrink(*Work);
      return false;
    }
  SourceRows = RowsOf(*Source);
  TargetRows = RowsOf(*Target);
  WorkRows = RowsOf(*Work);
  Width = width;
  Height = height;
  Duration = duration;
  Timing = timing;
  UpdateOnStop = updateOnStop;
  Step = 0;
  RandomDone = 0;
  StartTick = platform::GetTickCount();
  return true;
}

bool TPVTransitionEffects::Start(TPVTransitionKind kind, platform::TBitmap& source,
                                 platform::TBitmap& target, uint32_t duration,
                                 TPVTransitionTiming timing, bool updateOnStop) {
  const int32_t width = source.GetWidth();
  const int32_t height = source.GetHeight();
  if (kind < 1 || kind > kTransitionTableLength || width < 1 || height < 1 ||
      target.GetWidth() != width || target.GetHeight() != height)
    return false;
  Stop();
  if (!Establish(width, height, duration, timing, updateOnStop)) return false;
  platform::BitBlt(*Source->GetCanvas(), 0, 0, width, height, *source.GetCanvas(), 0, 0);
  platform::BitBlt(*Target->GetCanvas(), 0, 0, width, height, *target.GetCanvas(), 0, 0);
  Kind = kind;
  PanZoomBitmap = nullptr;
  if (View) View->LockPaint();
  Running = true;
  Timer->SetEnabled(true);
  return true;
}

bool TPVTransitionEffects::StartPanZoom(TPVBitmap* picture, const TRect& from, const TRect& to,
                                        int32_t width, int32_t height, uint32_t duration,
                                        TPVTransitionTiming timing, bool updateOnStop) {
  if (width < 1 || height < 1) return false;
  Stop();
  if (!Establish(width, height, duration, timing, updateOnStop)) return false;
  Kind = kPanZoomTransition;
  PanZoomBitmap = picture;
  PanZoomFrom = from;
  PanZoomTo = to;
  if (View) View->LockPaint();
  Running = true;
  Timer->SetEnabled(true);
  return true;
}

void TPVTransitionEffects::Stop() {
  if (!Running || Kind == 0) return;
  Timer->SetEnabled(false);
  Running = false;
  Shrink(*Work);
  Shrink(*Source);
  Shrink(*Target);
  // The rows just shrank away; the tables would only point into freed memory.
  SourceRows.clear();
  TargetRows.clear();
  WorkRows.clear();
  if (View) {
    View->UnlockPaintSilently();
    if (UpdateOnStop) View->Update();
  }
  if (OnTransitionStop) OnTransitionStop(View);
}

int32_t TPVTransitionEffects::NextStep(uint32_t elapsed) const {
  // With no duration at all the transition is over at once.
  const double t = Duration == 0 ? 1.0 : elapsed / static_cast<double>(static_cast<int32_t>(Duration));
  double next = 0;
  switch (Timing) {
    case pvtLinear: next = t * 1024; break;
    case pvtExponential: next = std::exp(5 * t - 2.718) / 10 * 1024; break;
    case pvtLogarithmic:
      // The logarithm has no value at 0 and is negative just after it: the curve starts at 0.
      next = t > 0 ? (std::log(10 * t) + 2.718) / 5 * 1024 : 0;
      break;
    default: return Step;
  }
  return static_cast<int32_t>(std::clamp(std::trunc(next), 0.0, 1024.0));
}

void TPVTransitionEffects::TimerStep(TObject*) {
  if (!Running) return;
  if (OnTransitionStep) OnTransitionStep(View, Step);
  ++FrameCount;
  if (Kind >= 1 && Kind <= 30)
    PaintEngineTransition(Step);
  else if (Kind == kPanZoomTransition)
    PaintPanZoom(Step);
  else
    PaintTableTransition(Step);
  platform::TCanvas* viewCanvas = GetViewCanvas(View);
  if (viewCanvas) platform::BitBlt(*viewCanvas, 0, 0, Width, Height, *Work->GetCanvas(), 0, 0);

  const uint32_t elapsed = platform::GetTickCount() - StartTick;
  if (elapsed >= Duration) {
    if (UpdateOnStop && Kind != kPanZoomTransition && viewCanvas)
      platform::BitBlt(*viewCanvas, 0, 0, Width, Height, *Target->GetCanvas(), 0, 0);
    Stop();
  }
  Step = NextStep(elapsed);
}

}  // namespace calmora
