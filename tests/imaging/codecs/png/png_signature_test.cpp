// The PNG content test: the first four signature bytes.
#include <gtest/gtest.h>

#include "imaging/codecs/png/png_codec.h"
#include "tests/imaging/codecs/signature_cases.h"

namespace calmora {
namespace {

TEST(IsPNGStream, ComparesTheFirstFourSignatureBytes) {
  const test::SignatureCase cases[] = {
      {"signature", "\x89PNG\x0D\x0A\x1A\x0A", true},
      {"line ends damaged in transfer", "\x89PNG\x0A\x1A\x0A\x00", true},
      {"four bytes", "\x89PNG", true},
      {"three bytes", "\x89PN", false},
      {"top bit lost", "\x09PNG\x0D\x0A\x1A\x0A", false},
  };
  test::ExpectSignatures(IsPNGStream, cases);
}

}  // namespace
}  // namespace calmora
