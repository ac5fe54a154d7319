// AVI files for the frame tests: made by ffmpeg, or written here for the depths ffmpeg does not
// write (1 and 4 bits), and changed in place (height sign, rate, length); with the frames
// ffmpeg decodes from them and a plain reading of our DIBs to compare with.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "tests/support/outside_tool.h"
#include "tests/support/scratch_folder.h"

namespace calmora::test {

inline std::string Le16(uint32_t value) {
  return {static_cast<char>(value), static_cast<char>(value >> 8)};
}
inline std::string Le32(uint32_t value) { return Le16(value) + Le16(value >> 16); }
inline uint32_t ReadLe32(const std::string& bytes, size_t at) {
  uint32_t value = 0;
  for (size_t i = 0; i < 4; ++i)
    value |= static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + i])) << (8 * i);
  return value;
}

inline std::string Chunk(const std::string& tag, const std::string& body) {
  return tag + Le32(static_cast<uint32_t>(body.size())) + body +
         (body.size() % 2 ? std::string(1, '\0') : "");
}
inline std::string List(const std::string& type, const std::string& body) {
  return Chunk("LIST", type + body);
}

// An uncompressed AVI of frames (each the stored rows, bottom row first) at bitCount bits with
// the colour table (4 bytes per entry), 25 frames a second.
inline std::string WriteAvi(int32_t width, int32_t height, int32_t bitCount,
                            const std::string& colorTable, const std::vector<std::string>& frames) {
  const uint32_t count = static_cast<uint32_t>(frames.size());
  const uint32_t frameSize = static_cast<uint32_t>(frames.empty() ? 0 : frames[0].size());
  const std::string mainHeader = Le32(40000) + Le32(0) + Le32(0) + Le32(0x10) + Le32(count) +
                                 Le32(0) + Le32(1) + Le32(frameSize) + Le32(width) + Le32(height) +
                                 std::string(16, '\0');
  const std::string streamHeader =
      "vids" + Le32(0) + Le32(0) + Le32(0) + Le32(0) + Le32(1) + Le32(25) + Le32(0) + Le32(count) +
      Le32(frameSize) + Le32(0xFFFFFFFF) + Le32(0) + Le16(0) + Le16(0) + Le16(width) + Le16(height);
  const std::string format =
      Le32(40) + Le32(width) + Le32(height) + Le16(1) + Le16(bitCount) + Le32(0) + Le32(frameSize) +
      Le32(0) + Le32(0) + Le32(static_cast<uint32_t>(colorTable.size() / 4)) + Le32(0) + colorTable;
  std::string movi = "movi", index;
  for (const std::string& frame : frames) {
    index += "00db" + Le32(0x10) + Le32(static_cast<uint32_t>(movi.size())) +
             Le32(static_cast<uint32_t>(frame.size()));
    movi += Chunk("00db", frame);
  }
  const std::string body =
      "AVI " +
      List("hdrl", Chunk("avih", mainHeader) +
                       List("strl", Chunk("strh", streamHeader) + Chunk("strf", format))) +
      Chunk("LIST", movi) + Chunk("idx1", index);
  return "RIFF" + Le32(static_cast<uint32_t>(body.size())) + body;
}

// A colour table of 2 to the bitCount entries of uneven colours (4 bytes per entry).
inline std::string UnevenColorTable(int32_t bitCount) {
  std::string table;
  for (int32_t i = 0; i < (1 << bitCount); ++i)
    table += {static_cast<char>(i * 37 + 5), static_cast<char>(255 - i * 13),
              static_cast<char>(i * i * 7), '\0'};
  return table;
}

// A small moving pattern of width x height at 1 or 4 bits over the colour table, rows
// bottom-up, 25 frames a second.
inline std::string WriteSmallDepthAvi(int32_t width, int32_t height, int32_t bitCount,
                                      int32_t frames, const std::string& colorTable) {
  const size_t stride = (size_t(width) * bitCount + 31) / 32 * 4;
  std::vector<std::string> rows;
  for (int32_t f = 0; f < frames; ++f) {
    std::string frame(stride * height, '\0');
    for (int32_t y = 0; y < height; ++y)
      for (int32_t x = 0; x < width; ++x) {
        const uint32_t entry = uint32_t(x / 3 + y * 5 + f * 7) & ((1u << bitCount) - 1);
        const size_t bit = size_t(x) * bitCount;
        frame[stride * y + bit / 8] |= static_cast<char>(entry << (8 - bitCount - bit % 8));
      }
    rows.push_back(frame);
  }
  return WriteAvi(width, height, bitCount, colorTable, rows);
}

// Lets ffmpeg write frames of its test pattern at width x height and the rate with the output
// options (encoding) into path; ffmpeg's complaint when it fails.
inline ToolResult MakeFfmpegAvi(const std::string& path, int32_t width, int32_t height,
                                const std::string& rate, int32_t frames,
                                const std::string& encoding) {
  return RunTool("ffmpeg -v error -y -f lavfi -i testsrc=size=" + std::to_string(width) + "x" +
                 std::to_string(height) + ":rate=" + rate + " -frames:v " +
                 std::to_string(frames) + " " + encoding + " " + ShellQuoted(path));
}

// Offset of the first chunk with the tag's body, or npos.
inline size_t ChunkBody(const std::string& avi, const std::string& tag) {
  const size_t at = avi.find(tag);
  return at == std::string::npos ? at : at + 8;
}

// The same file with the stream format's height negated: top-down rows read as bottom-up
// and the other way round.
inline std::string FlipHeightSign(std::string avi) {
  const size_t format = ChunkBody(avi, "strf");
  const std::string height =
      Le32(static_cast<uint32_t>(-static_cast<int32_t>(ReadLe32(avi, format + 8))));
  avi.replace(format + 8, 4, height);
  return avi;
}

// The same file with a stream header field (20 scale, 24 rate, 32 length) replaced.
inline std::string SetStreamHeaderField(std::string avi, size_t offset, uint32_t value) {
  avi.replace(ChunkBody(avi, "strh") + offset, 4, Le32(value));
  return avi;
}

// The same file with the main header's total frame count replaced.
inline std::string SetMainHeaderFrames(std::string avi, uint32_t frames) {
  avi.replace(ChunkBody(avi, "avih") + 16, 4, Le32(frames));
  return avi;
}

// The same file without its index: the "idx1" chunk becomes a "JUNK" chunk readers skip.
inline std::string WithoutIndex(std::string avi) {
  const size_t index = avi.rfind("idx1");
  if (index != std::string::npos) avi.replace(index, 4, "JUNK");
  return avi;
}

// Every frame ffmpeg decodes from the file, as top-down rows of blue, green, red.
inline std::string FfmpegFrames(const std::string& path) {
  return RunTool("ffmpeg -v error -i " + ShellQuoted(path) + " -f rawvideo -pix_fmt bgr24 -", false)
      .Output;
}

// A DIB (40-byte header, colour table, rows bottom-up) read plainly into top-down rows of blue,
// green, red; 16 bits are 5-5-5 with each channel widened by repeating its top bits.
inline std::string DIBToBGR(const std::vector<uint8_t>& dib) {
  const std::string bytes(dib.begin(), dib.end());
  const int32_t width = static_cast<int32_t>(ReadLe32(bytes, 4));
  const int32_t height = static_cast<int32_t>(ReadLe32(bytes, 8));
  const uint32_t bits = ReadLe32(bytes, 14) & 0xFFFF;
  const size_t table = 40;
  const size_t rows = table + 4 * size_t{ReadLe32(bytes, 32)};
  const size_t stride = (size_t(width) * bits + 31) / 32 * 4;
  std::string out;
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* row = dib.data() + rows + stride * size_t(height - 1 - y);
    for (int32_t x = 0; x < width; ++x) {
      uint8_t b, g, r;
      if (bits <= 8) {
        const uint32_t bit = uint32_t(x) * bits;
        const uint32_t entry = (row[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
        b = dib[table + 4 * entry], g = dib[table + 4 * entry + 1], r = dib[table + 4 * entry + 2];
      } else if (bits == 16) {
        const uint32_t v = row[2 * x] | row[2 * x + 1] << 8;
        const auto widen = [](uint32_t five) {
          return static_cast<uint8_t>(five << 3 | five >> 2);
        };
        b = widen(v & 31), g = widen(v >> 5 & 31), r = widen(v >> 10 & 31);
      } else {
        const uint8_t* pixel = row + size_t(x) * (bits / 8);
        b = pixel[0], g = pixel[1], r = pixel[2];
      }
      out += {static_cast<char>(b), static_cast<char>(g), static_cast<char>(r)};
    }
  }
  return out;
}

}  // namespace calmora::test
