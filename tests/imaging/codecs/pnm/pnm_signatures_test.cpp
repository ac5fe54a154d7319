// The any-map test over its header tokens, and the metafile tests over their fixed headers.
#include <gtest/gtest.h>

#include "imaging/codecs/pnm/pnm_codec.h"
#include "tests/imaging/codecs/signature_cases.h"

namespace calmora {
namespace {

using test::AppendLE;
using test::SignatureCase;

TEST(IsPXMStream, WantsAMagicAndAPositiveSize) {
  const SignatureCase cases[] = {
      {"P6", "P6\n24 16\n255\n" + std::string(24 * 16 * 3, '\x40'), true},
      {"P1 without maxval", "P1\n3 2\n0 1 0\n1 0 1\n", true},
      {"P4 squeezed", "P4 8 1 \xAA", true},
      {"comments", "P5 # a comment\n#another\n 7 # width\n 5\n255\n", true},
      {"comment right after the magic", "P3#note\n2 2\n255\n", true},
      {"width 0 skipped", "P2 0 4 3\n255\n", true},
      {"height 0", "P2 4 0\n255\n", false},
      {"not a number", "P2 four 3\n", false},
      {"P7", "P7\nWIDTH 4\n", false},
      {"P0", "P0 4 4\n", false},
      {"lower case", "p6 4 4 255\n", false},
      {"ends before the height", "P6\n24", false},
      {"endless digits", "P6 " + std::string(5000, '9'), false},
      {"endless zeros", "P6" + std::string(3000, ' ') + [] {
         std::string zeros;
         for (int i = 0; i < 1000; ++i) zeros += "0 ";
         return zeros + "4 4";
       }(), false},
  };
  test::ExpectSignatures(IsPXMStream, cases);
}

std::string StandardHeader(uint16_t type, uint16_t words, uint16_t parameters) {
  std::string bytes;
  AppendLE(bytes, type, 2);
  AppendLE(bytes, words, 2);
  AppendLE(bytes, 0x300, 2);
  AppendLE(bytes, 100, 4);
  AppendLE(bytes, 0, 2);
  AppendLE(bytes, 3, 4);
  AppendLE(bytes, parameters, 2);
  return bytes;
}

std::string Placeable(const std::string& standard) {
  std::string bytes;
  AppendLE(bytes, 0x9AC6CDD7, 4);
  return bytes + std::string(18, '\0') + standard;
}

TEST(IsWMFStream, WantsTheStandardHeaderWithOrWithoutThePlaceableOne) {
  const SignatureCase cases[] = {
      {"standard", StandardHeader(1, 9, 0), true},
      {"on disk", StandardHeader(2, 9, 0), false},
      {"other header size", StandardHeader(1, 8, 0), false},
      {"parameters", StandardHeader(1, 9, 1), false},
      {"placeable", Placeable(StandardHeader(1, 9, 0)), true},
      {"placeable over a bad header", Placeable(StandardHeader(1, 10, 0)), false},
      {"placeable cut short", Placeable(StandardHeader(1, 9, 0)).substr(0, 30), false},
  };
  test::ExpectSignatures(IsWMFStream, cases);
}

std::string EMFHeader(uint32_t type, uint32_t signature, size_t size = 100) {
  std::string bytes;
  AppendLE(bytes, type, 4);
  bytes.resize(40, '\0');
  AppendLE(bytes, signature, 4);
  bytes.resize(size, '\0');
  return bytes;
}

TEST(IsEMFStream, WantsRecordOneAndTheSignatureInAHundredBytes) {
  const SignatureCase cases[] = {
      {"header", EMFHeader(1, 0x464D4520), true},
      {"other record", EMFHeader(2, 0x464D4520), false},
      {"other signature", EMFHeader(1, 0x464D4521), false},
      {"99 bytes", EMFHeader(1, 0x464D4520, 99), false},
  };
  test::ExpectSignatures(IsEMFStream, cases);
}

}  // namespace
}  // namespace calmora
