// Storage of the process-wide data of the shared definitions. The grey weights and the file
// threshold start at their set-up values so that helpers give the library's answers even
// before the static set-up has run.
#include "imaging/base/defs.h"

namespace calmora {

int32_t GrayWeightRed = 21;
int32_t GrayWeightGreen = 71;
int32_t GrayWeightBlue = 8;

uint8_t DialogBackgroundStyle = 0;

TMsgWordTable MsgWordTable;

uint8_t WindowsVersion = 0;

int64_t BitmapFileThreshold = -1;

void* ColorSystemLibrary = nullptr;

std::array<int32_t, 256> CosineBlendTable{};

std::string TempFolder;

void InitDefsUnit() {
  GrayWeightRed = 21;
  GrayWeightGreen = 71;
  GrayWeightBlue = 8;
  DialogBackgroundStyle = 0;
}

void FinalizeDefsUnit() {}

}  // namespace calmora
