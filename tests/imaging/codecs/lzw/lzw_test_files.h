// What the LZW tests need of whole files: the one strip of a reference tool's TIFF, the first
// frame of a GIF with its palette, minimal TIFF and GIF files around our own LZW data, PNM
// bodies, and an independent model of TIFF LZW codes (a plain table of strings).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace calmora::test {

using Bytes = std::vector<uint8_t>;

inline Bytes ToBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }
inline std::string ToText(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

// The pixel bytes of a binary PNM (P5 or P6, maxval below 256); empty when it is none.
inline Bytes PNMBody(const std::string& file) {
  size_t at = 0;
  int fields = 0;
  if (file.size() < 2 || file[0] != 'P' || (file[1] != '5' && file[1] != '6')) return {};
  at = 2;
  while (fields < 3 && at < file.size()) {
    if (file[at] == '#') {
      while (at < file.size() && file[at] != '\n') ++at;
    } else if (std::isspace(static_cast<unsigned char>(file[at]))) {
      ++at;
    } else {
      while (at < file.size() && !std::isspace(static_cast<unsigned char>(file[at]))) ++at;
      ++fields;
    }
  }
  ++at;  // the single white-space character before the pixels
  if (at > file.size()) return {};
  return Bytes(file.begin() + static_cast<std::ptrdiff_t>(at), file.end());
}

// A TIFF's first directory, as far as a one-strip LZW file needs it.
struct TIFFStrip {
  uint32_t width = 0, height = 0, samples = 1, fillOrder = 1, compression = 1;
  Bytes data;  // the first strip's bytes
};

inline bool ParseTIFFStrip(const std::string& file, TIFFStrip& strip) {
  if (file.size() < 8) return false;
  const bool little = file[0] == 'I';
  const auto number = [&](size_t at, int size) -> uint32_t {
    uint32_t value = 0;
    for (int k = 0; k < size; ++k) {
      const auto byte = static_cast<uint8_t>(file.at(at + size_t(little ? size - 1 - k : k)));
      value = value << 8 | byte;
    }
    return value;
  };
  const uint32_t directory = number(4, 4);
  const uint32_t count = number(directory, 2);
  uint32_t offset = 0, length = 0;
  for (uint32_t i = 0; i < count; ++i) {
    const size_t entry = directory + 2 + 12 * size_t(i);
    const uint32_t tag = number(entry, 2), type = number(entry + 2, 2);
    const uint32_t value = type == 3 ? number(entry + 8, 2) : number(entry + 8, 4);
    switch (tag) {
      case 256: strip.width = value; break;
      case 257: strip.height = value; break;
      case 259: strip.compression = value; break;
      case 266: strip.fillOrder = value; break;
      case 273: offset = value; break;
      case 277: strip.samples = value; break;
      case 279: length = value; break;
      default: break;
    }
  }
  if (offset == 0 || size_t(offset) + length > file.size()) return false;
  strip.data.assign(file.begin() + offset, file.begin() + offset + length);
  return true;
}

// A baseline TIFF of one LZW strip: 8-bit grey (Samples 1) or RGB (Samples 3).
inline Bytes MinimalLZWTIFF(uint32_t width, uint32_t height, uint32_t samples, const Bytes& strip) {
  Bytes file = {'I', 'I', 42, 0};
  const auto put = [&](uint32_t value, int size) {
    for (int k = 0; k < size; ++k) file.push_back(uint8_t(value >> (8 * k)));
  };
  const uint32_t entries = 10;
  const uint32_t bitsAt = 8 + 2 + 12 * entries + 4;  // the three bit counts of RGB
  const uint32_t stripAt = bitsAt + 8;
  put(8, 4);
  put(entries, 2);
  const auto entry = [&](uint16_t tag, uint16_t type, uint32_t count, uint32_t value) {
    put(tag, 2);
    put(type, 2);
    put(count, 4);
    if (type == 3 && count == 1) {
      put(value, 2);
      put(0, 2);
    } else {
      put(value, 4);
    }
  };
  entry(256, 4, 1, width);
  entry(257, 4, 1, height);
  if (samples == 3)
    entry(258, 3, 3, bitsAt);
  else
    entry(258, 3, 1, 8);
  entry(259, 3, 1, 5);
  entry(262, 3, 1, samples == 3 ? 2 : 1);
  entry(273, 4, 1, stripAt);
  entry(277, 3, 1, samples);
  entry(278, 4, 1, height);
  entry(279, 4, 1, uint32_t(strip.size()));
  entry(284, 3, 1, 1);
  put(0, 4);
  for (int k = 0; k < 4; ++k) put(8, 2);
  file.insert(file.end(), strip.begin(), strip.end());
  return file;
}

// The first image of a GIF: its size, interlace flag, palette (RGB triples) and where its LZW
// data (the code size byte) starts.
struct GIFFrame {
  uint32_t width = 0, height = 0;
  bool interlaced = false;
  Bytes palette;
  size_t dataStart = 0;
};

inline bool ParseGIFFrame(const std::string& file, GIFFrame& frame) {
  const auto byte = [&](size_t at) { return static_cast<uint8_t>(file.at(at)); };
  const auto word = [&](size_t at) { return uint32_t(byte(at) | byte(at + 1) << 8); };
  if (file.size() < 13 || file.compare(0, 3, "GIF") != 0) return false;
  size_t at = 13;
  if (byte(10) & 0x80) {
    const size_t size = 3u << ((byte(10) & 7) + 1);
    frame.palette.assign(file.begin() + 13, file.begin() + 13 + std::ptrdiff_t(size));
    at += size;
  }
  while (at < file.size()) {
    const uint8_t introducer = byte(at);
    if (introducer == 0x21) {  // an extension: label, then sub-blocks
      at += 2;
      while (byte(at) != 0) at += byte(at) + 1u;
      ++at;
    } else if (introducer == 0x2C) {
      frame.width = word(at + 5);
      frame.height = word(at + 7);
      const uint8_t flags = byte(at + 9);
      frame.interlaced = (flags & 0x40) != 0;
      at += 10;
      if (flags & 0x80) {
        const size_t size = 3u << ((flags & 7) + 1);
        frame.palette.assign(file.begin() + std::ptrdiff_t(at),
                             file.begin() + std::ptrdiff_t(at + size));
        at += size;
      }
      frame.dataStart = at;
      return true;
    } else {
      return false;
    }
  }
  return false;
}

// A GIF89a of one frame around the given LZW data, with a palette of 2^Bits distinct colours.
inline Bytes MinimalGIF(uint32_t width, uint32_t height, int bits, bool interlaced,
                        const Bytes& lzwData) {
  Bytes file = ToBytes("GIF89a");
  const auto word = [&](uint32_t value) {
    file.push_back(uint8_t(value));
    file.push_back(uint8_t(value >> 8));
  };
  word(width);
  word(height);
  file.push_back(uint8_t(0x80 | (bits - 1)));
  file.push_back(0);
  file.push_back(0);
  for (int i = 0; i < (1 << bits); ++i) {
    file.push_back(uint8_t(i * 37 + 11));
    file.push_back(uint8_t(i * 101 + 3));
    file.push_back(uint8_t(255 - i));
  }
  file.push_back(0x2C);
  word(0);
  word(0);
  word(width);
  word(height);
  file.push_back(interlaced ? 0x40 : 0);
  file.insert(file.end(), lzwData.begin(), lzwData.end());
  file.push_back(0x3B);
  return file;
}

// Indices as RGB through a palette of triples.
inline Bytes ThroughPalette(const Bytes& indices, const Bytes& palette) {
  Bytes rgb;
  rgb.reserve(indices.size() * 3);
  for (uint8_t index : indices)
    for (int k = 0; k < 3; ++k) rgb.push_back(size_t(index) * 3 + size_t(k) < palette.size() ? palette[size_t(index) * 3 + size_t(k)] : 0);
  return rgb;
}

// ---- An independent model of TIFF LZW codes ----

// Packs codes most significant bit first at TIFF's widths (early change), tracking the table
// as a reader does, so that hand-made streams come out as a reader expects them.
class TIFFCodeStream {
 public:
  void Put(int code) {
    for (int bit = width_ - 1; bit >= 0; --bit) {
      if (count_ % 8 == 0) bytes_.push_back(0);
      if ((code >> bit) & 1) bytes_.back() |= uint8_t(0x80 >> (count_ % 8));
      ++count_;
    }
    if (code == 256) {
      nextFree_ = 258;
      fresh_ = true;
    } else if (code != 257) {
      if (!fresh_) ++nextFree_;
      fresh_ = false;
    }
    width_ = nextFree_ >= 2047 ? 12 : nextFree_ >= 1023 ? 11 : nextFree_ >= 511 ? 10 : 9;
  }
  const Bytes& Data() const { return bytes_; }

 private:
  Bytes bytes_;
  int64_t count_ = 0;
  int width_ = 9;
  int nextFree_ = 258;
  bool fresh_ = true;
};

// What a strip of codes holds, decoded with a plain table of strings, and how many clear codes
// it met and at which next free codes (the first clear, with an empty table, counts too).
struct ModelDecode {
  Bytes bytes;
  std::vector<int> clearsAt;
  bool ended = false;
};

inline ModelDecode DecodeTIFFModel(const Bytes& strip) {
  ModelDecode result;
  std::vector<Bytes> table;
  const auto reset = [&] {
    table.assign(258, Bytes{});
    for (int i = 0; i < 256; ++i) table[size_t(i)] = Bytes{uint8_t(i)};
  };
  reset();
  int64_t position = 0;
  int previous = -1;
  for (;;) {
    const size_t free = table.size();
    const int width = free >= 2047 ? 12 : free >= 1023 ? 11 : free >= 511 ? 10 : 9;
    if (position + width > int64_t(strip.size()) * 8) break;
    int code = 0;
    for (int k = 0; k < width; ++k, ++position)
      code = code << 1 | ((strip[size_t(position / 8)] >> (7 - position % 8)) & 1);
    if (code == 257) {
      result.ended = true;
      break;
    }
    if (code == 256) {
      result.clearsAt.push_back(int(table.size()));
      reset();
      previous = -1;
      continue;
    }
    Bytes string;
    if (code < int(table.size())) {
      string = table[size_t(code)];
      if (previous >= 0) {
        Bytes entry = table[size_t(previous)];
        entry.push_back(string[0]);
        table.push_back(entry);
      }
    } else if (code == int(table.size()) && previous >= 0) {
      string = table[size_t(previous)];
      string.push_back(string[0]);
      table.push_back(string);
    } else {
      ADD_FAILURE() << "code " << code << " past the table's " << table.size();
      break;
    }
    result.bytes.insert(result.bytes.end(), string.begin(), string.end());
    previous = code;
  }
  return result;
}

}  // namespace calmora::test
