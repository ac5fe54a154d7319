// ReadGIFStream: one frame of a GIF into a bitmap, an optional transparency mask and the
// parameter record. Structures are taken apart through the checked byte reader; the image data
// goes to the record's LZW procedure, after which the reader moves to where it stopped.
#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "imaging/base/color_helpers.h"
#include "imaging/base/streams/byte_reader.h"
#include "imaging/base/streams/reader_boundary.h"
#include "imaging/base/streams/streams.h"
#include "imaging/codecs/gif/gif_codec.h"
#include "imaging/core/bitmap/bitmap_internal.h"
#include "imaging/core/dpi_globals.h"
#include "imaging/params/lzw_defaults.h"

namespace calmora {

namespace {

// A table of every index a byte can hold, zero (black) where the file gives no entry.
using TPalette = std::array<TPVRGB, 256>;

// One LZW code yields at most 4096 pixels.
constexpr int64_t kPixelsPerCode = 4096;
// Frames this wide or tall need this many bytes after their data.
constexpr int32_t kLargeSide = 65000;
constexpr int64_t kLargeFrameTail = 2000;

void Report(TPVProgressRecord& progress, int32_t percent) {
  if (progress.OnProgress) progress.OnProgress(progress.Sender, percent);
}

// Entries of a colour table, swapped to blue, green, red.
bool ReadTable(TPVByteReader& reader, int32_t count, TPalette& palette) {
  palette.fill(TPVRGB{0, 0, 0});
  for (int32_t i = 0; i < count; ++i) {
    const uint8_t r = reader.ReadByte();
    const uint8_t g = reader.ReadByte();
    const uint8_t b = reader.ReadByte();
    palette[i] = MakeRGB(r, g, b);
  }
  return !reader.Failed();
}

// Passes over sub-blocks up to and with the zero-length one.
void SkipSubBlocks(TPVByteReader& reader) {
  while (!reader.Failed() && reader.Left() > 0) {
    const uint8_t length = reader.ReadByte();
    if (length == 0) return;
    reader.Skip(length);
  }
}

struct GraphicControl {
  uint8_t Packed = 0;
  uint16_t Delay = 0;
  uint8_t TransparentIndex = 0;
};

void ReadBody(TStream* Stream, TPVBitmap& Bitmap, int32_t& FrameCount, TIOParamsVals& Params,
              TPVProgressRecord& Progress, bool ParamsOnly, std::unique_ptr<TPVMask>& AlphaMask,
              bool IgnoreAlpha) {
  bool& aborting = *Progress.Aborting;
  const int64_t start = Stream->GetPosition();
  TPVByteReader reader(Stream);
  uint8_t header[13];
  if (!reader.Read(header, sizeof header) || std::memcmp(header, "GIF", 3) != 0) {
    aborting = true;
    return;
  }
  Params.GIF_Version.assign(reinterpret_cast<const char*>(header), 6);
  Params.GIF_ScreenWidth = header[6] | header[7] << 8;
  Params.GIF_ScreenHeight = header[8] | header[9] << 8;
  Params.GIF_AspectRatio = header[12];
  Params.SetDpiX(DefaultDpiX);
  Params.SetDpiY(DefaultDpiY);
  Params.SamplesPerPixel = 1;
  const uint8_t screenPacked = header[10];
  TPalette global{};
  const int32_t globalBits = (screenPacked & 7) + 1;
  if (screenPacked & 0x80) {
    if (!ReadTable(reader, 1 << globalBits, global)) {
      aborting = true;
      return;
    }
    Params.GIF_Background = global[header[11]];
  }
  if (reader.Left() == 0) {
    aborting = true;
    return;
  }

  // One read collects the comments of every frame; a second read does not add them again.
  Params.GIF_Comments.clear();
  const int32_t wanted = Params.GIF_ImageIndex;
  GraphicControl control;
  while (!aborting && !reader.Failed() && reader.Left() > 0) {
    const uint8_t introducer = reader.ReadByte();
    if (introducer == 0x3B) break;
    if (introducer == 0x21) {
      const uint8_t label = reader.ReadByte();
      if (label == 0xF9 && FrameCount == wanted) {
        // The first sub-block holds the values; a short one gives what it has.
        const uint8_t length = reader.ReadByte();
        uint8_t data[4] = {0, 0, 0, 0};
        const int64_t taken = std::min<int64_t>(length, 4);
        reader.Read(data, taken);
        reader.Skip(length - taken);
        control.Packed = data[0];
        control.Delay = static_cast<uint16_t>(data[1] | data[2] << 8);
        control.TransparentIndex = data[3];
        SkipSubBlocks(reader);
      } else if (label == 0xFE) {
        while (!reader.Failed() && reader.Left() > 0) {
          const uint8_t length = reader.ReadByte();
          if (length == 0) break;
          char text[256];
          if (!reader.Read(text, length)) break;
          const size_t size = strnlen(text, length);
          if (size > 0) Params.GIF_Comments.emplace_back(text, size);
        }
      } else {
        SkipSubBlocks(reader);
      }
      continue;
    }
    if (introducer != 0x2C) continue;

    uint8_t descriptor[9];
    if (!reader.Read(descriptor, sizeof descriptor)) break;
    const int32_t left = descriptor[0] | descriptor[1] << 8;
    const int32_t top = descriptor[2] | descriptor[3] << 8;
    const int32_t width = descriptor[4] | descriptor[5] << 8;
    const int32_t height = descriptor[6] | descriptor[7] << 8;
    const uint8_t packed = descriptor[8];
    TPalette local{};
    const bool hasLocal = (packed & 0x80) != 0;
    const int32_t localBits = (packed & 7) + 1;
    if (hasLocal && !ReadTable(reader, 1 << localBits, local)) break;
    if (FrameCount != wanted) {
      reader.ReadByte();  // code size
      SkipSubBlocks(reader);
      ++FrameCount;
      continue;
    }

    Report(Progress, 30);
    if (aborting) break;
    const TPalette& palette = hasLocal ? local : global;
    Params.GIF_TransparentColor = palette[control.TransparentIndex];
    Params.GIF_XPos = left;
    Params.GIF_YPos = top;
    Params.Width = width;
    Params.Height = height;
    Params.OriginalWidth = width;
    Params.OriginalHeight = height;
    Params.GIF_DelayTime = control.Delay;
    Params.GIF_Transparent = (control.Packed & 1) != 0;
    const bool interlaced = (packed & 0x40) != 0;
    Params.GIF_Interlaced = interlaced;
    Params.GIF_Disposal = static_cast<uint8_t>((control.Packed >> 2) & 7);
    const int32_t bits = hasLocal ? localBits : globalBits;
    Params.BitsPerSample = bits;
    Params.ColorMapCount = 1 << bits;
    Params.ColorMap = std::make_unique<TPVRGB[]>(static_cast<size_t>(Params.ColorMapCount));
    std::copy_n(palette.begin(), Params.ColorMapCount, Params.ColorMap.get());

    if (ParamsOnly) {
      reader.ReadByte();
      SkipSubBlocks(reader);
      ++FrameCount;
      continue;
    }
    // Every LZW code has at least code size + 1 bits and yields at most 4096 pixels: a frame
    // asking for more pixels than its remaining bytes can code is refused before allocating.
    const int64_t dataStart = reader.Position();
    const uint8_t codeSize = reader.ReadByte();
    reader.SeekTo(dataStart);
    const int64_t pixels = int64_t{width} * height;
    const int64_t codes = reader.Left() * 8 / (std::max<int32_t>(codeSize, 1) + 1);
    if (reader.Failed() || pixels == 0 || pixels > codes * kPixelsPerCode) {
      aborting = true;
      break;
    }
    std::vector<uint8_t> indices(static_cast<size_t>(pixels), 0);
    TGIFLZWDecompressProc decompress =
        Params.GIF_LZWDecompress ? Params.GIF_LZWDecompress : DefaultGIFLZWDecompress;
    if (!decompress) {
      aborting = true;
      break;
    }
    const int64_t before = Stream->GetPosition();
    decompress(Stream, height, width, interlaced, indices.data());
    const int64_t after = Stream->GetPosition();
    if (after == before || !reader.SeekTo(after - start)) {
      aborting = true;
      break;
    }
    Report(Progress, 70);
    if (aborting) break;

    const bool oneBit = bits == 1 && palette[0] == MakeRGB(0, 0, 0) &&
                        palette[1] == MakeRGB(255, 255, 255);
    if (!oneBit && (width > kLargeSide || height > kLargeSide) &&
        reader.Left() < kLargeFrameTail) {
      aborting = true;
      break;
    }
    const TPVPixelFormat format = oneBit ? pv1g : Params.NativePixelFormat ? pv8p : pv24RGB;
    if (!Bitmap.Allocate(width, height, format)) {
      aborting = true;
      break;
    }
    const bool transparency = !IgnoreAlpha && Params.GIF_Transparent;
    if (transparency) {
      if (!AlphaMask) AlphaMask = std::make_unique<TPVMask>();
      if (!AlphaMask->Allocate(width, height, 8)) {
        aborting = true;
        break;
      }
      AlphaMask->Fill(255);
    }
    if (format == pv8p) {
      for (int32_t i = 0; i < 256; ++i) Bitmap.SetPaletteColor(i, palette[i]);
      Bitmap.PaletteColorsUsed = 1 << bits;
    }
    std::array<uint32_t, 256> wide{};
    for (int32_t i = 0; i < 256; ++i) std::memcpy(&wide[i], &palette[i], 3);
    {
      TPVDataAccessScope access(Bitmap, pvdWrite);
      for (int32_t y = 0; y < height; ++y) {
        const uint8_t* source = indices.data() + size_t(y) * width;
        uint8_t* line = Bitmap.GetScanline(y);
        if (format == pv8p) {
          std::memcpy(line, source, static_cast<size_t>(width));
        } else if (format == pv24RGB) {
          // Four bytes stored per pixel, three kept: the next pixel overwrites the fourth.
          int32_t x = 0;
          for (; x + 1 < width; ++x) std::memcpy(line + 3 * size_t(x), &wide[source[x]], 4);
          for (; x < width; ++x) std::memcpy(line + 3 * size_t(x), &palette[source[x]], 3);
        } else {
          std::memset(line, 0, static_cast<size_t>((width + 7) / 8));
          for (int32_t x = 0; x < width; ++x) {
            if (source[x] & 1) line[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
          }
        }
        if (transparency) {
          for (int32_t x = 0; x < width; ++x) {
            if (source[x] == control.TransparentIndex) AlphaMask->SetPixel(x, y, 0);
          }
        }
      }
    }
    if (transparency) {
      AlphaMask->CheckAllSet();
      if (AlphaMask->AllSet) AlphaMask.reset();
    }
    ++FrameCount;
  }
  Params.SetImageCount(FrameCount);
}

}  // namespace

void ReadGIFStream(TStream* Stream, TPVBitmap& Bitmap, int32_t& FrameCount,
                   TIOParamsVals& Params, TPVProgressRecord& Progress, bool ParamsOnly,
                   std::unique_ptr<TPVMask>& AlphaMask, bool IgnoreAlpha) {
  FrameCount = 0;
  Report(Progress, 0);
  RunInReaderBoundary(Progress, [&] {
    if (*Progress.Aborting) return;
    ReadBody(Stream, Bitmap, FrameCount, Params, Progress, ParamsOnly, AlphaMask, IgnoreAlpha);
    if (!*Progress.Aborting) Report(Progress, 100);
  });
}

int32_t ReadGIFForIO(TStream& Stream, TPVBitmap& Bitmap, TIOParamsVals& Params, bool ParamsOnly,
                     TPVProgressRecord& Progress, std::unique_ptr<TPVMask>& Mask) {
  bool local = false;
  if (!Progress.Aborting) Progress.Aborting = &local;
  int32_t frames = 0;
  ReadGIFStream(&Stream, Bitmap, frames, Params, Progress, ParamsOnly, Mask, ParamsOnly);
  const bool aborted = *Progress.Aborting;
  if (Progress.Aborting == &local) Progress.Aborting = nullptr;
  return aborted ? 0 : frames;
}

}  // namespace calmora
