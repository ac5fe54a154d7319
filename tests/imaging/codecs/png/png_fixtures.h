// PNG files made at test time by pnmtopng and ImageMagick from pictures written here: every
// colour type and depth, with alpha and tRNS, each also Adam7-interlaced.
#pragma once

#include <string>
#include <vector>

#include "tests/imaging/codecs/png/png_test_support.h"

namespace calmora::test {

inline constexpr int32_t kFixtureWidth = 37;
inline constexpr int32_t kFixtureHeight = 23;

struct PngFixture {
  const char* Name;
  const char* Command;  // run in the folder; {I} the interlace option, the file goes to out.png
  const char* Interlace;
  const char* Kind;     // what pngcheck calls the colour type and depth
  bool Alpha;           // the reader gives an alpha channel
};

inline const std::vector<PngFixture>& PngFixtures() {
  static const std::vector<PngFixture> fixtures = {
      {"palette1", "pnmtopng {I} two.ppm", "-interlace", "1-bit palette", false},
      {"palette2", "pnmtopng {I} four.ppm", "-interlace", "2-bit palette", false},
      {"palette4", "pnmtopng {I} c16.ppm", "-interlace", "4-bit palette", false},
      {"palette8", "pnmtopng {I} c200.ppm", "-interlace", "8-bit palette", false},
      {"grey1", "pnmtopng {I} g2.pgm", "-interlace", "1-bit grayscale", false},
      {"grey2", "pnmtopng {I} g4.pgm", "-interlace", "2-bit grayscale", false},
      {"grey4",
       "/usr/bin/convert g4.pgm {I} -define png:bit-depth=4 -define png:color-type=0 png:-",
       "-interlace PNG", "4-bit grayscale", false},
      {"grey8", "pnmtopng {I} grey.pgm", "-interlace", "8-bit grayscale", false},
      {"grey16", "pnmtopng {I} grey16.pgm", "-interlace", "16-bit grayscale", false},
      {"grey_alpha8", "pnmtopng {I} -alpha=alpha.pgm grey.pgm", "-interlace",
       "16-bit grayscale+alpha", true},
      {"grey_alpha16", "pnmtopng {I} -alpha=alpha16.pgm grey16.pgm", "-interlace",
       "32-bit grayscale+alpha", true},
      {"rgb8", "pnmtopng {I} rgb.ppm", "-interlace", "24-bit RGB", false},
      {"rgb16", "pnmtopng {I} rgb16.ppm", "-interlace", "48-bit RGB", false},
      {"rgba8", "pnmtopng {I} -alpha=alpha.pgm rgb.ppm", "-interlace", "32-bit RGB+alpha",
       true},
      {"rgba16", "pnmtopng {I} -alpha=alpha16.pgm rgb16.ppm", "-interlace",
       "64-bit RGB+alpha", true},
      {"trns_palette1", "pnmtopng {I} -transparent=rgb:ff/00/00 two.ppm", "-interlace",
       "1-bit palette", false},
      {"trns_palette4", "pnmtopng {I} -transparent=black c16.ppm", "-interlace",
       "4-bit palette", true},
      {"trns_grey1", "pnmtopng {I} -transparent=black g2.pgm", "-interlace",
       "1-bit grayscale", false},
      {"trns_grey2", "pnmtopng {I} -transparent=black g4.pgm", "-interlace",
       "2-bit grayscale", true},
      {"trns_grey8", "pnmtopng {I} -transparent=black grey.pgm", "-interlace",
       "8-bit grayscale", true},
      {"trns_grey16", "pnmtopng {I} -transparent=black grey16.pgm", "-interlace",
       "16-bit grayscale", true},
      {"trns_rgb8", "pnmtopng {I} -transparent=black rgb.ppm", "-interlace", "24-bit RGB",
       true},
  };
  return fixtures;
}

// A PNM of 16-bit samples.
inline std::string Pnm16Bytes(int32_t width, int32_t height, int32_t channels, uint32_t seed) {
  std::string text = std::string(channels == 1 ? "P5\n" : "P6\n") + std::to_string(width) +
                     " " + std::to_string(height) + "\n65535\n";
  for (int32_t i = 0; i < width * height * channels; ++i) {
    seed = seed * 1103515245u + 12345u;
    const uint32_t v = (i % 7 == 0) ? 0 : (seed >> 8) & 0xFFFF;
    text += static_cast<char>(v >> 8);
    text += static_cast<char>(v & 0xFF);
  }
  return text;
}

// The pictures the commands start from, written into the folder.
inline void WriteFixtureInputs(const ScratchFolder& folder) {
  const int32_t w = kFixtureWidth;
  const int32_t h = kFixtureHeight;
  auto withBlack = [&](std::vector<uint8_t> samples, int32_t channels) {
    for (int32_t y = 0; y < h; y += 3) {
      for (int32_t x = 0; x < w; x += 5) {
        for (int32_t c = 0; c < channels; ++c) samples[(size_t(y) * w + x) * channels + c] = 0;
      }
    }
    return samples;
  };
  std::vector<uint8_t> two;
  for (int32_t i = 0; i < w * h; ++i) {
    if (i % 3) {
      two.insert(two.end(), {255, 0, 0});
    } else {
      two.insert(two.end(), {0, 0, 255});
    }
  }
  WriteFileBytes(folder.File("two.ppm"), PnmBytes(w, h, 3, two));
  WriteFileBytes(folder.File("four.ppm"), PnmBytes(w, h, 3, PictureSamples(w, h, 3, 4)));
  WriteFileBytes(folder.File("c16.ppm"), PnmBytes(w, h, 3, PictureSamples(w, h, 3, 12)));
  WriteFileBytes(folder.File("c200.ppm"),
                 PnmBytes(w, h, 3, withBlack(PictureSamples(w, h, 3, 40), 3)));
  WriteFileBytes(folder.File("g2.pgm"), PnmBytes(w, h, 1, PictureSamples(w, h, 1, 2)));
  WriteFileBytes(folder.File("g4.pgm"), PnmBytes(w, h, 1, PictureSamples(w, h, 1, 4)));
  WriteFileBytes(folder.File("grey.pgm"),
                 PnmBytes(w, h, 1, withBlack(PictureSamples(w, h, 1, 0), 1)));
  WriteFileBytes(folder.File("rgb.ppm"), PnmBytes(w, h, 3, withBlack(PictureSamples(w, h, 3, 0), 3)));
  WriteFileBytes(folder.File("alpha.pgm"), PnmBytes(w, h, 1, PictureSamples(w, h, 1, 0)));
  WriteFileBytes(folder.File("grey16.pgm"), Pnm16Bytes(w, h, 1, 7));
  WriteFileBytes(folder.File("rgb16.ppm"), Pnm16Bytes(w, h, 3, 11));
  WriteFileBytes(folder.File("alpha16.pgm"), Pnm16Bytes(w, h, 1, 13));
}

// The fixture's file, interlaced or not; empty when the tool failed.
inline std::string MakeFixture(const ScratchFolder& folder, const PngFixture& fixture,
                               bool interlaced) {
  std::string command = fixture.Command;
  const size_t at = command.find("{I}");
  command.replace(at, 3, interlaced ? fixture.Interlace : "");
  const std::string out = folder.File("out.png");
  if (RunTool("cd " + ShellQuoted(folder.Path()) + " && " + command + " > " + ShellQuoted(out),
              false)
          .Status != 0) {
    return {};
  }
  return ReadFileBytes(out);
}

}  // namespace calmora::test
