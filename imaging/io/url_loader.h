// The URL loader's internet library: loaded when the I/O unit starts and freed when it stops.
// The loader itself is still to come; until then loading and freeing only count their calls
// (tests read the counts) and leave the handle null.
#pragma once

#include <cstdint>

namespace calmora {

// The loaded internet library; null while not loaded.
extern void* WinInetHandle;

void LoadWinInet();
void FreeWinInet();

// How often each routine ran since the process started.
extern int32_t LoadWinInetCalls;
extern int32_t FreeWinInetCalls;

}  // namespace calmora
