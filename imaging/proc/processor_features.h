// What the processor offers beyond the x86-64 baseline the library is built for, asked once, so
// processing routines can pick a vector version of their inner loops.
#pragma once

namespace calmora {

// The processor runs AVX2 instructions (and the system saves their registers).
bool ProcessorHasAvx2();

}  // namespace calmora
