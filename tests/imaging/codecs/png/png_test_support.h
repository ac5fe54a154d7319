// What the PNG codec tests share: PNM files of any depth read as 8-bit samples the way the
// reader delivers them, test pictures, and reads and writes through the codec on memory
// streams with the bitmap held in memory or in a temporary file.
#pragma once

#include <cctype>
#include <cstdint>
#include <string>
#include <vector>

#include "imaging/base/defs.h"
#include "imaging/base/streams/streams.h"
#include "imaging/codecs/png/png_codec.h"
#include "imaging/core/bitmap/bitmap.h"
#include "tests/support/outside_tool.h"
#include "tests/support/scoped_override.h"
#include "tests/support/scratch_folder.h"

namespace calmora::test {

// Samples of a PNM picture, rows top down, channels in file order (RGB or grey); Raw keeps the
// file's values, Samples the 8-bit ones (16-bit values >> 8 as libpng truncates, smaller
// maxima scaled to 255).
struct PnmPixels {
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t Channels = 0;
  int32_t MaxVal = 0;
  std::vector<uint32_t> Raw;
  std::vector<uint8_t> Samples;
};

inline PnmPixels ParsePnm(const std::string& bytes) {
  PnmPixels pnm;
  if (bytes.size() < 2 || bytes[0] != 'P' ||
      (bytes[1] != '4' && bytes[1] != '5' && bytes[1] != '6')) {
    return pnm;
  }
  if (bytes[1] == '4') {
    // A bitmap: set bits are black.
    size_t at = 2;
    int64_t size[2] = {0, 0};
    for (int64_t& field : size) {
      while (at < bytes.size() && std::isspace(static_cast<unsigned char>(bytes[at]))) ++at;
      while (at < bytes.size() && std::isdigit(static_cast<unsigned char>(bytes[at]))) {
        field = field * 10 + (bytes[at] - '0');
        ++at;
      }
    }
    ++at;
    const size_t rowBytes = (size_t(size[0]) + 7) / 8;
    if (at + rowBytes * size_t(size[1]) > bytes.size()) return pnm;
    pnm.Width = static_cast<int32_t>(size[0]);
    pnm.Height = static_cast<int32_t>(size[1]);
    pnm.Channels = 1;
    pnm.MaxVal = 1;
    for (int64_t y = 0; y < size[1]; ++y) {
      for (int64_t x = 0; x < size[0]; ++x) {
        const bool black = (static_cast<uint8_t>(bytes[at + y * rowBytes + x / 8]) >> (7 - x % 8)) & 1;
        pnm.Raw.push_back(black ? 0 : 1);
        pnm.Samples.push_back(black ? 0 : 255);
      }
    }
    return pnm;
  }
  size_t at = 2;
  int64_t fields[3] = {0, 0, 0};
  for (int64_t& field : fields) {
    while (at < bytes.size() && std::isspace(static_cast<unsigned char>(bytes[at]))) ++at;
    while (at < bytes.size() && std::isdigit(static_cast<unsigned char>(bytes[at]))) {
      field = field * 10 + (bytes[at] - '0');
      ++at;
    }
  }
  ++at;
  const int32_t channels = bytes[1] == '5' ? 1 : 3;
  const int64_t maxVal = fields[2];
  if (maxVal < 1 || maxVal > 65535) return pnm;
  const size_t width = maxVal > 255 ? 2 : 1;
  const size_t count = size_t(fields[0]) * size_t(fields[1]) * channels;
  if (at + count * width > bytes.size()) return pnm;
  pnm.Width = static_cast<int32_t>(fields[0]);
  pnm.Height = static_cast<int32_t>(fields[1]);
  pnm.Channels = channels;
  pnm.MaxVal = static_cast<int32_t>(maxVal);
  for (size_t i = 0; i < count; ++i) {
    uint32_t v = static_cast<uint8_t>(bytes[at + i * width]);
    if (width == 2) v = v << 8 | static_cast<uint8_t>(bytes[at + i * 2 + 1]);
    pnm.Raw.push_back(v);
    pnm.Samples.push_back(static_cast<uint8_t>(
        maxVal == 65535 ? v >> 8 : maxVal == 255 ? v : (v * 255 + maxVal / 2) / maxVal));
  }
  return pnm;
}

inline std::string PnmBytes(int32_t width, int32_t height, int32_t channels,
                            const std::vector<uint8_t>& samples) {
  std::string text = std::string(channels == 1 ? "P5\n" : "P6\n") + std::to_string(width) +
                     " " + std::to_string(height) + "\n255\n";
  text.append(samples.begin(), samples.end());
  return text;
}

// A picture of Colors distinct colours at most (0: smooth and many), or grey levels.
inline std::vector<uint8_t> PictureSamples(int32_t width, int32_t height, int32_t channels,
                                           int32_t colors) {
  std::vector<uint8_t> samples;
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      for (int32_t c = 0; c < channels; ++c) {
        int32_t v = (x * 255 / std::max(1, width - 1) + c * 97 + y * 5) % 256;
        if (colors > 0) v = ((x / 3 + y / 2 + c) % colors) * 255 / std::max(1, colors - 1);
        samples.push_back(static_cast<uint8_t>(v));
      }
    }
  }
  return samples;
}

// The bitmap's pixels as red, green, blue triples (any format, through GetPixelAsRGB).
inline std::vector<uint8_t> BitmapRGB(const TPVBitmap& bitmap) {
  std::vector<uint8_t> rgb;
  for (int32_t y = 0; y < bitmap.GetHeight(); ++y) {
    for (int32_t x = 0; x < bitmap.GetWidth(); ++x) {
      const TPVRGB c = bitmap.GetPixelAsRGB(x, y);
      rgb.insert(rgb.end(), {c.r, c.g, c.b});
    }
  }
  return rgb;
}

// The PNM's 8-bit samples as red, green, blue triples (grey repeated).
inline std::vector<uint8_t> PnmRGB(const PnmPixels& pnm) {
  if (pnm.Channels == 3) return pnm.Samples;
  std::vector<uint8_t> rgb;
  for (uint8_t v : pnm.Samples) rgb.insert(rgb.end(), {v, v, v});
  return rgb;
}

// Where a test's bitmaps keep their pixels.
enum class Storage { Memory, TemporaryFile };

inline ScopedOverride<int64_t> UseStorage(Storage storage) {
  return ScopedOverride<int64_t>(BitmapFileThreshold,
                                 storage == Storage::Memory ? int64_t{1} << 40 : 0);
}

// ReadPNGStream on the bytes; the abort flag afterwards.
inline bool ReadPng(const std::string& bytes, TPVBitmap& bitmap, TIOParamsVals& params,
                    bool paramsOnly = false) {
  TPVMemStream stream(bytes.data(), static_cast<int64_t>(bytes.size()));
  bool aborting = false;
  TPVProgressRecord progress;
  progress.Aborting = &aborting;
  ReadPNGStream(&stream, bitmap, params, progress, paramsOnly);
  return aborting;
}

// WritePNGStream into memory; empty when the writer aborted.
inline std::string WritePng(TPVBitmap& bitmap, TIOParamsVals& params,
                            const TPVMask* mask = nullptr) {
  TMemoryStream stream;
  bool aborting = false;
  TPVProgressRecord progress;
  progress.Aborting = &aborting;
  WritePNGStream(&stream, bitmap, params, progress, mask);
  if (aborting) return {};
  return std::string(static_cast<const char*>(stream.GetMemory()),
                     static_cast<size_t>(stream.GetSize()));
}

// pngtopnm's output for the file (with options such as -alpha); empty when it fails.
inline PnmPixels PngToPnm(const ScratchFolder& folder, const std::string& png,
                          const std::string& options = "") {
  const std::string input = folder.File("pngtopnm-in.png");
  const std::string output = folder.File("pngtopnm-out.pnm");
  WriteFileBytes(input, png);
  if (RunTool("pngtopnm " + options + " " + ShellQuoted(input) + " > " + ShellQuoted(output),
              false)
          .Status != 0) {
    return {};
  }
  return ParsePnm(ReadFileBytes(output));
}

}  // namespace calmora::test
