// What the GIF codec tests share: the library's LZW coders installed as the process-wide
// defaults (as the I/O unit's set-up does), reads and writes on memory streams, and PNM output
// of giftopnm. The GIF family does not link the LZW family; its tests link the coders besides.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "imaging/base/streams/streams.h"
#include "imaging/codecs/gif/gif_codec.h"
#include "imaging/codecs/lzw/lzw_codec.h"
#include "imaging/params/lzw_defaults.h"
#include "tests/imaging/codecs/png/png_test_support.h"
#include "tests/support/scoped_override.h"

namespace calmora::test {

struct GifCoders {
  ScopedOverride<TGIFLZWDecompressProc> Decompress{DefaultGIFLZWDecompress, DecompressGIFLZW};
  ScopedOverride<TGIFLZWCompressProc> Compress{DefaultGIFLZWCompress, CompressGIFLZW};
};

struct GifRead {
  bool Aborting = false;
  int32_t Frames = 0;
  std::unique_ptr<TPVMask> Mask;
};

inline GifRead ReadGif(const std::string& bytes, TPVBitmap& bitmap, TIOParamsVals& params,
                       bool paramsOnly = false, bool ignoreAlpha = false) {
  TPVMemStream stream(bytes.data(), static_cast<int64_t>(bytes.size()));
  GifRead read;
  TPVProgressRecord progress;
  progress.Aborting = &read.Aborting;
  ReadGIFStream(&stream, bitmap, read.Frames, params, progress, paramsOnly, read.Mask,
                ignoreAlpha);
  return read;
}

inline std::string WriteGif(TPVBitmap& bitmap, TIOParamsVals& params,
                            std::vector<int32_t>* percents = nullptr) {
  TMemoryStream stream;
  bool aborting = false;
  TPVProgressRecord progress;
  progress.Aborting = &aborting;
  if (percents) progress.OnProgress = [percents](TObject*, int p) { percents->push_back(p); };
  WriteGIFStream(&stream, bitmap, params, progress);
  if (aborting) return {};
  return std::string(static_cast<const char*>(stream.GetMemory()),
                     static_cast<size_t>(stream.GetSize()));
}

// giftopnm's picture of frame N (or its alpha with -alphaout); empty when it fails.
inline PnmPixels GifToPnm(const ScratchFolder& folder, const std::string& gif, int32_t frame,
                          bool alpha = false) {
  const std::string input = folder.File("giftopnm-in.gif");
  const std::string output = folder.File("giftopnm-out.pnm");
  WriteFileBytes(input, gif);
  const std::string command =
      alpha ? "giftopnm -image=" + std::to_string(frame + 1) + " -alphaout=" +
                  ShellQuoted(output) + " " + ShellQuoted(input) + " > /dev/null"
            : "giftopnm -image=" + std::to_string(frame + 1) + " " + ShellQuoted(input) + " > " +
                  ShellQuoted(output);
  if (RunTool(command, false).Status != 0) return {};
  return ParsePnm(ReadFileBytes(output));
}

}  // namespace calmora::test
