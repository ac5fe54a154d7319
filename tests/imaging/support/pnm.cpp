// The PNM/PAM reader and writer of the tests.
#include "tests/imaging/support/pnm.h"

#include <cctype>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

namespace calmora::test {

namespace {

void PutSample(std::string& out, uint32_t value, bool wide) {
  if (wide) out += static_cast<char>(value >> 8);
  out += static_cast<char>(value & 0xFF);
}

// The colour of pixel x in a row of a colour format, as 8- or 16-bit red, green, blue.
void ColorAt(TPVBitmap& bitmap, const uint8_t* row, int32_t x, uint32_t rgb[3]) {
  switch (bitmap.GetPixelFormat()) {
    case pv24RGB:
      rgb[0] = row[3 * x + 2], rgb[1] = row[3 * x + 1], rgb[2] = row[3 * x];
      break;
    case pv32RGB:
      rgb[0] = row[4 * x + 2], rgb[1] = row[4 * x + 1], rgb[2] = row[4 * x];
      break;
    case pv8p: {
      const TPVRGB c = bitmap.GetPaletteColor(row[x]);
      rgb[0] = c.r, rgb[1] = c.g, rgb[2] = c.b;
      break;
    }
    case pvRGB48:
      for (int i = 0; i < 3; ++i) rgb[i] = row[6 * x + 2 * i] | (row[6 * x + 2 * i + 1] << 8);
      break;
    default: rgb[0] = rgb[1] = rgb[2] = 0;
  }
}

}  // namespace

bool SavePNM(TPVBitmap& bitmap, const std::string& path, bool withAlpha) {
  const int32_t width = bitmap.GetWidth();
  const int32_t height = bitmap.GetHeight();
  const TPVPixelFormat format = bitmap.GetPixelFormat();
  TPVBitmap* alpha = withAlpha && bitmap.HasAlphaChannel() ? bitmap.GetAlphaChannel() : nullptr;
  const bool grey = format == pv1g || format == pv8g || format == pv16g;
  const bool colour = format == pv24RGB || format == pv32RGB || format == pv8p || format == pvRGB48;
  if (!grey && !colour) return false;
  const bool wide = format == pv16g || format == pvRGB48;
  const uint32_t maxval = wide ? 65535 : 255;
  std::string out;
  if (alpha != nullptr) {
    out = "P7\nWIDTH " + std::to_string(width) + "\nHEIGHT " + std::to_string(height) +
          "\nDEPTH " + (grey ? "2" : "4") + "\nMAXVAL " + std::to_string(maxval) +
          "\nTUPLTYPE " + (grey ? "GRAYSCALE_ALPHA" : "RGB_ALPHA") + "\nENDHDR\n";
  } else if (format == pv1g) {
    out = "P4\n" + std::to_string(width) + " " + std::to_string(height) + "\n";
  } else {
    out = std::string(grey ? "P5" : "P6") + "\n" + std::to_string(width) + " " +
          std::to_string(height) + "\n" + std::to_string(maxval) + "\n";
  }
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* row = bitmap.GetScanline(y);
    const uint8_t* alphaRow = alpha ? alpha->GetScanline(y) : nullptr;
    if (row == nullptr || (alpha && alphaRow == nullptr)) return false;
    if (format == pv1g && alpha == nullptr) {
      // PBM: a set bit is black; ours is white.
      for (int32_t i = 0; i < (width + 7) / 8; ++i) {
        uint8_t bits = static_cast<uint8_t>(~row[i]);
        if (i == width / 8 && width % 8) bits &= static_cast<uint8_t>(0xFF << (8 - width % 8));
        out += static_cast<char>(bits);
      }
      continue;
    }
    for (int32_t x = 0; x < width; ++x) {
      const uint32_t a = alphaRow ? (wide ? alphaRow[x] * 257u : alphaRow[x]) : 0;
      if (grey) {
        uint32_t v = format == pv1g    ? ((row[x / 8] >> (7 - x % 8)) & 1) * 255u
                     : format == pv8g ? row[x]
                                      : static_cast<uint32_t>(row[2 * x] | (row[2 * x + 1] << 8));
        PutSample(out, v, wide);
      } else {
        uint32_t rgb[3];
        ColorAt(bitmap, row, x, rgb);
        for (uint32_t v : rgb) PutSample(out, v, wide);
      }
      if (alphaRow) PutSample(out, a, wide);
    }
  }
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(out.data(), static_cast<std::streamsize>(out.size()));
  return static_cast<bool>(file.flush());
}

namespace {

// Header tokens of a PNM file, skipping blanks and comments.
class HeaderReader {
 public:
  explicit HeaderReader(const std::string& bytes) : bytes_(bytes) {}
  std::string Token() {
    for (;;) {
      while (at_ < bytes_.size() && std::isspace(static_cast<unsigned char>(bytes_[at_]))) ++at_;
      if (at_ < bytes_.size() && bytes_[at_] == '#') {
        while (at_ < bytes_.size() && bytes_[at_] != '\n') ++at_;
        continue;
      }
      break;
    }
    const size_t start = at_;
    while (at_ < bytes_.size() && !std::isspace(static_cast<unsigned char>(bytes_[at_]))) ++at_;
    return bytes_.substr(start, at_ - start);
  }
  long Number() {
    const std::string token = Token();
    if (token.empty() || token.find_first_not_of("0123456789") != std::string::npos) return -1;
    return std::stol(token);
  }
  // The raster starts after the one blank that ends the header.
  size_t RasterStart() const { return at_ + 1; }
  size_t Position() const { return at_; }
  void SetPosition(size_t at) { at_ = at; }

 private:
  const std::string& bytes_;
  size_t at_ = 0;
};

bool Fail(std::string* error, const std::string& reason) {
  if (error) *error = reason;
  return false;
}

}  // namespace

bool LoadPNM(const std::string& path, TPVBitmap& bitmap, std::string* error) {
  std::ifstream file(path, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (bytes.size() < 3 || bytes[0] != 'P') return Fail(error, "not a PNM file");
  HeaderReader header(bytes);
  const std::string magic = header.Token();
  long width = -1, height = -1, maxval = 1, depth = 1;
  std::string tupleType;
  bool plain = magic == "P1" || magic == "P2" || magic == "P3";
  if (magic == "P7") {
    for (;;) {
      const std::string key = header.Token();
      if (key.empty()) return Fail(error, "PAM header without ENDHDR");
      if (key == "ENDHDR") break;
      if (key == "WIDTH") width = header.Number();
      else if (key == "HEIGHT") height = header.Number();
      else if (key == "DEPTH") depth = header.Number();
      else if (key == "MAXVAL") maxval = header.Number();
      else if (key == "TUPLTYPE") tupleType = header.Token();
      else return Fail(error, "unknown PAM header key " + key);
    }
  } else {
    width = header.Number();
    height = header.Number();
    if (magic != "P1" && magic != "P4") maxval = header.Number();
    if (magic == "P3" || magic == "P6") depth = 3;
    tupleType = magic == "P1" || magic == "P4" ? "BLACKANDWHITE" : depth == 3 ? "RGB" : "GRAYSCALE";
    if (magic != "P1" && magic != "P2" && magic != "P3" && magic != "P4" && magic != "P5" && magic != "P6")
      return Fail(error, "unknown magic " + magic);
  }
  if (width < 1 || height < 1 || maxval < 1 || maxval > 65535) return Fail(error, "bad size or maxval");
  const bool hasAlpha = tupleType.size() > 6 && tupleType.substr(tupleType.size() - 6) == "_ALPHA";
  const bool colour = tupleType.rfind("RGB", 0) == 0;
  const int channels = (colour ? 3 : 1) + (hasAlpha ? 1 : 0);
  if (magic == "P7" && depth != channels) return Fail(error, "DEPTH does not match TUPLTYPE");
  const bool bilevel = tupleType.rfind("BLACKANDWHITE", 0) == 0;
  const bool wide = maxval > 255;
  const TPVPixelFormat format = bilevel ? pv1g : colour ? (wide ? pvRGB48 : pv24RGB) : (wide ? pv16g : pv8g);
  const uint32_t top = wide ? 65535 : 255;

  // All samples of the raster, in file order, before anything is scaled.
  std::vector<uint32_t> samples;
  const size_t count = static_cast<size_t>(width) * height * channels;
  samples.reserve(count);
  if (magic == "P4") {
    size_t at = header.RasterStart();
    const size_t rowBytes = (width + 7) / 8;
    if (bytes.size() < at + rowBytes * height) return Fail(error, "truncated raster");
    for (long y = 0; y < height; ++y, at += rowBytes)
      for (long x = 0; x < width; ++x)
        samples.push_back((static_cast<uint8_t>(bytes[at + x / 8]) >> (7 - x % 8)) & 1 ? 0 : 1);
  } else if (plain) {
    for (size_t i = 0; i < count; ++i) {
      long v;
      if (magic == "P1") {  // digits may stand without blanks between them
        size_t at = header.Position();
        while (at < bytes.size() && (std::isspace(static_cast<unsigned char>(bytes[at])))) ++at;
        if (at >= bytes.size()) return Fail(error, "truncated raster");
        v = bytes[at] == '1' ? 0 : 1;
        header.SetPosition(at + 1);
      } else {
        v = header.Number();
        if (v < 0) return Fail(error, "truncated raster");
      }
      samples.push_back(static_cast<uint32_t>(v));
    }
  } else {
    const size_t at = header.RasterStart();
    const size_t size = wide ? 2 : 1;
    if (bytes.size() < at + count * size) return Fail(error, "truncated raster");
    for (size_t i = 0; i < count; ++i) {
      const auto* p = reinterpret_cast<const uint8_t*>(bytes.data() + at + i * size);
      samples.push_back(wide ? (p[0] << 8) | p[1] : p[0]);
    }
  }
  const auto scaled = [&](uint32_t v) {
    if (bilevel) return v;
    return static_cast<uint32_t>((static_cast<uint64_t>(v) * top + maxval / 2) / maxval);
  };

  bitmap.FreeImage(true);
  if (!bitmap.Allocate(static_cast<int32_t>(width), static_cast<int32_t>(height), format))
    return Fail(error, "no storage");
  TPVBitmap* alpha = hasAlpha ? bitmap.GetAlphaChannel() : nullptr;
  size_t i = 0;
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* row = bitmap.GetScanline(y);
    std::memset(row, 0, static_cast<size_t>(bitmap.GetRowLen()));
    std::vector<uint8_t> alphaRow(static_cast<size_t>(width));
    for (int32_t x = 0; x < width; ++x) {
      uint32_t v[4];
      for (int c = 0; c < channels; ++c) v[c] = scaled(samples[i++]);
      switch (format) {
        case pv1g: if (v[0]) row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8)); break;
        case pv8g: row[x] = static_cast<uint8_t>(v[0]); break;
        case pv16g: row[2 * x] = static_cast<uint8_t>(v[0]); row[2 * x + 1] = static_cast<uint8_t>(v[0] >> 8); break;
        case pv24RGB:
          row[3 * x] = static_cast<uint8_t>(v[2]), row[3 * x + 1] = static_cast<uint8_t>(v[1]);
          row[3 * x + 2] = static_cast<uint8_t>(v[0]);
          break;
        default:  // pvRGB48: red, green, blue little-endian words
          for (int c = 0; c < 3; ++c) {
            row[6 * x + 2 * c] = static_cast<uint8_t>(v[c]);
            row[6 * x + 2 * c + 1] = static_cast<uint8_t>(v[c] >> 8);
          }
      }
      if (hasAlpha) alphaRow[x] = static_cast<uint8_t>(wide ? v[channels - 1] / 257 : v[channels - 1]);
    }
    if (alpha != nullptr) std::memcpy(alpha->GetScanline(y), alphaRow.data(), alphaRow.size());
  }
  return true;
}

}  // namespace calmora::test
