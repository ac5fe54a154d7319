// ASCII85, PackBits and base64 encoders of the PostScript and PDF writers and of the
// source-code export.
#include "imaging/base/encoders.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace calmora {

// ---- ASCII85 ----

int32_t EncodeAscii85Group(const uint8_t*& source, int32_t count, char*& destination) {
  count = std::clamp(count, 0, 4);
  uint32_t word = 0;
  for (int32_t i = 0; i < 4; ++i) word = word << 8 | (i < count ? source[i] : 0u);
  source += count;
  if (count == 4 && word == 0) {
    *destination++ = 'z';
    return 1;
  }
  char digits[5];
  for (int i = 4; i >= 0; --i) {
    digits[i] = static_cast<char>('!' + word % 85);
    word /= 85;
  }
  std::copy_n(digits, count + 1, destination);
  destination += count + 1;
  return count + 1;
}

int32_t EncodeAscii85(const uint8_t*& source, int32_t length, char*& destination,
                      int32_t& counter) {
  // The result is a 32-bit count: an input whose encoding could pass it is refused whole.
  if (Ascii85BufferSize(length) > std::numeric_limits<int32_t>::max()) return 0;
  int32_t line = 0;
  int32_t total = 0;
  // Empty input has no group at all: a group of 0 bytes would write a stray "!".
  for (int32_t remaining = length; remaining > 0; remaining -= 4) {
    int32_t written = EncodeAscii85Group(source, std::min(4, remaining), destination);
    counter += written;
    line += written;
    total += written;
    if (line > 74) {
      *destination++ = '\r';
      *destination++ = '\n';
      line = 0;
      total += 2;
    }
  }
  for (char c : {'~', '>', '\r', '\n'}) *destination++ = c;
  return total + 4;
}

int64_t Ascii85BufferSize(int64_t length) {
  int64_t characters = (std::max<int64_t>(length, 0) + 3) / 4 * 5;
  // Every line holds at least 75 characters before its CR LF.
  return characters + characters / 75 * 2 + 4;
}

// ---- PackBits ----

int32_t EncodePackBits(const uint8_t* source, int32_t length, uint8_t* destination) {
  // The result is a 32-bit count: an input whose code could pass it is refused whole.
  if (PackBitsBufferSize(length) > std::numeric_limits<int32_t>::max()) return 0;
  uint8_t* out = destination;
  int32_t j = 0;
  while (j < length) {
    int32_t run = 1;
    while (run < 128 && j + run < length && source[j + run] == source[j]) ++run;
    if (run >= 2) {
      *out++ = static_cast<uint8_t>(1 - run);
      *out++ = source[j];
      j += run;
      continue;
    }
    // A literal group runs while each byte differs from the one before it, so it ends with
    // the first byte of the next equal pair.
    int32_t n = 1;
    while (n < 128 && j + n < length && source[j + n] != source[j + n - 1]) ++n;
    *out++ = static_cast<uint8_t>(n - 1);
    out = std::copy_n(source + j, n, out);
    j += n;
  }
  *out++ = 128;
  return static_cast<int32_t>(out - destination);
}

int64_t PackBitsBufferSize(int64_t length) {
  // Only the last literal group can hold a single byte, so at worst two bytes cost three.
  length = std::max<int64_t>(length, 0);
  return length + (length + 1) / 2 + 1;
}

// ---- base64 ----

namespace {
constexpr char kBase64Alphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
}

void EncodeBase64Group(const uint8_t* source, char* destination, int32_t count) {
  uint32_t b0 = source[0];
  uint32_t b1 = count > 1 ? source[1] : 0;
  uint32_t b2 = count > 2 ? source[2] : 0;
  destination[0] = kBase64Alphabet[b0 >> 2];
  destination[1] = kBase64Alphabet[(b0 & 3) << 4 | b1 >> 4];
  destination[2] = count > 1 ? kBase64Alphabet[(b1 & 15) << 2 | b2 >> 6] : '=';
  destination[3] = count > 2 ? kBase64Alphabet[b2 & 63] : '=';
}

void WriteBase64Lines(TStream* stream, std::ostream& textFile, int32_t lineLength) {
  const double groupsPerLine = lineLength / 4.0;
  const int64_t size = stream->GetSize();
  std::string text;
  int32_t groupsOnLine = 0;
  auto endLine = [&] {
    if (groupsOnLine > 0) text += '\n';
    groupsOnLine = 0;
  };
  auto addGroup = [&](const uint8_t* bytes, int32_t count) {
    char group[4];
    EncodeBase64Group(bytes, group, count);
    text.append(group, 4);
    if (++groupsOnLine >= groupsPerLine) endLine();
  };
  // Read in blocks: a byte per call made the encoding several times slower than the tools'.
  // A block holds whole groups; the zero to two bytes left over move to its front.
  constexpr int32_t kBlockBytes = 3 * 16384;
  std::vector<uint8_t> block(kBlockBytes);
  int32_t held = 0;
  while (stream->GetPosition() < size) {
    const int32_t want = static_cast<int32_t>(
        std::min<int64_t>(kBlockBytes - held, size - stream->GetPosition()));
    const int32_t got = stream->Read(block.data() + held, want);
    // A stream that stops delivering before its size would otherwise loop for ever.
    if (got <= 0) break;
    held += got;
    int32_t at = 0;
    for (; held - at >= 3; at += 3) addGroup(block.data() + at, 3);
    std::memmove(block.data(), block.data() + at, static_cast<size_t>(held - at));
    held -= at;
    if (text.size() >= (1u << 16)) {
      textFile << text;
      text.clear();
    }
  }
  if (held > 0) {
    uint8_t last[3] = {0, 0, 0};
    std::memcpy(last, block.data(), static_cast<size_t>(held));
    addGroup(last, held);
  }
  endLine();
  textFile << text;
}

}  // namespace calmora
