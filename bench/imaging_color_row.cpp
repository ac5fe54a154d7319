// Row colour conversion over a 24-megapixel image (6000 rows of 4000 pixels): ConvertColorRow
// for the main layout pairs, formula and ICC paths, against cmsDoTransform called directly on
// the same buffer. Throughput is the "MP" counter, in megapixels per second.
#include <benchmark/benchmark.h>
#include <lcms2.h>

#include <cstdint>
#include <vector>

#include "imaging/core/color/icc.h"
#include "imaging/core/color/cmyk_profile.h"
#include "imaging/io/color_row.h"

namespace calmora {
namespace {

constexpr int kWidth = 4000;
constexpr int kRows = 6000;
constexpr int64_t kPixels = int64_t{kWidth} * kRows;

std::vector<uint8_t> PatternBuffer(int bytes_per_pixel) {
  std::vector<uint8_t> buffer(size_t(kPixels) * size_t(bytes_per_pixel));
  uint32_t state = 12345;
  for (auto& b : buffer) {
    state = state * 1664525u + 1013904223u;
    b = uint8_t(state >> 24);
  }
  return buffer;
}

void ReportMegapixels(benchmark::State& state) {
  state.counters["MP"] =
      benchmark::Counter(double(kPixels) / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

// An Adobe-like RGB profile of gamma 1.8: the input profile of the ICC path.
std::vector<uint8_t> RGBProfileBytes() {
  const cmsCIExyY d65{0.3127, 0.3290, 1.0};
  const cmsCIExyYTRIPLE primaries{{0.64, 0.33, 1.0}, {0.21, 0.71, 1.0}, {0.15, 0.06, 1.0}};
  cmsToneCurve* curve = cmsBuildGamma(nullptr, 1.8);
  cmsToneCurve* curves[3] = {curve, curve, curve};
  cmsHPROFILE profile = cmsCreateRGBProfile(&d65, &primaries, curves);
  cmsFreeToneCurve(curve);
  cmsUInt32Number size = 0;
  cmsSaveProfileToMem(profile, nullptr, &size);
  std::vector<uint8_t> bytes(size);
  cmsSaveProfileToMem(profile, bytes.data(), &size);
  cmsCloseProfile(profile);
  return bytes;
}

void RunRows(benchmark::State& state, TPVColorLayout from, TPVColorLayout to, int in_size,
             int out_size, const TPVRowProfiles* profiles) {
  const auto source = PatternBuffer(in_size);
  std::vector<uint8_t> destination(size_t(kPixels) * size_t(out_size));
  for (auto _ : state) {
    for (int row = 0; row < kRows; ++row)
      ConvertColorRowWithProfiles(source.data() + size_t(row) * kWidth * in_size, from,
                                  destination.data() + size_t(row) * kWidth * out_size, to, kWidth,
                                  profiles);
    benchmark::DoNotOptimize(destination.data());
  }
  ReportMegapixels(state);
}

void FormulaPath(benchmark::State& state, TPVColorLayout from, TPVColorLayout to, int in_size,
                 int out_size, bool cmyk_profile) {
  ICCConversion = false;
  CMYKProfileConversion = cmyk_profile;
  if (cmyk_profile && !LoadCMYKProfile()) state.SkipWithError("no built-in CMYK profile");
  RunRows(state, from, to, in_size, out_size, nullptr);
  CMYKProfileConversion = true;
}

BENCHMARK_CAPTURE(FormulaPath, RGB24_to_BGR24, clRGB24, clBGR24, 3, 3, false)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FormulaPath, BGR24_to_BGR24, clBGR24, clBGR24, 3, 3, false)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FormulaPath, BGR24_to_Gray8, clBGR24, clGray8, 3, 1, false)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FormulaPath, RGB48_to_BGR24, clRGB48, clBGR24, 6, 3, false)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FormulaPath, YCbCr_to_BGR24, clYCbCr, clBGR24, 3, 3, false)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FormulaPath, CIELab_to_BGR24, clCIELab, clBGR24, 3, 3, false)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FormulaPath, InvertedCMYK_to_BGR24, clInvertedCMYK, clBGR24, 4, 3, false)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FormulaPath, BGR24_to_InvertedCMYK, clBGR24, clInvertedCMYK, 3, 4, false)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FormulaPath, InvertedCMYK_to_BGR24_builtin_profile, clInvertedCMYK, clBGR24, 4, 3,
                  true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FormulaPath, BGR24_to_InvertedCMYK_builtin_profile, clBGR24, clInvertedCMYK, 3, 4,
                  true)
    ->Unit(benchmark::kMillisecond);

// The ICC path: ConvertColorRow through an input profile towards sRGB (or the CMYK profile).
void ICCPath(benchmark::State& state, TPVColorLayout from, TPVColorLayout to, int in_size,
             int out_size, bool cmyk_input) {
  TPVICC input;
  TPVICC output;
  if (!LoadCMYKProfile()) {
    state.SkipWithError("no built-in CMYK profile");
    return;
  }
  const auto rgb_bytes = RGBProfileBytes();
  if (cmyk_input) {
    input.LoadFromBuffer(CMYKProfile->RawProfile.get(), CMYKProfile->RawSize);
    output.OpenSRGBProfile();
  } else if (to == clInvertedCMYK) {
    input.LoadFromBuffer(rgb_bytes.data(), int32_t(rgb_bytes.size()));
    output.LoadFromBuffer(CMYKProfile->RawProfile.get(), CMYKProfile->RawSize);
  } else {
    input.LoadFromBuffer(rgb_bytes.data(), int32_t(rgb_bytes.size()));
    output.OpenSRGBProfile();
  }
  TPVRowProfiles profiles;
  profiles.InputICCProfile = &input;
  profiles.GetOutputICCProfile = [&output] { return &output; };
  ICCConversion = true;
  RunRows(state, from, to, in_size, out_size, &profiles);
  ICCConversion = false;
}

BENCHMARK_CAPTURE(ICCPath, BGR24_to_BGR24, clBGR24, clBGR24, 3, 3, false)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ICCPath, RGB24_to_BGR24, clRGB24, clBGR24, 3, 3, false)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ICCPath, InvertedCMYK_to_BGR24, clInvertedCMYK, clBGR24, 4, 3, true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ICCPath, BGR24_to_InvertedCMYK, clBGR24, clInvertedCMYK, 3, 4, false)
    ->Unit(benchmark::kMillisecond);

// The same conversions with cmsDoTransform called directly, row by row, with the transform
// the colour system makes for those formats.
void DirectTransform(benchmark::State& state, cmsUInt32Number in_format, cmsUInt32Number out_format,
                     int in_size, int out_size, bool cmyk_input, bool cmyk_output) {
  if (!LoadCMYKProfile()) {
    state.SkipWithError("no built-in CMYK profile");
    return;
  }
  const auto rgb_bytes = RGBProfileBytes();
  cmsHPROFILE cmyk = cmsOpenProfileFromMem(CMYKProfile->RawProfile.get(), CMYKProfile->RawSize);
  cmsHPROFILE rgb = cmsOpenProfileFromMem(rgb_bytes.data(), cmsUInt32Number(rgb_bytes.size()));
  cmsHPROFILE srgb = cmsCreate_sRGBProfile();
  cmsHTRANSFORM transform =
      cmsCreateTransform(cmyk_input ? cmyk : rgb, in_format, cmyk_output ? cmyk : srgb, out_format,
                         INTENT_PERCEPTUAL, cmsFLAGS_HIGHRESPRECALC);
  const auto source = PatternBuffer(in_size);
  std::vector<uint8_t> destination(size_t(kPixels) * size_t(out_size));
  for (auto _ : state) {
    for (int row = 0; row < kRows; ++row)
      cmsDoTransform(transform, source.data() + size_t(row) * kWidth * in_size,
                     destination.data() + size_t(row) * kWidth * out_size, kWidth);
    benchmark::DoNotOptimize(destination.data());
  }
  ReportMegapixels(state);
  cmsDeleteTransform(transform);
  cmsCloseProfile(srgb);
  cmsCloseProfile(rgb);
  cmsCloseProfile(cmyk);
}

BENCHMARK_CAPTURE(DirectTransform, BGR24_to_BGR24, TYPE_BGR_8, TYPE_BGR_8, 3, 3, false, false)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(DirectTransform, RGB24_to_BGR24, TYPE_RGB_8, TYPE_BGR_8, 3, 3, false, false)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(DirectTransform, InvertedCMYK_to_BGR24, TYPE_CMYK_8_REV, TYPE_BGR_8, 4, 3, true,
                  false)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(DirectTransform, BGR24_to_InvertedCMYK, TYPE_BGR_8, TYPE_CMYK_8_REV, 3, 4, false,
                  true)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace calmora

BENCHMARK_MAIN();
