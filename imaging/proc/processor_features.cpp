// What the processor offers beyond the x86-64 baseline, asked once.
#include "imaging/proc/processor_features.h"

namespace calmora {

bool ProcessorHasAvx2() {
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
}

}  // namespace calmora
