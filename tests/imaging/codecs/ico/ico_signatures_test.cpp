// The icon and cursor content tests: header, every directory entry, and a directory that must
// lie wholly inside the stream.
#include <gtest/gtest.h>

#include "imaging/codecs/ico/ico_codec.h"
#include "tests/imaging/codecs/signature_cases.h"

namespace calmora {
namespace {

using test::AppendLE;
using test::SignatureCase;

struct IconEntry {
  uint8_t Reserved = 0;
  uint32_t ByteCount = 40;
  int32_t Offset = -1;  // -1: right after the directory
};

std::string Icon(uint16_t type, std::initializer_list<IconEntry> entries, int claimed = -1,
                 uint16_t reserved = 0) {
  std::string bytes;
  AppendLE(bytes, reserved, 2);
  AppendLE(bytes, type, 2);
  AppendLE(bytes, claimed >= 0 ? claimed : entries.size(), 2);
  const uint32_t dataStart = 6 + 16 * static_cast<uint32_t>(entries.size());
  for (const IconEntry& entry : entries) {
    bytes += std::string("\x10\x10\x00", 3);  // width, height, no palette
    bytes.push_back(static_cast<char>(entry.Reserved));
    AppendLE(bytes, 1, 2);
    AppendLE(bytes, 32, 2);
    AppendLE(bytes, entry.ByteCount, 4);
    AppendLE(bytes, entry.Offset < 0 ? dataStart : entry.Offset, 4);
  }
  return bytes + std::string(40, '\0');
}

std::vector<SignatureCase> Cases(uint16_t type) {
  return {
      {"one image", Icon(type, {{}}), true},
      {"two images", Icon(type, {{}, {}}), true},
      {"other type", Icon(3 - type, {{}}), false},
      {"reserved word", Icon(type, {{}}, -1, 1), false},
      {"no images", Icon(type, {}, 0), false},
      {"entry's reserved byte", Icon(type, {{1, 40, -1}}), false},
      {"no bytes", Icon(type, {{0, 0, -1}}), false},
      {"image inside the directory", Icon(type, {{}, {0, 40, 21}}), false},
      // More entries claimed than the stream holds: the directory must be there first.
      {"count beyond the end", Icon(type, {{}}, 65535), false},
      {"22 bytes", Icon(type, {{}}).substr(0, 22), false},
  };
}

TEST(IsICOStream, WantsAPlausibleIconDirectory) {
  for (const SignatureCase& signatureCase : Cases(1)) {
    const SignatureCase one[] = {signatureCase};
    // Offsets are compared with stream positions, so the cases run at position 0 only.
    test::ExpectSignatures(IsICOStream, one, false);
  }
}

TEST(IsCURStream, WantsAPlausibleCursorDirectory) {
  for (const SignatureCase& signatureCase : Cases(2)) {
    const SignatureCase one[] = {signatureCase};
    test::ExpectSignatures(IsCURStream, one, false);
  }
}

}  // namespace
}  // namespace calmora
