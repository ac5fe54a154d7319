// Histogram matching and channel reordering.
#include "imaging/proc/filters/channel_tools.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstring>

#include "imaging/proc/colors/row_colors.h"
#include "imaging/proc/row_progress.h"

namespace calmora {

namespace {

using TChannelHistograms = std::array<std::array<int64_t, 256>, 3>;  // blue, green, red
using TChannelMaps = std::array<std::array<uint8_t, 256>, 3>;

// The 8-bit level of channel c (0 blue, 1 green, 2 red) of pixel x: the byte of a pv24RGB
// pixel, the high byte of the pvRGB48 word (whose words are red, green, blue).
uint8_t LevelAt(const uint8_t* row, TPVPixelFormat format, int32_t x, int c) {
  if (format == pv24RGB) return row[3 * x + c];
  return static_cast<uint8_t>(ReadRowSample<uint16_t>(row, 3 * x + 2 - c) >> 8);
}

TChannelHistograms CountChannels(const TPVBitmap& bitmap) {
  TChannelHistograms hist{};
  const TPVPixelFormat format = bitmap.GetPixelFormat();
  for (int32_t y = 0; y < bitmap.GetHeight(); ++y)
    if (const uint8_t* row = bitmap.GetScanline(y))
      for (int32_t x = 0; x < bitmap.GetWidth(); ++x)
        for (int c = 0; c < 3; ++c) ++hist[c][LevelAt(row, format, x, c)];
  return hist;
}

// Equalisation by the target's own cumulative histogram, followed by the inverse of the
// reference's cumulative histogram (the nearest level, the first of equals).
std::array<uint8_t, 256> MatchingMap(const std::array<int64_t, 256>& target, int64_t targetPixels,
                                     const std::array<int64_t, 256>& reference,
                                     int64_t referencePixels) {
  std::array<double, 256> referenceShare{};
  const double referenceScale = 255.0 / static_cast<double>(referencePixels);
  int64_t cumulative = 0;
  for (int i = 0; i < 256; ++i) {
    cumulative += reference[i];
    referenceShare[i] = referenceScale * static_cast<double>(cumulative);
  }
  std::array<uint8_t, 256> inverse{};
  for (int i = 0; i < 256; ++i) {
    int best = 0;
    for (int j = 1; j < 256; ++j)
      if (std::abs(i - referenceShare[j]) < std::abs(i - referenceShare[best])) best = j;
    inverse[i] = static_cast<uint8_t>(best);
  }
  std::array<uint8_t, 256> map{};
  const double targetScale = 255.0 / static_cast<double>(targetPixels);
  cumulative = 0;
  for (int v = 0; v < 256; ++v) {
    cumulative += target[v];
    const auto equalised = static_cast<int32_t>(static_cast<double>(cumulative) * targetScale);
    map[v] = inverse[std::clamp(equalised, 0, 255)];
  }
  return map;
}

void ApplyMaps(TPVBitmap& target, const TChannelMaps& maps) {
  const TPVPixelFormat format = target.GetPixelFormat();
  for (int32_t y = 0; y < target.GetHeight(); ++y) {
    uint8_t* row = target.GetScanline(y);
    if (!row) continue;
    for (int32_t x = 0; x < target.GetWidth(); ++x)
      for (int c = 0; c < 3; ++c) {
        const uint8_t level = maps[c][LevelAt(row, format, x, c)];
        if (format == pv24RGB) {
          row[3 * x + c] = level;
        } else {
          const uint16_t word = static_cast<uint16_t>(level * 257);
          std::memcpy(row + 2 * (3 * static_cast<size_t>(x) + 2 - c), &word, 2);
        }
      }
  }
}

bool IsEmptyImage(const TPVBitmap& bitmap) {
  return bitmap.GetWidth() == 0 || bitmap.GetHeight() == 0;
}

}  // namespace

void MatchHistogram(const TPVBitmap& Reference, TPVBitmap& Target) {
  const TPVPixelFormat format = Target.GetPixelFormat();
  if (Reference.GetPixelFormat() != pv24RGB || IsEmptyImage(Reference) || IsEmptyImage(Target) ||
      (format != pv24RGB && format != pvRGB48))
    return;
  const TChannelHistograms reference = CountChannels(Reference);
  const TChannelHistograms target = CountChannels(Target);
  const int64_t referencePixels = int64_t{Reference.GetWidth()} * Reference.GetHeight();
  const int64_t targetPixels = int64_t{Target.GetWidth()} * Target.GetHeight();
  TChannelMaps maps{};
  for (int c = 0; c < 3; ++c)
    maps[c] = MatchingMap(target[c], targetPixels, reference[c], referencePixels);
  ApplyMaps(Target, maps);
}

void ReorderChannels(TPVBitmap& Bitmap, const std::string& Order, TObject* Sender,
                     const TPVProgressEvent& OnProgress) {
  if (Bitmap.GetPixelFormat() != pv24RGB || Order.size() != 3) return;
  int source[3];
  for (int k = 0; k < 3; ++k) {
    switch (std::toupper(static_cast<unsigned char>(Order[k]))) {
      case 'B': source[k] = 0; break;
      case 'G': source[k] = 1; break;
      case 'R': source[k] = 2; break;
      default: return;
    }
  }
  const int32_t width = Bitmap.GetWidth();
  const int32_t height = Bitmap.GetHeight();
  for (int32_t y = 0; y < height; ++y) {
    if (uint8_t* row = Bitmap.GetScanline(y))
      for (int32_t x = 0; x < width; ++x) {
        uint8_t* pixel = row + 3 * static_cast<size_t>(x);
        const uint8_t old[3] = {pixel[0], pixel[1], pixel[2]};
        for (int k = 0; k < 3; ++k) pixel[k] = old[source[k]];
      }
    ReportProgress(OnProgress, Sender, static_cast<int32_t>(static_cast<double>(y) / height * 100));
  }
}

}  // namespace calmora
