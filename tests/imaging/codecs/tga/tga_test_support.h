// What the Targa tests share: reads and writes through the codec on memory streams, a builder
// of small files in layouts the reference tools do not write, and reference decodes.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "imaging/base/defs.h"
#include "imaging/base/streams/streams.h"
#include "imaging/codecs/tga/tga_codec.h"
#include "imaging/core/bitmap/bitmap.h"
#include "imaging/params/io_params.h"
#include "tests/imaging/support/pnm.h"
#include "tests/support/outside_tool.h"
#include "tests/support/scoped_override.h"
#include "tests/support/scratch_folder.h"

namespace calmora::test {

inline ScopedOverride<int64_t> UseTgaStorage(bool inFile) {
  return ScopedOverride<int64_t>(BitmapFileThreshold, inFile ? 0 : int64_t{1} << 40);
}

struct TgaRead {
  bool Aborting = false;
  std::unique_ptr<TPVMask> Mask;
};

inline TgaRead ReadTGABytes(const std::string& bytes, TPVBitmap& bitmap, TIOParamsVals& params,
                            bool paramsOnly = false, bool ignoreAlpha = false) {
  TPVMemStream stream(bytes.data(), static_cast<int64_t>(bytes.size()));
  bool aborting = false;
  TPVProgressRecord progress;
  progress.Aborting = &aborting;
  TgaRead read;
  ReadTGAStream(&stream, bitmap, params, progress, paramsOnly, read.Mask, ignoreAlpha);
  read.Aborting = aborting;
  return read;
}

inline std::string WriteTGABytes(TPVBitmap& bitmap, TIOParamsVals& params,
                                 const TPVMask* mask = nullptr, bool* abortingOut = nullptr) {
  TMemoryStream stream;
  bool aborting = false;
  TPVProgressRecord progress;
  progress.Aborting = &aborting;
  WriteTGAStream(&stream, bitmap, params, progress, mask);
  if (abortingOut) *abortingOut = aborting;
  return std::string(static_cast<const char*>(stream.GetMemory()),
                     static_cast<size_t>(stream.GetSize()));
}

// The tool's PNM output for a file (command, quoted path with prefix, what follows).
inline bool TgaReference(const std::string& command, const std::string& path, TPVBitmap& bitmap,
                         const std::string& prefix = "", const std::string& after = "") {
  ScratchFolder folder("calmora-tga-ref");
  const ToolResult result = RunTool(command + " " + ShellQuoted(prefix + path) + after + " > " +
                                        ShellQuoted(folder.File("out.pnm")) + " 2>/dev/null",
                                    false);
  if (result.Status != 0) return false;
  return LoadPNM(folder.File("out.pnm"), bitmap);
}

// Colour of every pixel equal; FiveBits compares through 5-bit samples read as value x 8 (the
// tools scale them to 0..255).
inline void ExpectSameTgaPixels(const TPVBitmap& actual, const TPVBitmap& expected,
                                const std::string& what, bool fiveBits = false) {
  ASSERT_EQ(actual.GetWidth(), expected.GetWidth()) << what;
  ASSERT_EQ(actual.GetHeight(), expected.GetHeight()) << what;
  auto map = [&](uint8_t v) {
    return fiveBits ? static_cast<uint8_t>(((v * 31 + 127) / 255) * 8) : v;
  };
  for (int32_t y = 0; y < actual.GetHeight(); ++y) {
    for (int32_t x = 0; x < actual.GetWidth(); ++x) {
      const TPVRGB a = actual.GetPixelAsRGB(x, y);
      TPVRGB e = expected.GetPixelAsRGB(x, y);
      e = TPVRGB{map(e.b), map(e.g), map(e.r)};
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
