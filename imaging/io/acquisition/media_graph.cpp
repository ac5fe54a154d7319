// The media object's life and its guarded calls into a graph that may be absent.
#include "imaging/io/acquisition/media_graph.h"

#include "imaging/io/acquisition/wia_unit.h"

namespace calmora {

namespace {

constexpr int32_t kStateTimeoutMs = 100;

}  // namespace

TPVDirectShow::TPVDirectShow() { InitializeOleOnce(); }

TPVDirectShow::~TPVDirectShow() {
  Disconnect();
  ClearVideoFormats();
}

void TPVDirectShow::ClearVideoFormats() { VideoFormats.clear(); }

void TPVDirectShow::Disconnect() {
  if (MediaControl != nullptr && GetState() != 0) MediaControl->Stop();
  // The renderer and the control belong to the graph: they go before it.
  WindowlessControl.reset();
  MediaControl.reset();
  MediaEvent.reset();
  Graph.reset();
}

int32_t TPVDirectShow::GetState() {
  return MediaControl != nullptr ? MediaControl->GetState(kStateTimeoutMs) : 0;
}

void TPVDirectShow::SetNotifyWindow(platform::TCustomControl* Window, uint32_t newFrameMessage,
                                    uint32_t eventMessage) {
  NotifyWindow = Window;
  NewFrameMessage = newFrameMessage;
  EventMessage = eventMessage;
  if (Connected() && MediaEvent != nullptr) MediaEvent->SetNotifyWindow(Window, eventMessage, this);
}

void TPVDirectShow::SetVideoPosition(const TRect& Source, const TRect& Destination) {
  if (WindowlessControl != nullptr) WindowlessControl->SetVideoPosition(Source, Destination);
}

void TPVDirectShow::GetNativeVideoSize(int32_t& Width, int32_t& Height) {
  if (WindowlessControl != nullptr) WindowlessControl->GetNativeVideoSize(Width, Height);
}

void TPVDirectShow::RepaintVideo(platform::TCustomControl* Window, platform::TCanvas* DC) {
  if (WindowlessControl != nullptr) WindowlessControl->RepaintVideo(Window, DC);
}

}  // namespace calmora
