// The URL loader's internet library handle and its load and free routines.
#include "imaging/io/url_loader.h"

namespace calmora {

void* WinInetHandle = nullptr;
int32_t LoadWinInetCalls = 0;
int32_t FreeWinInetCalls = 0;

void LoadWinInet() { ++LoadWinInetCalls; }

void FreeWinInet() {
  ++FreeWinInetCalls;
  WinInetHandle = nullptr;
}

}  // namespace calmora
