// TPVDirectShow, the media object of the I/O component: the parts of a media graph it would
// drive (control, events, a windowless video renderer), the window its messages go to, and the
// lists a capture front end would fill. Linux has no such graph service: nothing builds a
// graph, so the object never connects, answers state 0 and its video operations do nothing.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "imaging/base/defs.h"
#include "imaging/base/geometry/geometry.h"

namespace calmora {

namespace platform {
class TCanvas;
class TCustomControl;
}  // namespace platform

// The graph's running state (0 stopped, 1 paused, 2 running) and its stop.
class TPVMediaControl {
 public:
  virtual ~TPVMediaControl() = default;
  virtual void Stop() = 0;
  // Waits at most TimeoutMs for a pending change to settle.
  virtual int32_t GetState(int32_t TimeoutMs) = 0;
};

// The graph's event queue: tells a window of new events with a message carrying Instance.
class TPVMediaEvent {
 public:
  virtual ~TPVMediaEvent() = default;
  virtual void SetNotifyWindow(platform::TCustomControl* Window, uint32_t Message,
                               TObject* Instance) = 0;
};

// A video renderer that draws into a window of ours instead of its own.
class TPVWindowlessControl {
 public:
  virtual ~TPVWindowlessControl() = default;
  virtual void SetVideoPosition(const TRect& Source, const TRect& Destination) = 0;
  virtual void GetNativeVideoSize(int32_t& Width, int32_t& Height) = 0;
  virtual void RepaintVideo(platform::TCustomControl* Window, platform::TCanvas* DC) = 0;
};

// One picture format a capture device offers.
struct TPVVideoFormat {
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t BitCount = 0;
};

class TPVDirectShow : public TObject {
 public:
  // Initialises OLE once for the process; no graph, the next frame accepted.
  TPVDirectShow();
  // Disconnects, then drops the format records.
  ~TPVDirectShow() override;
  TPVDirectShow(const TPVDirectShow&) = delete;
  TPVDirectShow& operator=(const TPVDirectShow&) = delete;

  // Frees every format record and empties the list.
  void ClearVideoFormats();
  // Stops a graph that is not stopped, then releases the renderer, the control and the
  // events, and the graph last. Harmless without a graph.
  void Disconnect();
  bool Connected() const { return Graph != nullptr; }
  // The control's state, asked with a 100 ms time-out; 0 without a control.
  int32_t GetState();
  // Remembers where messages go; a connected graph's events are sent to Window with
  // eventMessage from then on.
  void SetNotifyWindow(platform::TCustomControl* Window, uint32_t newFrameMessage,
                       uint32_t eventMessage);
  // The windowless renderer's calls; nothing without one.
  void SetVideoPosition(const TRect& Source, const TRect& Destination);
  void GetNativeVideoSize(int32_t& Width, int32_t& Height);
  void RepaintVideo(platform::TCustomControl* Window, platform::TCanvas* DC);

  // Present means connected.
  std::unique_ptr<TObject> Graph;
  std::unique_ptr<TPVMediaControl> MediaControl;
  std::unique_ptr<TPVMediaEvent> MediaEvent;
  std::unique_ptr<TPVWindowlessControl> WindowlessControl;
  platform::TCustomControl* NotifyWindow = nullptr;
  uint32_t NewFrameMessage = 0;
  uint32_t EventMessage = 0;
  // The view shows the video only when the object renders it.
  bool RenderVideo = false;
  // Cleared by the view while it handles a new frame, so frames arriving meanwhile are dropped.
  bool AcceptNextFrame = true;
  // -1: the graph's clock keeps its own tolerance.
  int32_t ClockErrorTolerance = -1;
  // What a capture front end would list; nothing fills them here.
  std::vector<std::string> VideoInputs;
  std::vector<std::string> AudioInputs;
  std::vector<std::string> VideoCompressors;
  std::vector<std::string> AudioCompressors;
  std::vector<std::unique_ptr<TPVVideoFormat>> VideoFormats;
  std::vector<std::string> InputSources;
};

}  // namespace calmora
