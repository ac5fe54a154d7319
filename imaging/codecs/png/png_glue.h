// The guarded call of the PNG codec: libpng's errors leave by longjmp to png_jmpbuf, which is
// set in a frame that holds no object with a destructor, and come back as a false answer.
#pragma once

#include <type_traits>

#include <png.h>

namespace calmora {

// Runs Call(Context) with the structure's jump buffer leading back here; false when a libpng
// error left that way. Neither Call nor anything it calls may own an object with a destructor
// while libpng runs.
bool PNGGuardedCall(png_structp Png, void (*Call)(void*), void* Context);

template <class F>
bool PNGGuarded(png_structp Png, F&& Body) {
  using Callable = std::remove_reference_t<F>;
  return PNGGuardedCall(
      Png, [](void* body) { (*static_cast<Callable*>(body))(); },
      const_cast<void*>(static_cast<const void*>(&Body)));
}

// The physical resolution in dots per inch of pixels per metre, and back: halves round to
// even.
int32_t PNGMetresToDpi(uint32_t PixelsPerMetre);
uint32_t PNGDpiToMetres(int32_t Dpi);

}  // namespace calmora
