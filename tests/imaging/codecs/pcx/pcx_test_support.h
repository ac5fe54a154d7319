// What the PCX and DCX tests share: test pictures as PPM files for the reference tools, reads
// and writes through the codec on memory streams, and pixel comparison with a reference
// tool's PPM output.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "imaging/base/defs.h"
#include "imaging/base/streams/streams.h"
#include "imaging/codecs/pcx/pcx_codec.h"
#include "imaging/core/bitmap/bitmap.h"
#include "imaging/params/io_params.h"
#include "tests/imaging/support/pnm.h"
#include "tests/support/outside_tool.h"
#include "tests/support/scoped_override.h"
#include "tests/support/scratch_folder.h"

namespace calmora::test {

// Where a test's bitmaps keep their pixels.
enum class PcxStorage { Memory, TemporaryFile };

inline ScopedOverride<int64_t> UsePcxStorage(PcxStorage storage) {
  return ScopedOverride<int64_t>(BitmapFileThreshold,
                                 storage == PcxStorage::Memory ? int64_t{1} << 40 : 0);
}

// A width x height P6 picture of at most Colors colours (Colors >= 2), each pixel a colour
// picked by a pattern with edges and noise, so runs and literals both occur.
inline std::string PicturePPM(int32_t width, int32_t height, int32_t colors) {
  std::vector<uint8_t> table;
  uint32_t noise = 2024;
  for (int32_t i = 0; i < colors; ++i) {
    for (int32_t c = 0; c < 3; ++c) {
      noise = noise * 1103515245u + 12345u;
      table.push_back(static_cast<uint8_t>(noise >> 16));
    }
  }
  if (colors == 2) table = {0, 0, 0, 255, 255, 255};
  std::string ppm = "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      // Runs: a band of equal pixels, then a stretch that changes at every pixel.
      const int32_t pick = x < width / 3 ? (y / 3) % colors : (x * 3 + y * 7 + (x * y) % 5) % colors;
      for (int32_t c = 0; c < 3; ++c) ppm.push_back(static_cast<char>(table[pick * 3 + c]));
    }
  }
  return ppm;
}

struct PcxReadOutcome {
  bool Aborting = false;
};

inline PcxReadOutcome ReadPCXBytes(const std::string& bytes, TPVBitmap& bitmap,
                                   TIOParamsVals& params, bool paramsOnly = false) {
  TPVMemStream stream(bytes.data(), static_cast<int64_t>(bytes.size()));
  bool aborting = false;
  TPVProgressRecord progress;
  progress.Aborting = &aborting;
  ReadPCXStream(&stream, bitmap, params, static_cast<int64_t>(bytes.size()), progress,
                paramsOnly);
  return {aborting};
}

// WritePCXStream into memory; empty when the writer aborted.
inline std::string WritePCXBytes(TPVBitmap& bitmap, TIOParamsVals& params) {
  TMemoryStream stream;
  bool aborting = false;
  TPVProgressRecord progress;
  progress.Aborting = &aborting;
  WritePCXStream(&stream, bitmap, params, progress);
  if (aborting) return {};
  return std::string(static_cast<const char*>(stream.GetMemory()),
                     static_cast<size_t>(stream.GetSize()));
}

// The file's pixels as a reference tool decodes them to PPM on its standard output: the
// command, then the path (with a format prefix, as ImageMagick wants one), then what follows.
inline bool ReferenceDecode(const std::string& command, const std::string& path,
                            TPVBitmap& bitmap, const std::string& prefix = "",
                            const std::string& after = "") {
  ScratchFolder folder("calmora-pcx-ref");
  const ToolResult result = RunTool(command + " " + ShellQuoted(prefix + path) + after + " > " +
                                        ShellQuoted(folder.File("out.ppm")) + " 2>/dev/null",
                                    false);
  if (result.Status != 0) return false;
  return LoadPNM(folder.File("out.ppm"), bitmap);
}

// Every pixel's colour in both bitmaps, whatever their formats; the first difference fails.
inline void ExpectSamePixels(const TPVBitmap& actual, const TPVBitmap& expected,
                             const std::string& what) {
  ASSERT_EQ(actual.GetWidth(), expected.GetWidth()) << what;
  ASSERT_EQ(actual.GetHeight(), expected.GetHeight()) << what;
  for (int32_t y = 0; y < actual.GetHeight(); ++y) {
    for (int32_t x = 0; x < actual.GetWidth(); ++x) {
      const TPVRGB a = actual.GetPixelAsRGB(x, y);
      const TPVRGB e = expected.GetPixelAsRGB(x, y);
      if (!(a == e)) {
        ADD_FAILURE() << what << " at " << x << "," << y << ": " << int(a.r) << " " << int(a.g)
                      << " " << int(a.b) << " against " << int(e.r) << " " << int(e.g) << " "
                      << int(e.b);
        return;
      }
    }
  }
}

}  // namespace calmora::test
