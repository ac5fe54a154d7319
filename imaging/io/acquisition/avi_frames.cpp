// The AVI library's initialised flag, its start and exit, and the sample layout of a frame's
// depth.
#include "imaging/io/acquisition/avi_frames.h"

namespace calmora {

bool AVIFileInitialised = false;
int32_t AVIFileExitCalls = 0;

// The frame reader's libraries keep no process-wide state that needs starting or releasing
// (each open file holds its own), so the pair only keeps the flag the unit's clean-up reads.
void AVIFileInit() { AVIFileInitialised = true; }

void AVIFileExit() {
  ++AVIFileExitCalls;
  AVIFileInitialised = false;
}

std::optional<TAVISampleLayout> AVIFrameSampleLayout(int32_t BitCount) {
  switch (BitCount) {
    case 1:
    case 4:
    case 8: return TAVISampleLayout{BitCount, 1};
    case 15: return TAVISampleLayout{5, 3};
    case 16:
    case 24:
    case 32: return TAVISampleLayout{8, 3};
    default: return std::nullopt;
  }
}

}  // namespace calmora
