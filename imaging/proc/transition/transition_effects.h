// TPVTransitionEffects, the transition engine of an image view: a 1 ms timer paints, frame by
// frame, the change from one picture (Source) to another (Target) in a third buffer (Work) and
// shows it on the view. Kinds 1-30 are painted here, 31-163 by the transition table, 164 pans
// and zooms across one picture.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "imaging/base/defs.h"
#include "imaging/base/geometry/geometry.h"
#include "imaging/base/pixel_types.h"

namespace calmora::platform {
class TBitmap;
class TCanvas;
class TRepeatingTimer;
}  // namespace calmora::platform

namespace calmora {

class TPVBitmap;
class TPVView;

// 1-163 are rows of TransitionTable, 164 is pan and zoom, 0 is none.
using TPVTransitionKind = uint8_t;
inline constexpr TPVTransitionKind kPanZoomTransition = 164;

enum TPVTransitionTiming : uint8_t { pvtLinear = 0, pvtExponential = 1, pvtLogarithmic = 2 };

using TPVTransitionStepEvent = std::function<void(TObject* Sender, int32_t step)>;
using TPVTransitionNotifyEvent = std::function<void(TObject* Sender)>;

// Paints the view's background onto a canvas for pan and zoom. The image view, which this
// layer cannot name, installs one that paints its styled background; without it the engine
// fills the frame in the view's Background colour.
using TDrawTransitionBackground = void (*)(TPVView* View, platform::TCanvas& Canvas);
extern TDrawTransitionBackground DrawTransitionBackgroundProc;

class TPVTransitionEffects : public TObject {
 public:
  // Three 1 x 1 24-bit buffers, idle, kind 0, 1000 ms, linear timing, a disabled 1 ms timer.
  explicit TPVTransitionEffects(TPVView* View);
  // Frees the row tables, the timer and the buffers; neither stops a running transition nor
  // touches the view.
  ~TPVTransitionEffects() override;

  // Starts a transition of kind 1-163 from source to target (pictures of one size, copied into
  // the 24-bit buffers) as every painter expects: buffers and row tables of that size, Step,
  // RandomDone and StartTick set, the view's paint lock taken once, Running and the timer on.
  // A running transition is stopped first. False, with nothing started, for another kind, a
  // null or empty picture, pictures of different sizes or buffers that cannot be had.
  bool Start(TPVTransitionKind kind, platform::TBitmap& source, platform::TBitmap& target,
             uint32_t duration, TPVTransitionTiming timing, bool updateOnStop);
  // The same for pan and zoom: picture's rectangle from is shown at the start and to at the
  // end, over a Work buffer of width x height.
  bool StartPanZoom(TPVBitmap* picture, const TRect& from, const TRect& to, int32_t width,
                    int32_t height, uint32_t duration, TPVTransitionTiming timing,
                    bool updateOnStop);

  // Ends a running transition (nothing when idle or of kind 0): the timer stops, the buffers
  // become 1 x 1, the view's paint lock is released without a repaint, the view updates when
  // UpdateOnStop is set, and OnTransitionStop runs.
  void Stop();
  // The timer's handler: paints the frame of Step, shows it, stops when the time is up, and
  // works out the next Step from the elapsed time.
  void TimerStep(TObject* Sender);

  // ---- The fields ----
  std::unique_ptr<platform::TBitmap> Source;
  std::unique_ptr<platform::TBitmap> Target;
  std::unique_ptr<platform::TBitmap> Work;
  TPVBitmap* PanZoomBitmap = nullptr;  // not owned
  // Row i (0 = top) of each buffer while a transition runs; empty when idle.
  std::vector<uint8_t*> SourceRows;
  std::vector<uint8_t*> TargetRows;
  std::vector<uint8_t*> WorkRows;
  int32_t Width = 0;
  int32_t Height = 0;
  bool Running = false;
  TPVView* View = nullptr;  // the owner
  // The engine is the timer's one owner (the view only hosts the engine).
  std::unique_ptr<platform::TRepeatingTimer> Timer;
  int32_t Step = 0;  // 0 .. 1024
  int32_t RandomDone = 0;
  TPVTransitionKind Kind = 0;
  uint32_t Duration = 1000;  // milliseconds
  uint32_t StartTick = 0;
  bool UpdateOnStop = false;
  TRect PanZoomFrom;
  TRect PanZoomTo;
  TPVTransitionNotifyEvent OnTransitionStop;
  TPVTransitionStepEvent OnTransitionStep;
  TPVTransitionTiming Timing = pvtLinear;
  int32_t FrameCount = 0;

  // ---- The painters ----
  // Kinds 1-30 at step s.
  void PaintEngineTransition(int32_t s);
  // Kinds 31-163 through the table: at step 0 Work becomes Source, later the kind's procedure
  // draws over the previous frame at Percent = Round(s / 1024 x 100).
  void PaintTableTransition(int32_t s);
  // Kind 164.
  void PaintPanZoom(int32_t s);

 private:
  bool Establish(int32_t width, int32_t height, uint32_t duration, TPVTransitionTiming timing,
                 bool updateOnStop);
  void Fade(int32_t s, const TPVRGB* sourceColor, const TPVRGB* targetColor);
  void CopyRows(int32_t s);
  void PaintRandomPoints(int32_t s);
  void PaintRandomBoxes(int32_t s);
  int32_t NextStep(uint32_t elapsed) const;
};

// The largest rectangle of the aspect w : h that fits a box of boxW x boxH, centred in it, as
// (x, y, x + width, y + height). Zero sizes give what was computed before the division failed
// (at least the zeros).
TRect FitRectToBox(int32_t w, int32_t h, int32_t boxW, int32_t boxH);

}  // namespace calmora
