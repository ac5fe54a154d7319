// ReduceColors24 to 256 colours over a 4000 x 3000 plasma image with each quantiser (network
// and box splitter), against ImageMagick (-colors 256 +dither, one thread) and pngquant
// (--nofs 256, one thread) on the same pixels. The peers run as programs: their plain load and
// save of the same files is timed in the same run and subtracted, so each time is the
// quantisation alone. Counter "PSNR" is compare -metric PSNR of the result against the input.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "bench/peer_runs.h"
#include "imaging/core/bitmap/bitmap.h"
#include "imaging/proc/colors/color_reduction.h"
#include "imaging/proc/colors/quantizer.h"

namespace calmora {
namespace {

using bench::Quoted;
using bench::SavePPM;
using bench::TimedRun;

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

// The plasma as PPM and PNG in a private folder, made once per run.
struct Plasma {
  std::string folder;
  std::string ppm, png;
  bool ready = false;

  Plasma() {
    char pattern[] = "/tmp/calmora-quantize-XXXXXX";
    if (!mkdtemp(pattern)) return;
    folder = pattern;
    ppm = folder + "/in.ppm";
    png = folder + "/in.png";
    ready = TimedRun("convert -size " + std::to_string(kWidth) + "x" + std::to_string(kHeight) +
                     " -seed 1 plasma:fractal -depth 8 " + Quoted(ppm)) >= 0 &&
            TimedRun("convert " + Quoted(ppm) + " " + Quoted(png)) >= 0;
  }
  ~Plasma() {
    if (!folder.empty()) TimedRun("rm -rf " + Quoted(folder));
  }
  std::string File(const std::string& name) const { return folder + "/" + name; }
};

const Plasma& TheImage() {
  static const Plasma plasma;
  return plasma;
}

// A binary PPM (maxval 255) into a pv24RGB bitmap, and back.
bool LoadPPM(const std::string& path, TPVBitmap& bitmap) {
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  int width = 0, height = 0, maxval = 0;
  in >> magic >> width >> height >> maxval;
  in.get();
  if (magic != "P6" || maxval != 255 || !bitmap.Allocate(width, height, pv24RGB)) return false;
  std::vector<char> row(static_cast<size_t>(width) * 3);
  for (int y = 0; y < height; ++y) {
    if (!in.read(row.data(), static_cast<std::streamsize>(row.size()))) return false;
    uint8_t* line = bitmap.GetScanline(y);
    for (int x = 0; x < width; ++x) {
      line[3 * x] = static_cast<uint8_t>(row[3 * x + 2]);
      line[3 * x + 1] = static_cast<uint8_t>(row[3 * x + 1]);
      line[3 * x + 2] = static_cast<uint8_t>(row[3 * x]);
    }
  }
  return true;
}

// compare -metric PSNR prints the value on standard error.
double PSNR(const std::string& original, const std::string& result) {
  const std::string command =
      "compare -metric PSNR " + Quoted(original) + " " + Quoted(result) + " null: 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return -1;
  char text[128] = {};
  const size_t read = fread(text, 1, sizeof text - 1, pipe);
  pclose(pipe);
  return read > 0 ? std::atof(text) : -1;
}

void Ours(benchmark::State& state, int32_t algorithm) {
  const Plasma& plasma = TheImage();
  TPVBitmap source;
  source.FileThreshold = INT64_MAX;
  if (!plasma.ready || !LoadPPM(plasma.ppm, source)) {
    state.SkipWithError("no plasma image (convert missing?)");
    return;
  }
  const int32_t savedAlgorithm = QuantizerAlgorithm;
  QuantizerAlgorithm = algorithm;
  TPVBitmap work;
  work.FileThreshold = INT64_MAX;
  for (auto _ : state) {
    state.PauseTiming();
    work.Assign(&source);
    state.ResumeTiming();
    ReduceColors24(work, 256, nullptr, nullptr, nullptr);
    benchmark::ClobberMemory();
  }
  QuantizerAlgorithm = savedAlgorithm;
  const std::string result = plasma.File("ours.ppm");
  SavePPM(work, result);
  state.counters["PSNR"] = PSNR(plasma.ppm, result);
}

// Each iteration times the peer's quantising run and its plain load and save, and counts the
// difference.
void Peer(benchmark::State& state, const std::string& quantise, const std::string& plain,
          const std::string& original, const std::string& result) {
  if (!TheImage().ready) {
    state.SkipWithError("no plasma image (convert missing?)");
    return;
  }
  double plainTotal = 0;
  for (auto _ : state) {
    const double quantised = TimedRun(quantise);
    const double copied = TimedRun(plain);
    if (quantised < 0 || copied < 0) {
      state.SkipWithError(("failed: " + quantise).c_str());
      return;
    }
    plainTotal += copied;
    state.SetIterationTime(quantised - copied);
  }
  state.counters["PlainLoadSave_s"] = plainTotal / static_cast<double>(state.iterations());
  state.counters["PSNR"] = PSNR(original, result);
}

void ImageMagick(benchmark::State& state) {
  const Plasma& plasma = TheImage();
  const std::string out = plasma.File("magick.ppm");
  Peer(state,
       "convert -limit thread 1 " + Quoted(plasma.ppm) + " +dither -colors 256 " + Quoted(out),
       "convert -limit thread 1 " + Quoted(plasma.ppm) + " " + Quoted(plasma.File("copy.ppm")),
       plasma.ppm, out);
}

// pngquant reads and writes PNG; its plain load and save is libvips' copy of the same PNG on
// one thread (a 24-bit write, somewhat dearer than pngquant's 8-bit one, which favours the peer).
void Pngquant(benchmark::State& state) {
  const Plasma& plasma = TheImage();
  const std::string out = plasma.File("pngquant.png");
  Peer(state,
       "OMP_NUM_THREADS=1 pngquant --nofs --force --output " + Quoted(out) + " 256 " +
           Quoted(plasma.png),
       "VIPS_CONCURRENCY=1 vips copy " + Quoted(plasma.png) + " " + Quoted(plasma.File("copy.png")),
       plasma.png, out);
}

BENCHMARK_CAPTURE(Ours, NeuQuant, 0)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(Ours, MedianCut, 1)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(ImageMagick)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);
BENCHMARK(Pngquant)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

}  // namespace
}  // namespace calmora

BENCHMARK_MAIN();
