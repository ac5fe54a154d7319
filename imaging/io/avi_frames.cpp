// The AVI library's initialised flag and its exit routine.
#include "imaging/io/avi_frames.h"

namespace calmora {

bool AVIFileInitialised = false;
int32_t AVIFileExitCalls = 0;

void AVIFileExit() {
  ++AVIFileExitCalls;
  AVIFileInitialised = false;
}

}  // namespace calmora
