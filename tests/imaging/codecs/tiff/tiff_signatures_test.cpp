// The TIFF content tests: headers of both byte orders, the first directory read only where the
// stream holds it, and the marks of camera raw data.
#include <gtest/gtest.h>

#include "imaging/codecs/tiff/tiff_codec.h"
#include "tests/imaging/codecs/signature_cases.h"

namespace calmora {
namespace {

using test::AppendBE;
using test::AppendLE;
using test::SignatureCase;

struct Entry {
  uint16_t Tag, Type;
  uint32_t Count, Value;
};

// A TIFF with its first directory at offset 8; `claimed` overrides the entry count written.
std::string TIFF(bool little, std::initializer_list<Entry> entries, int claimed = -1,
                 uint8_t ninthByte = 0) {
  const auto put = [little](std::string& bytes, uint64_t value, int width) {
    little ? AppendLE(bytes, value, width) : AppendBE(bytes, value, width);
  };
  std::string bytes = little ? "II" : "MM";
  put(bytes, 42, 2);
  put(bytes, 8, 4);
  put(bytes, claimed >= 0 ? claimed : entries.size(), 2);
  for (const Entry& entry : entries) {
    put(bytes, entry.Tag, 2);
    put(bytes, entry.Type, 2);
    put(bytes, entry.Count, 4);
    // A SHORT sits in the first two bytes of the value field, whatever the byte order.
    if (entry.Type == 3 && entry.Count == 1) {
      put(bytes, entry.Value, 2);
      put(bytes, 0, 2);
    } else {
      put(bytes, entry.Value, 4);
    }
  }
  put(bytes, 0, 4);
  if (ninthByte != 0) bytes[8] = static_cast<char>(ninthByte);
  return bytes;
}

const Entry kWidth{256, 3, 1, 640}, kLength{257, 3, 1, 480};

TEST(IsTIFFStream, WantsAHeaderAndADirectoryWithTheImageSize) {
  const SignatureCase cases[] = {
      {"little-endian", TIFF(true, {kWidth, kLength}), true},
      {"big-endian", TIFF(false, {kWidth, kLength}), true},
      {"no width", TIFF(true, {kLength}), false},
      {"no length", TIFF(false, {kWidth}), false},
      {"big-endian with 0xBA at 8", TIFF(false, {kWidth, kLength}, -1, 0xBA), false},
      // The count promises more entries than the stream holds: nothing past the end is read.
      {"directory cut short", TIFF(true, {kWidth, kLength}, 40), false},
      {"count of 65535", TIFF(false, {kWidth, kLength}, 65535), false},
      {"directory beyond the end", std::string("II*\0\xFF\0\0\0", 8) + std::string(8, '\0'), false},
      {"other mark", "IM*\0\x08\0\0\0" + TIFF(true, {kWidth, kLength}).substr(8), false},
      {"eight bytes only", std::string("II*\0\x08\0\0\0", 8), false},
  };
  // Offsets count from stream position 0, so these cases are only run there.
  test::ExpectSignatures(IsTIFFStream, cases, false);
}

TEST(IsCameraRawTIFFStream, KnowsTheMarksOfRawData) {
  const SignatureCase cases[] = {
      {"plain TIFF", TIFF(true, {kWidth, kLength, {262, 3, 1, 2}}), false},
      {"DNG version", TIFF(true, {kWidth, kLength, {50706, 1, 4, 0x0401}}), true},
      {"DNG version of another type", TIFF(true, {kWidth, kLength, {50706, 3, 4, 0}}), false},
      {"colour filter array", TIFF(false, {kWidth, kLength, {262, 3, 1, 32803}}), true},
      {"linear raw", TIFF(true, {kWidth, kLength, {262, 3, 1, 34892}}), true},
      {"CFA as a LONG", TIFF(true, {kWidth, kLength, {262, 4, 1, 32803}}), false},
      {"TIFF/EP with a thumbnail", TIFF(true, {{256, 3, 1, 160}, {257, 3, 1, 120}, {330, 4, 1, 300}, {37398, 1, 4, 1}}), true},
      {"TIFF/EP with a full image", TIFF(false, {{256, 4, 1, 200}, {257, 3, 1, 120}, {330, 4, 1, 300}, {37398, 1, 4, 1}}), false},
      {"sub-directories alone", TIFF(true, {{256, 3, 1, 160}, {257, 3, 1, 120}, {330, 4, 1, 300}}), false},
      {"cut directory", TIFF(true, {{50706, 1, 4, 0x0401}}, 9), false},
  };
  test::ExpectSignatures(IsCameraRawTIFFStream, cases, false);
}

}  // namespace
}  // namespace calmora
