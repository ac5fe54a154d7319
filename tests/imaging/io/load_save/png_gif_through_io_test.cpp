// PNG and GIF through the I/O component with the real codecs: the PNG background taken on load
// and written on save, animated GIF frames composed as ImageMagick coalesces them, and alpha
// carried into and out of both formats, each checked against ImageMagick or the file's bytes.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "imaging/base/color_helpers.h"
#include "imaging/core/bitmap/bitmap.h"
#include "imaging/core/bitmap/bitmap_pixels.h"
#include "imaging/io/io_unit.h"
#include "imaging/io/pictavo_io.h"
#include "imaging/params/io_params.h"
#include "tests/imaging/support/pnm.h"
#include "tests/support/outside_tool.h"
#include "tests/support/qt_test_app.h"
#include "tests/support/scratch_folder.h"

namespace calmora::test {
namespace {

std::u16string Wide(const std::string& text) { return {text.begin(), text.end()}; }

std::vector<uint8_t> FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

uint32_t BigEndian32(const std::vector<uint8_t>& bytes, size_t at) {
  return uint32_t{bytes[at]} << 24 | uint32_t{bytes[at + 1]} << 16 | uint32_t{bytes[at + 2]} << 8 |
         bytes[at + 3];
}

// The data of the first PNG chunk of the given type; found false when there is none.
std::vector<uint8_t> PNGChunk(const std::vector<uint8_t>& bytes, const std::string& type,
                              bool& found) {
  found = false;
  size_t at = 8;
  while (at + 12 <= bytes.size()) {
    const uint32_t length = BigEndian32(bytes, at);
    const std::string name(bytes.begin() + static_cast<std::ptrdiff_t>(at + 4),
                           bytes.begin() + static_cast<std::ptrdiff_t>(at + 8));
    if (at + 12 + length > bytes.size()) break;
    if (name == type) {
      found = true;
      const auto begin = bytes.begin() + static_cast<std::ptrdiff_t>(at + 8);
      return {begin, begin + length};
    }
    at += 12 + length;
  }
  return {};
}

// A small RGB PNG written byte by byte by Python's zlib, with a bKGD chunk only when asked.
void WriteSmallPNG(const std::string& folder, const std::string& path, bool withBackground,
                   int r, int g, int b) {
  const std::string script = folder + "/make_png.py";
  std::ofstream(script) << "import sys, zlib, struct\n"
                           "def chunk(t, d):\n"
                           "    return struct.pack('>I', len(d)) + t + d + "
                           "struct.pack('>I', zlib.crc32(t + d) & 0xffffffff)\n"
                           "w, h = 5, 3\n"
                           "rows = b''.join(b'\\x00' + b''.join(bytes([40 * x, 90 * y, 200]) "
                           "for x in range(w)) for y in range(h))\n"
                           "png = b'\\x89PNG\\r\\n\\x1a\\n'\n"
                           "png += chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 2, 0, 0, 0))\n"
                           "if sys.argv[2] == 'yes':\n"
                           "    png += chunk(b'bKGD', struct.pack('>HHH', *map(int, "
                           "sys.argv[3:6])))\n"
                           "png += chunk(b'IDAT', zlib.compress(rows))\n"
                           "png += chunk(b'IEND', b'')\n"
                           "open(sys.argv[1], 'wb').write(png)\n";
  const std::string command = "/usr/bin/python3 " + ShellQuoted(script) + " " + ShellQuoted(path) +
                              (withBackground ? " yes " : " no ") + std::to_string(r) + " " +
                              std::to_string(g) + " " + std::to_string(b);
  const ToolResult made = RunTool(command);
  ASSERT_EQ(made.Status, 0) << made.Output;
}

// The I/O unit's set-up builds the registry and installs the LZW coders, as at start-up.
class PNGAndGIFThroughIO : public ::testing::Test {
 protected:
  void SetUp() override { InitIOUnit(); }
  void TearDown() override { FinalizeIOUnit(); }

  // Runs ImageMagick's own convert (not a wrapper that flattens alpha).
  static void Convert(const std::string& arguments) {
    const ToolResult result = RunTool("/usr/bin/convert " + arguments);
    ASSERT_EQ(result.Status, 0) << arguments << "\n" << result.Output;
  }

  ScratchFolder folder_{"calmora-png-gif-io"};
};

// ---- The PNG background ----

struct BackgroundLoadCase {
  const char* name;
  bool fileHasBackground;
  TPVRGB fileBackground;
  TColor heldBefore;  // the component's background before the load
  TColor expected;    // after it: the file's when it has one, else the one held
};

const BackgroundLoadCase kBackgroundLoads[] = {
    {"FileBackgroundTaken", true, MakeRGB(12, 200, 77), 0x00FFFFFF, 0x004DC80C},
    {"BlackFileBackgroundTaken", true, MakeRGB(0, 0, 0), 0x00336699, 0x00000000},
    {"NoChunkKeepsTheHeldBackground", false, MakeRGB(0, 0, 0), 0x00336699, 0x00336699},
};

TEST_F(PNGAndGIFThroughIO, LoadTakesTheFileBackgroundOrKeepsTheHeldOne) {
  CALMORA_REQUIRE_TOOL("python3");
  for (const BackgroundLoadCase& c : kBackgroundLoads) {
    SCOPED_TRACE(c.name);
    const std::string path = folder_.Path() + "/" + c.name + ".png";
    WriteSmallPNG(folder_.Path(), path, c.fileHasBackground, c.fileBackground.r,
                  c.fileBackground.g, c.fileBackground.b);
    TPVBitmap loaded;
    TPictavoIO io(nullptr);
    io.SetAttachedBitmap(&loaded);
    io.SetBackground(c.heldBefore);
    io.LoadFromFile(Wide(path));
    ASSERT_FALSE(io.Aborting);
    ASSERT_EQ(loaded.GetWidth(), 5);
    EXPECT_EQ(loaded.GetPixel24(3, 2).r, 120);
    EXPECT_EQ(loaded.GetPixel24(3, 2).g, 180);
    EXPECT_EQ(io.GetBackground(), c.expected);
    const TPVRGB record = io.Params->PNG_Background;
    EXPECT_EQ(record.r, c.expected & 0xFF);
    EXPECT_EQ(record.g, (c.expected >> 8) & 0xFF);
    EXPECT_EQ(record.b, (c.expected >> 16) & 0xFF);
  }
}

// A save writes the record's background as the file's bKGD chunk, read back by our chunk walk
// and by ImageMagick.
TEST_F(PNGAndGIFThroughIO, SaveWritesTheRecordsBackground) {
  CALMORA_REQUIRE_TOOL("pngcheck");
  const TPVRGB backgrounds[] = {MakeRGB(250, 3, 128), MakeRGB(0, 0, 0), MakeRGB(17, 34, 51)};
  for (const TPVRGB& background : backgrounds) {
    TPVBitmap picture;
    ASSERT_TRUE(picture.Allocate(7, 4, pv24RGB));
    for (int32_t y = 0; y < 4; ++y)
      for (int32_t x = 0; x < 7; ++x)
        picture.SetPixel24(
            x, y, MakeRGB(static_cast<uint8_t>(30 * x), static_cast<uint8_t>(60 * y), 9));
    const std::string path = folder_.Path() + "/background.png";
    TPictavoIO io(nullptr);
    io.SetAttachedBitmap(&picture);
    io.Params->PNG_Background = background;
    io.SaveToFile(Wide(path));
    ASSERT_FALSE(io.Aborting);
    bool found = false;
    const std::vector<uint8_t> bytes = FileBytes(path);
    const std::vector<uint8_t> header = PNGChunk(bytes, "IHDR", found);
    ASSERT_TRUE(found);
    ASSERT_EQ(header.size(), 13u);
    ASSERT_EQ(header[9], 2) << "an opaque RGB picture is written as RGB";
    const std::vector<uint8_t> bkgd = PNGChunk(bytes, "bKGD", found);
    ASSERT_TRUE(found);
    ASSERT_EQ(bkgd.size(), 6u);
    EXPECT_EQ(bkgd[0] << 8 | bkgd[1], background.r);
    EXPECT_EQ(bkgd[2] << 8 | bkgd[3], background.g);
    EXPECT_EQ(bkgd[4] << 8 | bkgd[5], background.b);
    const ToolResult checked = RunTool("pngcheck -v " + ShellQuoted(path));
    EXPECT_EQ(checked.Status, 0) << checked.Output;
    char expected[64];
    std::snprintf(expected, sizeof expected, "red = 0x%04x, green = 0x%04x, blue = 0x%04x",
                  background.r, background.g, background.b);
    EXPECT_NE(checked.Output.find(expected), std::string::npos) << checked.Output;

    // Loading the written file gives the same background back to the component.
    TPVBitmap loaded;
    TPictavoIO reader(nullptr);
    reader.SetAttachedBitmap(&loaded);
    reader.LoadFromFile(Wide(path));
    ASSERT_FALSE(reader.Aborting);
    EXPECT_EQ(reader.GetBackground(),
              static_cast<TColor>(background.r | background.g << 8 | background.b << 16));
  }
}

// ---- GIF frames composed ----

struct DisposalCase {
  const char* name;
  const char* disposals[3];  // ImageMagick's names, for frames 0, 1 and 2
};

// The component restores an area to the background (disposal 2) or leaves it (1); it keeps no
// copy of an earlier canvas, so "restore to previous" is not among these.
const DisposalCase kDisposals[] = {
    {"AllKept", {"None", "None", "None"}},
    {"FirstRestored", {"Background", "None", "None"}},
    {"SecondRestored", {"None", "Background", "None"}},
    {"AllRestored", {"Background", "Background", "Background"}},
};

// One frame of the animation: its place and size, its colour and the part of it that is
// opaque (frame coordinates); the rest is the transparent index.
struct FrameShape {
  int32_t x, y, width, height;
  TPVRGB colour;
  int32_t opaqueLeft, opaqueTop, opaqueRight, opaqueBottom;
};

// Frames of different sizes and places, two with transparent pixels: frame 0 covers the
// screen but its left four columns; frame 1 is green at (3,4) with its right two columns
// transparent; frame 2 is an opaque blue block at (10,8).
const FrameShape kFrames[3] = {
    {0, 0, 20, 16, MakeRGB(255, 0, 0), 4, 0, 19, 15},
    {3, 4, 8, 6, MakeRGB(0, 255, 0), 0, 0, 5, 5},
    {10, 8, 6, 5, MakeRGB(0, 0, 255), 0, 0, 5, 4},
};

std::string ColourName(TPVRGB c) {
  char name[16];
  std::snprintf(name, sizeof name, "'#%02x%02x%02x'", c.r, c.g, c.b);
  return name;
}

std::string AnimationArguments(const DisposalCase& c, const std::string& path) {
  std::string arguments;
  for (int i = 0; i < 3; ++i) {
    const FrameShape& f = kFrames[i];
    arguments += "\\( -size " + std::to_string(f.width) + "x" + std::to_string(f.height) +
                 " xc:none -fill " + ColourName(f.colour) + " -draw 'rectangle " +
                 std::to_string(f.opaqueLeft) + "," + std::to_string(f.opaqueTop) + " " +
                 std::to_string(f.opaqueRight) + "," + std::to_string(f.opaqueBottom) +
                 "' -repage 20x16+" + std::to_string(f.x) + "+" + std::to_string(f.y) +
                 " -set dispose " + c.disposals[i] + " -set delay 10 \\) ";
  }
  return arguments + "-loop 0 " + ShellQuoted(path);
}

// The component's composition as a model: a canvas of the logical screen in the file's
// background colour, clear; a frame whose predecessor asked for the background has that
// predecessor's rectangle refilled and cleared first; a frame without transparent pixels is
// copied, while each opaque pixel of a frame with some moves the canvas colour d toward its
// own v by floor((v - d) x 255 / 256) (the renderer's alpha blend, which stops one level short
// when rising); the canvas becomes opaque under the frame's opaque pixels.
void ComposeModel(const DisposalCase& c, int32_t target, TPVRGB background, TPVBitmap& canvas) {
  ASSERT_TRUE(canvas.Allocate(20, 16, pv24RGB));
  TPVBitmap* alpha = canvas.GetAlphaChannel();
  const auto clear = [&](int32_t left, int32_t top, int32_t width, int32_t height) {
    for (int32_t y = top; y < top + height; ++y) {
      for (int32_t x = left; x < left + width; ++x) {
        canvas.SetPixel24(x, y, background);
        alpha->SetPixel8(x, y, 0);
      }
    }
  };
  clear(0, 0, 20, 16);
  const auto toward = [](int d, int v) {
    const int step = (v - d) * 255;
    return static_cast<uint8_t>(d + (step >= 0 ? step / 256 : -((-step + 255) / 256)));
  };
  for (int32_t i = 0; i <= target; ++i) {
    if (i > 0 && std::string(c.disposals[i - 1]) == "Background") {
      const FrameShape& p = kFrames[i - 1];
      clear(p.x, p.y, p.width, p.height);
    }
    const FrameShape& f = kFrames[i];
    const bool blended = f.opaqueLeft > 0 || f.opaqueTop > 0 || f.opaqueRight < f.width - 1 ||
                         f.opaqueBottom < f.height - 1;
    for (int32_t y = f.opaqueTop; y <= f.opaqueBottom; ++y) {
      for (int32_t x = f.opaqueLeft; x <= f.opaqueRight; ++x) {
        const TPVRGB d = canvas.GetPixel24(f.x + x, f.y + y);
        canvas.SetPixel24(f.x + x, f.y + y,
                          blended ? MakeRGB(toward(d.r, f.colour.r), toward(d.g, f.colour.g),
                                            toward(d.b, f.colour.b))
                                  : f.colour);
        alpha->SetPixel8(f.x + x, f.y + y, 255);
      }
    }
  }
}

// The logical screen's background colour, read from the file's own bytes.
TPVRGB ScreenBackground(const std::vector<uint8_t>& gif) {
  if (gif.size() < 13 || (gif[10] & 0x80) == 0) return MakeRGB(0, 0, 0);
  const size_t at = 13 + 3 * size_t{gif[11]};
  if (at + 3 > gif.size()) return MakeRGB(0, 0, 0);
  return MakeRGB(gif[at], gif[at + 1], gif[at + 2]);
}

// Each frame index loaded through the component equals the model exactly; the model's alpha
// equals ImageMagick's coalesced frame exactly and its colours equal ImageMagick's wherever
// opaque, within the one level the renderer's blend leaves when rising.
TEST_F(PNGAndGIFThroughIO, GIFFramesComposeAsModelledAndAsImageMagickCoalescesThem) {
  CALMORA_REQUIRE_TOOL("convert");
  for (const DisposalCase& c : kDisposals) {
    SCOPED_TRACE(c.name);
    const std::string gif = folder_.Path() + "/" + c.name + ".gif";
    Convert(AnimationArguments(c, gif));
    const std::string frames = folder_.Path() + "/" + c.name + "_%d.pam";
    Convert(ShellQuoted(gif) + " -coalesce -depth 8 " + ShellQuoted(frames));
    const TPVRGB background = ScreenBackground(FileBytes(gif));
    for (int32_t index = 0; index < 3; ++index) {
      SCOPED_TRACE("frame " + std::to_string(index));
      TPVBitmap reference;
      std::string error;
      ASSERT_TRUE(LoadPNM(folder_.Path() + "/" + c.name + "_" + std::to_string(index) + ".pam",
                          reference, &error))
          << error;
      ASSERT_EQ(reference.GetWidth(), 20);
      ASSERT_EQ(reference.GetHeight(), 16);
      ASSERT_TRUE(reference.HasAlphaChannel());
      TPVBitmap* referenceAlpha = reference.GetAlphaChannel();
      TPVBitmap model;
      ComposeModel(c, index, background, model);
      TPVBitmap* modelAlpha = model.GetAlphaChannel();

      TPVBitmap loaded;
      TPictavoIO io(nullptr);
      io.SetAttachedBitmap(&loaded);
      io.Params->GIF_ImageIndex = index;
      io.LoadFromFile(Wide(gif));
      ASSERT_FALSE(io.Aborting);
      EXPECT_EQ(io.Params->GIF_ImageCount, 3);
      EXPECT_EQ(io.Params->GIF_ImageIndex, index);
      ASSERT_EQ(loaded.GetWidth(), 20);
      ASSERT_EQ(loaded.GetHeight(), 16);
      ASSERT_TRUE(loaded.HasAlphaChannel());
      TPVBitmap* alpha = loaded.GetAlphaChannel();
      int wrong = 0;
      for (int32_t y = 0; y < 16; ++y) {
        for (int32_t x = 0; x < 20; ++x) {
          const TPVRGB ours = loaded.GetPixel24(x, y), modelled = model.GetPixel24(x, y),
                       theirs = reference.GetPixel24(x, y);
          const uint8_t a = modelAlpha->GetPixel8(x, y);
          bool same = alpha->GetPixel8(x, y) == a && referenceAlpha->GetPixel8(x, y) == a &&
                      ours == modelled;
          if (a == 255) {
            same = same && std::abs(theirs.r - modelled.r) <= 1 &&
                   std::abs(theirs.g - modelled.g) <= 1 && std::abs(theirs.b - modelled.b) <= 1;
          }
          if (!same && ++wrong <= 5) {
            ADD_FAILURE() << "at " << x << "," << y << ": ours alpha "
                          << int(alpha->GetPixel8(x, y)) << " rgb " << int(ours.r) << " "
                          << int(ours.g) << " " << int(ours.b) << "; model alpha " << int(a)
                          << " rgb " << int(modelled.r) << " " << int(modelled.g) << " "
                          << int(modelled.b) << "; ImageMagick alpha "
                          << int(referenceAlpha->GetPixel8(x, y)) << " rgb " << int(theirs.r)
                          << " " << int(theirs.g) << " " << int(theirs.b);
          }
        }
      }
      EXPECT_EQ(wrong, 0);
    }
  }
}

// ---- Alpha both ways ----

// A pattern of alpha that holds 0, 255 and levels between.
uint8_t AlphaAt(int32_t x, int32_t y) {
  if (x == 0) return 0;
  if (x == 1) return 255;
  return static_cast<uint8_t>((x * 37 + y * 11) % 256);
}

TEST_F(PNGAndGIFThroughIO, PNGSavedWithAlphaHoldsOurAlpha) {
  CALMORA_REQUIRE_TOOL("convert");
  TPVBitmap picture;
  ASSERT_TRUE(picture.Allocate(13, 9, pv24RGB));
  TPVBitmap* alpha = picture.GetAlphaChannel();
  ASSERT_NE(alpha, nullptr);
  for (int32_t y = 0; y < 9; ++y) {
    for (int32_t x = 0; x < 13; ++x) {
      picture.SetPixel24(
          x, y, MakeRGB(static_cast<uint8_t>(19 * x), static_cast<uint8_t>(28 * y), 77));
      alpha->SetPixel8(x, y, AlphaAt(x, y));
    }
  }
  const std::string path = folder_.Path() + "/alpha.png";
  TPictavoIO io(nullptr);
  io.SetAttachedBitmap(&picture);
  io.SaveToFile(Wide(path));
  ASSERT_FALSE(io.Aborting);
  bool found = false;
  const std::vector<uint8_t> header = PNGChunk(FileBytes(path), "IHDR", found);
  ASSERT_TRUE(found);
  ASSERT_EQ(header.size(), 13u);
  EXPECT_EQ(header[9], 6) << "written as RGBA";
  const std::string pgm = folder_.Path() + "/alpha.pgm";
  Convert(ShellQuoted(path) + " -alpha extract -depth 8 pgm:" + ShellQuoted(pgm));
  TPVBitmap reference;
  ASSERT_TRUE(LoadPNM(pgm, reference));
  ASSERT_EQ(reference.GetPixelFormat(), pv8g);
  ASSERT_EQ(reference.GetWidth(), 13);
  ASSERT_EQ(reference.GetHeight(), 9);
  for (int32_t y = 0; y < 9; ++y)
    for (int32_t x = 0; x < 13; ++x)
      ASSERT_EQ(reference.GetPixel8(x, y), AlphaAt(x, y)) << x << "," << y;
}

TEST_F(PNGAndGIFThroughIO, RGBAPNGLoadsItsAlphaIntoTheAlphaChannel) {
  CALMORA_REQUIRE_TOOL("convert");
  const std::string path = folder_.Path() + "/made.png";
  Convert("-size 16x8 gradient:'#ff2000-#0040ff' \\( -size 16x8 gradient:white-black \\) "
          "-alpha off -compose CopyOpacity -composite -depth 8 PNG32:" + ShellQuoted(path));
  const std::string pgm = folder_.Path() + "/made_alpha.pgm";
  Convert(ShellQuoted(path) + " -alpha extract -depth 8 pgm:" + ShellQuoted(pgm));
  TPVBitmap reference;
  ASSERT_TRUE(LoadPNM(pgm, reference));
  ASSERT_EQ(reference.GetWidth(), 16);
  // The picture really has levels between clear and opaque.
  ASSERT_EQ(reference.GetPixel8(0, 0), 255);
  ASSERT_EQ(reference.GetPixel8(0, 7), 0);

  TPVBitmap loaded;
  TPictavoIO io(nullptr);
  io.SetAttachedBitmap(&loaded);
  io.LoadFromFile(Wide(path));
  ASSERT_FALSE(io.Aborting);
  ASSERT_EQ(loaded.GetWidth(), 16);
  ASSERT_EQ(loaded.GetHeight(), 8);
  ASSERT_TRUE(loaded.HasAlphaChannel());
  TPVBitmap* alpha = loaded.GetAlphaChannel();
  for (int32_t y = 0; y < 8; ++y)
    for (int32_t x = 0; x < 16; ++x)
      ASSERT_EQ(alpha->GetPixel8(x, y), reference.GetPixel8(x, y)) << x << "," << y;
}

TEST_F(PNGAndGIFThroughIO, GIFTransparentIndexLoadsAsClearAlpha) {
  CALMORA_REQUIRE_TOOL("convert");
  const std::string path = folder_.Path() + "/made.gif";
  Convert("-size 6x4 xc:none -fill '#ff0000' -draw 'rectangle 0,0 2,3' " + ShellQuoted(path));
  const std::string pgm = folder_.Path() + "/made_gif_alpha.pgm";
  Convert(ShellQuoted(path) + " -alpha extract -depth 8 pgm:" + ShellQuoted(pgm));
  TPVBitmap reference;
  ASSERT_TRUE(LoadPNM(pgm, reference));
  ASSERT_EQ(reference.GetWidth(), 6);
  ASSERT_EQ(reference.GetPixel8(5, 0), 0);

  TPVBitmap loaded;
  TPictavoIO io(nullptr);
  io.SetAttachedBitmap(&loaded);
  io.LoadFromFile(Wide(path));
  ASSERT_FALSE(io.Aborting);
  EXPECT_TRUE(io.Params->GIF_Transparent);
  ASSERT_EQ(loaded.GetWidth(), 6);
  ASSERT_EQ(loaded.GetHeight(), 4);
  ASSERT_TRUE(loaded.HasAlphaChannel());
  TPVBitmap* alpha = loaded.GetAlphaChannel();
  for (int32_t y = 0; y < 4; ++y) {
    for (int32_t x = 0; x < 6; ++x) {
      ASSERT_EQ(alpha->GetPixel8(x, y), reference.GetPixel8(x, y)) << x << "," << y;
      ASSERT_EQ(alpha->GetPixel8(x, y), x < 3 ? 255 : 0) << x << "," << y;
    }
  }
  const TPVRGB red = loaded.GetPixel24(1, 1);
  EXPECT_EQ(red.r, 255);
  EXPECT_EQ(red.g, 0);
  EXPECT_EQ(red.b, 0);
}

TEST_F(PNGAndGIFThroughIO, GIFSavedWithAlphaHasATransparentIndexWhereAlphaIsClear) {
  CALMORA_REQUIRE_TOOL("convert");
  TPVBitmap picture;
  ASSERT_TRUE(picture.Allocate(10, 6, pv24RGB));
  TPVBitmap* alpha = picture.GetAlphaChannel();
  ASSERT_NE(alpha, nullptr);
  const auto clear = [](int32_t x, int32_t y) { return (x + y) % 3 == 0; };
  for (int32_t y = 0; y < 6; ++y) {
    for (int32_t x = 0; x < 10; ++x) {
      picture.SetPixel24(x, y, x < 5 ? MakeRGB(255, 255, 0) : MakeRGB(0, 0, 128));
      alpha->SetPixel8(x, y, clear(x, y) ? 0 : 255);
    }
  }
  const std::string path = folder_.Path() + "/alpha.gif";
  TPictavoIO io(nullptr);
  io.SetAttachedBitmap(&picture);
  io.SaveToFile(Wide(path));
  ASSERT_FALSE(io.Aborting);

  // The graphic control extension marks a transparent index.
  const std::vector<uint8_t> bytes = FileBytes(path);
  bool marked = false;
  for (size_t i = 13; i + 3 < bytes.size(); ++i) {
    if (bytes[i] == 0x21 && bytes[i + 1] == 0xF9 && bytes[i + 2] == 0x04) {
      marked = (bytes[i + 3] & 1) != 0;
      break;
    }
  }
  EXPECT_TRUE(marked);

  const std::string pam = folder_.Path() + "/alpha_gif.pam";
  Convert(ShellQuoted(path) + " -depth 8 pam:" + ShellQuoted(pam));
  TPVBitmap reference;
  std::string error;
  ASSERT_TRUE(LoadPNM(pam, reference, &error)) << error;
  ASSERT_EQ(reference.GetWidth(), 10);
  ASSERT_EQ(reference.GetHeight(), 6);
  ASSERT_TRUE(reference.HasAlphaChannel());
  TPVBitmap* referenceAlpha = reference.GetAlphaChannel();
  for (int32_t y = 0; y < 6; ++y) {
    for (int32_t x = 0; x < 10; ++x) {
      ASSERT_EQ(referenceAlpha->GetPixel8(x, y), clear(x, y) ? 0 : 255) << x << "," << y;
      if (clear(x, y)) continue;
      const TPVRGB p = reference.GetPixel24(x, y), q = picture.GetPixel24(x, y);
      EXPECT_EQ(p.r, q.r) << x << "," << y;
      EXPECT_EQ(p.g, q.g) << x << "," << y;
      EXPECT_EQ(p.b, q.b) << x << "," << y;
    }
  }
}

}  // namespace
}  // namespace calmora::test
