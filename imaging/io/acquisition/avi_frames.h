// AVI frame reading for the I/O component: the AVI library's initialised flag, which the I/O
// unit's clean-up reads to decide on the library's exit, and what a frame's depth tells the
// parameter record. The frames themselves come from platform/avi_frames.h.
#pragma once

#include <cstdint>
#include <optional>

namespace calmora {

// Set by the first AVI open; the I/O unit's clean-up calls AVIFileExit only while it is set.
extern bool AVIFileInitialised;

void AVIFileInit();
void AVIFileExit();
// How often AVIFileExit ran (tests read it).
extern int32_t AVIFileExitCalls;

struct TAVISampleLayout {
  int32_t BitsPerSample = 0;
  int32_t SamplesPerPixel = 0;
};

// The BitsPerSample and SamplesPerPixel a frame of the DIB bit count reports; nothing for a
// depth that leaves both as they were.
std::optional<TAVISampleLayout> AVIFrameSampleLayout(int32_t BitCount);

}  // namespace calmora
