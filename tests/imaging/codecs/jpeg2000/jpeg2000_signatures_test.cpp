// The JPEG 2000 content tests: the file format's signature box and the code stream's markers.
#include <gtest/gtest.h>

#include "imaging/codecs/jpeg2000/jpeg2000_codec.h"
#include "tests/imaging/codecs/signature_cases.h"

namespace calmora {
namespace {

const std::string kSignatureBox("\0\0\0\x0CjP  \x0D\x0A\x87\x0A", 12);

TEST(IsJP2Stream, WantsTheSignatureBox) {
  std::string damaged = kSignatureBox;
  damaged[10] = '\x88';
  const test::SignatureCase cases[] = {
      {"box", kSignatureBox + std::string(20, '\0'), true},
      {"box alone", kSignatureBox, true},
      {"damaged box", damaged, false},
      {"11 bytes", kSignatureBox.substr(0, 11), false},
      {"code stream", "\xFF\x4F\xFF\x51", false},
  };
  test::ExpectSignatures(IsJP2Stream, cases);
}

TEST(IsJ2KStream, WantsStartOfCodeStreamThenSize) {
  const test::SignatureCase cases[] = {
      {"markers", "\xFF\x4F\xFF\x51\x00\x2F", true},
      {"markers alone", "\xFF\x4F\xFF\x51", true},
      {"other second marker", "\xFF\x4F\xFF\x52", false},
      {"three bytes", "\xFF\x4F\xFF", false},
      {"file format", kSignatureBox, false},
  };
  test::ExpectSignatures(IsJ2KStream, cases);
}

}  // namespace
}  // namespace calmora
