// The I/O unit's set-up gives the quantiser its automatic defaults.
#include "imaging/io/io_unit.h"

#include <gtest/gtest.h>

#include "imaging/proc/quantizer.h"

namespace calmora {
namespace {

TEST(InitIOUnit, SetsTheQuantiserDefaults) {
  QuantizerAlgorithm = 1;
  NeuQuantQuality = 80;
  InitIOUnit();
  EXPECT_EQ(QuantizerAlgorithm, -1);
  EXPECT_EQ(NeuQuantQuality, -1);
  FinalizeIOUnit();
}

}  // namespace
}  // namespace calmora
