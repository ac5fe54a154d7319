// Tffinfo::Clear, used before each probe so no field survives from the last file.
#include "app/tffinfo.h"

namespace calmora {

void Tffinfo::Clear() {
  filepath.clear();
  duration.clear();
  bitrate.clear();
  video_bitrate.clear();
  audio_bitrate.clear();
  width.clear();
  height.clear();
  spare.clear();
}

}  // namespace calmora
