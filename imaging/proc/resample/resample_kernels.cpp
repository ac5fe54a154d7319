// The kernels of the separable resampling engine and their table, indexed by the filter.
// Every kernel is evaluated in double and follows its formula term by term, because the engine
// rounds kernel values x 256 to integer weights and a last-bit difference can move one.
#include "imaging/proc/resample/resample_kernels.h"

#include <cmath>
#include <numbers>

namespace calmora {

double Sinc(double x) {
  if (x == 0) return 1;
  const double angle = std::numbers::pi * x;
  return std::sin(angle) / angle;
}

double TriangleKernel(double x) {
  const double t = std::fabs(x);
  return t < 1 ? 1 - t : 0;
}

double HermiteKernel(double x) {
  const double t = std::fabs(x);
  return t < 1 ? (2 * t - 3) * t * t + 1 : 0;
}

double BellKernel(double x) {
  const double t = std::fabs(x);
  if (t < 0.5) return 0.75 - t * t;
  if (t < 1.5) return 0.5 * (t - 1.5) * (t - 1.5);
  return 0;
}

double BSplineKernel(double x) {
  const double t = std::fabs(x);
  if (t < 1) return 0.5 * t * t * t - t * t + 2.0 / 3.0;
  if (t < 2) return (2 - t) * (2 - t) * (2 - t) / 6;
  return 0;
}

double Lanczos3Kernel(double x) {
  const double t = std::fabs(x);
  return t < 3 ? Sinc(t) * Sinc(t / 3) : 0;
}

double MitchellKernel(double x) {
  const double t = std::fabs(x);
  if (t < 1) return (7 * t * t * t - 12 * t * t + 16.0 / 3.0) / 6;
  if (t < 2) return (-7.0 / 3.0 * t * t * t + 12 * t * t - 20 * t + 32.0 / 3.0) / 6;
  return 0;
}

double BoxKernel(double x) { return x > -0.5 && x <= 0.5 ? 1 : 0; }

double LinearKernel(double x) {
  if (x >= -1 && x < 0) return 1 + x;
  if (x >= 0 && x < 1) return 1 - x;
  return 0;
}

const TResampleKernel ResampleKernels[kResampleKernelRows] = {
    {nullptr, 0},           // rfNone
    {TriangleKernel, 1.0},  // rfTriangle
    {HermiteKernel, 1.0},   // rfHermite
    {BellKernel, 1.5},      // rfBell
    {BSplineKernel, 2.0},   // rfBSpline
    {Lanczos3Kernel, 3.0},  // rfLanczos3
    {MitchellKernel, 2.0},  // rfMitchell
    {BoxKernel, 1.0},       // rfNearest
    {LinearKernel, 1.0},    // rfLinear
    {nullptr, 0},           // rfFastLinear: the engines below run without a kernel
    {nullptr, 0},           // rfBilinear
    {nullptr, 0},           // rfBicubic
    {nullptr, 0},           // rfProjectBW
    {nullptr, 0},           // rfProjectWB
};

}  // namespace calmora
