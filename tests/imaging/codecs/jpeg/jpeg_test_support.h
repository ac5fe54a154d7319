// What the JPEG codec tests share: test pictures written as PNM for cjpeg, PNM output of djpeg
// read back, and loads and saves through the codec on memory streams, with the bitmap held in
// memory or in a temporary file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "imaging/base/defs.h"
#include "imaging/base/streams/streams.h"
#include "imaging/codecs/jpeg/jpeg_codec.h"
#include "imaging/core/bitmap/bitmap.h"
#include "tests/support/outside_tool.h"
#include "tests/support/scoped_override.h"
#include "tests/support/scratch_folder.h"

namespace calmora::test {

// Samples of a PNM picture, rows top down, channels in file order (RGB or grey).
struct PnmPixels {
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t Channels = 0;
  std::vector<uint8_t> Samples;
};

// A P5 or P6 file with maximum 255; an empty picture when it is not one.
inline PnmPixels ParsePnm(const std::string& bytes) {
  PnmPixels pnm;
  if (bytes.size() < 2 || bytes[0] != 'P' || (bytes[1] != '5' && bytes[1] != '6')) return pnm;
  size_t at = 2;
  int32_t fields[3] = {0, 0, 0};
  for (int32_t& field : fields) {
    while (at < bytes.size() && std::isspace(static_cast<unsigned char>(bytes[at]))) ++at;
    while (at < bytes.size() && std::isdigit(static_cast<unsigned char>(bytes[at]))) {
      field = field * 10 + (bytes[at] - '0');
      ++at;
    }
  }
  ++at;  // the one white-space byte before the samples
  const int32_t channels = bytes[1] == '5' ? 1 : 3;
  const size_t count = size_t(fields[0]) * fields[1] * channels;
  if (fields[2] != 255 || at + count > bytes.size()) return pnm;
  pnm.Width = fields[0];
  pnm.Height = fields[1];
  pnm.Channels = channels;
  pnm.Samples.assign(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                     bytes.begin() + static_cast<std::ptrdiff_t>(at + count));
  return pnm;
}

inline std::string PnmBytes(const PnmPixels& pnm) {
  std::string text = std::string(pnm.Channels == 1 ? "P5\n" : "P6\n") +
                     std::to_string(pnm.Width) + " " + std::to_string(pnm.Height) + "\n255\n";
  text.append(pnm.Samples.begin(), pnm.Samples.end());
  return text;
}

// A picture with smooth areas, edges and fine detail, so every coding setting changes bytes.
inline PnmPixels TestPicture(int32_t width, int32_t height, int32_t channels = 3) {
  PnmPixels pnm{width, height, channels, {}};
  pnm.Samples.resize(size_t(width) * height * channels);
  uint32_t noise = 12345;
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      noise = noise * 1103515245u + 12345u;
      const int32_t grain = static_cast<int32_t>((noise >> 16) & 31);
      const int32_t values[3] = {(x * 255) / std::max(1, width - 1),
                                 ((x / 7 + y / 5) % 2) * 160 + grain,
                                 (y * 255) / std::max(1, height - 1)};
      for (int32_t c = 0; c < channels; ++c) {
        pnm.Samples[(size_t(y) * width + x) * channels + c] =
            static_cast<uint8_t>(std::min(255, values[c] + (channels == 1 ? grain : 0)));
      }
    }
  }
  return pnm;
}

// The bitmap's pixels as PNM samples: pv24RGB rows (blue, green, red) become red, green, blue.
inline PnmPixels BitmapPixels(const TPVBitmap& bitmap) {
  PnmPixels pnm;
  pnm.Width = bitmap.GetWidth();
  pnm.Height = bitmap.GetHeight();
  const TPVPixelFormat format = bitmap.GetPixelFormat();
  pnm.Channels = format == pv8g ? 1 : format == pvCMYK ? 4 : 3;
  for (int32_t y = 0; y < pnm.Height; ++y) {
    const uint8_t* row = bitmap.GetScanline(y);
    for (int32_t x = 0; x < pnm.Width; ++x) {
      if (pnm.Channels == 3) {
        for (int32_t c = 2; c >= 0; --c) pnm.Samples.push_back(row[x * 3 + c]);
      } else {
        for (int32_t c = 0; c < pnm.Channels; ++c)
          pnm.Samples.push_back(row[x * pnm.Channels + c]);
      }
    }
  }
  return pnm;
}

// A bitmap of pv24RGB holding the picture.
inline void FillBitmap(TPVBitmap& bitmap, const PnmPixels& pnm) {
  bitmap.Allocate(pnm.Width, pnm.Height, pv24RGB);
  for (int32_t y = 0; y < pnm.Height; ++y) {
    uint8_t* row = bitmap.GetScanline(y);
    for (int32_t x = 0; x < pnm.Width; ++x) {
      for (int32_t c = 0; c < 3; ++c) {
        const size_t at = (size_t(y) * pnm.Width + x) * pnm.Channels;
        row[x * 3 + 2 - c] = pnm.Samples[at + (pnm.Channels == 1 ? 0 : c)];
      }
    }
  }
}

// Where a test's bitmaps keep their pixels.
enum class Storage { Memory, TemporaryFile };

inline ScopedOverride<int64_t> UseStorage(Storage storage) {
  return ScopedOverride<int64_t>(BitmapFileThreshold,
                                 storage == Storage::Memory ? int64_t{1} << 40 : 0);
}

// The outcome of one read.
struct ReadOutcome {
  int32_t Rows = 0;
  bool Aborting = false;
};

// ReadJPEGStream as the I/O component's loads call it, on the bytes from Start.
inline ReadOutcome ReadBytes(const std::string& bytes, TPVBitmap& bitmap, TIOParamsVals& params,
                             bool paramsOnly = false, int32_t maxRows = -1, int64_t start = 0,
                             bool invertCMYK = false) {
  TPVMemStream stream(bytes.data(), static_cast<int64_t>(bytes.size()));
  stream.SetPosition(start);
  bool aborting = false;
  TPVProgressRecord progress;
  progress.Aborting = &aborting;
  ReadOutcome outcome;
  outcome.Rows = ReadJPEGStream(&stream, nullptr, bitmap, params, progress, paramsOnly, false,
                                true, invertCMYK, true, true, maxRows, params.NativePixelFormat);
  outcome.Aborting = aborting;
  return outcome;
}

// WriteJPEGStream into memory; empty when the writer aborted.
inline std::string WriteBytes(TPVBitmap& bitmap, TIOParamsVals& params) {
  TMemoryStream stream;
  bool aborting = false;
  TPVProgressRecord progress;
  progress.Aborting = &aborting;
  WriteJPEGStream(&stream, bitmap, params, progress);
  if (aborting) return {};
  return std::string(static_cast<const char*>(stream.GetMemory()),
                     static_cast<size_t>(stream.GetSize()));
}

// A JPEG made by cjpeg from the picture with the given options; empty when cjpeg fails.
inline std::string Cjpeg(const ScratchFolder& folder, const PnmPixels& pnm,
                         const std::string& options) {
  const std::string input = folder.File("input.pnm");
  const std::string output = folder.File("cjpeg.jpg");
  WriteFileBytes(input, PnmBytes(pnm));
  if (RunTool("cjpeg " + options + " -outfile " + ShellQuoted(output) + " " + ShellQuoted(input))
          .Status != 0) {
    return {};
  }
  return ReadFileBytes(output);
}

// djpeg's PNM output of the JPEG with the given options; an empty picture when it fails.
inline PnmPixels Djpeg(const ScratchFolder& folder, const std::string& jpeg,
                       const std::string& options) {
  const std::string input = folder.File("djpeg.jpg");
  const std::string output = folder.File("djpeg.pnm");
  WriteFileBytes(input, jpeg);
  if (RunTool("djpeg -pnm " + options + " -outfile " + ShellQuoted(output) + " " +
              ShellQuoted(input))
          .Status != 0) {
    return {};
  }
  return ParsePnm(ReadFileBytes(output));
}

}  // namespace calmora::test
