// AVI frame reading: the flag that the AVI library was initialised, which the I/O unit's
// clean-up reads to decide on the library's exit. The reader itself is still to come; until
// then the exit only counts its calls (tests read the count).
#pragma once

#include <cstdint>

namespace calmora {

// Set by the AVI reader when it initialises the AVI library.
extern bool AVIFileInitialised;

void AVIFileExit();
extern int32_t AVIFileExitCalls;

}  // namespace calmora
