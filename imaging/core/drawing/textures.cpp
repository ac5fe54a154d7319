// The Gaussian curve and the two dialog background textures built from it.
#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "imaging/base/random.h"
#include "imaging/core/drawing/drawing_helpers.h"

namespace calmora {

namespace {

// Sets the graphic's size and 24-bit format; false when it cannot be had.
bool Prepare(platform::TBitmap& graphic, int32_t width, int32_t height) {
  return graphic.SetPixelFormat(platform::pf24bit) &&
         graphic.SetSize(std::max(width, 0), std::max(height, 0));
}

void PutGrey(uint8_t* row, int32_t x, int32_t grey) {
  std::fill_n(row + 3 * x, 3, static_cast<uint8_t>(grey));
}

}  // namespace

void MakeGaussianCurve(int32_t N, double Low, double High, double S, double* Output, int32_t) {
  if (N <= 0 || Output == nullptr) return;
  double largest = -100000;
  for (int32_t k = 0; k < N; ++k) {
    const double t = 2.0 * k / N - 1;
    Output[k] = std::exp(-S * S * t * t / 2) / (S * std::sqrt(2 * std::numbers::pi));
    largest = std::max(largest, Output[k]);
  }
  for (int32_t k = 0; k < N; ++k) Output[k] = Output[k] / largest * (High - Low) + Low;
}

void PaintStripedTexture(platform::TBitmap& Graphic, int32_t Width, int32_t Height) {
  if (!Prepare(Graphic, Width, Height)) return;
  double curve[4];
  MakeGaussianCurve(4, 130, 255, 0.5, curve, 0);
  for (int32_t y = 0; y < Graphic.GetHeight(); ++y) {
    uint8_t* row = Graphic.GetScanLine(y);
    for (int32_t x = 0; x < Graphic.GetWidth(); ++x)
      PutGrey(row, x, static_cast<int32_t>(curve[y % 4]));
  }
}

void PaintNoisyTexture(platform::TBitmap& Graphic, int32_t Width, int32_t Height) {
  if (!Prepare(Graphic, Width, Height) || Graphic.GetWidth() < 1) return;
  const int32_t width = Graphic.GetWidth();
  std::vector<double> curve(static_cast<size_t>(width));
  MakeGaussianCurve(width, 160, 208, 3, curve.data(), 0);
  // The step carries over from row to row; the counter starts again on every row.
  int32_t step = 0;
  for (int32_t y = 0; y < Graphic.GetHeight(); ++y) {
    uint8_t* row = Graphic.GetScanLine(y);
    int32_t counter = 0;
    for (int32_t x = 0; x < width; ++x) {
      PutGrey(row, x, static_cast<int32_t>(curve[x]) + step);
      ++counter;
      if (Random(width) + 100 < counter) {
        counter = 0;
        step = Random(11);
      }
    }
  }
}

}  // namespace calmora
