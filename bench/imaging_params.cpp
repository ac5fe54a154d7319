// The parameter record's costs: ConvertColorRow finding the profiles in a record against
// ConvertColorRowWithProfiles handed the same profiles (6000-pixel rows), and Assign of a record
// with a 60 KiB XMP packet, 50 markers, 200 IPTC datasets and a 160 x 120 thumbnail against
// memcpy of the bytes it owns, without and with three ICC profiles.
#include <benchmark/benchmark.h>
#include <lcms2.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "imaging/io/color_row.h"
#include "imaging/params/io_params.h"

namespace calmora {
namespace {

constexpr int kRowPixels = 6000;
constexpr int kRows = 100;

std::vector<uint8_t> PatternBuffer(size_t bytes) {
  std::vector<uint8_t> buffer(bytes);
  uint32_t state = 12345;
  for (auto& b : buffer) {
    state = state * 1664525u + 1013904223u;
    b = uint8_t(state >> 24);
  }
  return buffer;
}

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

void ReportPixels(benchmark::State& state) {
  state.counters["MP"] = benchmark::Counter(double(kRowPixels) * kRows / 1e6,
                                            benchmark::Counter::kIsIterationInvariantRate);
}

// Rows through a record that holds an input profile (UseICC) or none.
void BM_RowsThroughRecord(benchmark::State& state) {
  const bool useICC = state.range(0) != 0;
  const auto source = PatternBuffer(size_t(kRowPixels) * kRows * 3);
  std::vector<uint8_t> destination(source.size());
  TIOParamsVals params(nullptr);
  if (useICC) {
    const auto profile = RGBProfileBytes();
    params.GetInputICCProfile()->LoadFromBuffer(profile.data(), int32_t(profile.size()));
  }
  ICCConversion = true;
  for (auto _ : state) {
    for (int row = 0; row < kRows; ++row) {
      const size_t at = size_t(row) * kRowPixels * 3;
      ConvertColorRow(source.data() + at, clRGB24, destination.data() + at, clBGR24, kRowPixels,
                      &params);
    }
    benchmark::DoNotOptimize(destination.data());
  }
  ICCConversion = false;
  ReportPixels(state);
}
BENCHMARK(BM_RowsThroughRecord)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The same rows handed the same kind of profiles directly.
void BM_RowsWithProfiles(benchmark::State& state) {
  const bool useICC = state.range(0) != 0;
  const auto source = PatternBuffer(size_t(kRowPixels) * kRows * 3);
  std::vector<uint8_t> destination(source.size());
  TPVICC input;
  TPVICC output;
  output.OpenSRGBProfile();
  const auto profile = RGBProfileBytes();
  input.LoadFromBuffer(profile.data(), int32_t(profile.size()));
  TPVRowProfiles profiles;
  profiles.InputICCProfile = &input;
  profiles.GetOutputICCProfile = [&output] { return &output; };
  ICCConversion = true;
  for (auto _ : state) {
    for (int row = 0; row < kRows; ++row) {
      const size_t at = size_t(row) * kRowPixels * 3;
      ConvertColorRowWithProfiles(source.data() + at, clRGB24, destination.data() + at, clBGR24,
                                  kRowPixels, useICC ? &profiles : nullptr);
    }
    benchmark::DoNotOptimize(destination.data());
  }
  ICCConversion = false;
  ReportPixels(state);
}
BENCHMARK(BM_RowsWithProfiles)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The record the Assign benchmarks copy; with the three profiles when asked.
void FillRecord(TIOParamsVals& params, bool withProfiles) {
  params.XMP_Info.assign(60 * 1024, 'x');
  const auto payload = PatternBuffer(1000);
  for (int i = 0; i < 50; ++i) params.JPEG_Markers.AddMarker(0xE2, payload.data(), 1000);
  const auto dataset = PatternBuffer(64);
  for (int i = 0; i < 200; ++i) params.IPTC_Info.AddItem(2, 25, 64, dataset.data());
  params.EXIF_Bitmap = std::make_unique<TPVBitmap>(160, 120, pv24RGB);
  if (withProfiles) {
    const auto profile = RGBProfileBytes();
    params.GetInputICCProfile()->LoadFromBuffer(profile.data(), int32_t(profile.size()));
    params.GetDefaultICCProfile()->LoadFromBuffer(profile.data(), int32_t(profile.size()));
    (void)params.GetOutputICCProfile();
  }
}

int64_t OwnedBytes() { return 60 * 1024 + 50 * 1000 + 200 * 64 + 160 * 120 * 3; }

void BM_Assign(benchmark::State& state) {
  TIOParamsVals source(nullptr);
  FillRecord(source, state.range(0) != 0);
  TIOParamsVals target(nullptr);
  for (auto _ : state) {
    target.Assign(&source);
    benchmark::DoNotOptimize(&target);
  }
  state.SetBytesProcessed(state.iterations() * OwnedBytes());
}
BENCHMARK(BM_Assign)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The peer: the same bytes copied with memcpy into blocks that already exist.
void BM_MemcpyOwnedBytes(benchmark::State& state) {
  const auto source = PatternBuffer(size_t(OwnedBytes()));
  std::vector<uint8_t> target(source.size());
  for (auto _ : state) {
    std::memcpy(target.data(), source.data(), source.size());
    benchmark::DoNotOptimize(target.data());
  }
  state.SetBytesProcessed(state.iterations() * OwnedBytes());
}
BENCHMARK(BM_MemcpyOwnedBytes)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace calmora

BENCHMARK_MAIN();
