// What both zlib streams share: the other stream's position, kept while they work, and the
// progress event.
#include "imaging/zlib/z_streams.h"

namespace calmora {

TCustomZStream::TCustomZStream(TStream* Stream)
    : stream_(Stream), streamPosition_(Stream->GetPosition()) {}

TCustomZStream::~TCustomZStream() = default;

void TCustomZStream::Progress() {
  if (OnProgress) OnProgress(this);
}

void TCustomZStream::TakeStreamPosition() {
  if (stream_->GetPosition() != streamPosition_) stream_->SetPosition(streamPosition_);
}

void TCustomZStream::RememberStreamPosition() { streamPosition_ = stream_->GetPosition(); }

}  // namespace calmora
