// The processing unit's set-up installs what the lower layers call through hooks, and its
// clean-up takes it away again.
#include "imaging/proc/proc_unit.h"

#include <gtest/gtest.h>

#include "imaging/core/drawing/drawing_helpers.h"
#include "imaging/proc/filters/gaussian_blur.h"

namespace calmora {
namespace {

TEST(ProcUnit, InstallsTheBlurOfTheSoftShadowAndRemovesItAtCleanUp) {
  GaussianBlurGray8Proc = nullptr;
  InitProcUnit();
  EXPECT_EQ(GaussianBlurGray8Proc, &GaussianBlurGray8);
  FinalizeProcUnit();
  EXPECT_EQ(GaussianBlurGray8Proc, nullptr);
}

}  // namespace
}  // namespace calmora
