// The Photoshop document content test over the 26-byte header.
#include <gtest/gtest.h>

#include "imaging/codecs/psd/psd_codec.h"
#include "tests/imaging/codecs/signature_cases.h"

namespace calmora {
namespace {

using test::AppendBE;
using test::SignatureCase;

std::string PSDHeader(uint16_t version, uint16_t channels, uint16_t depth, uint16_t mode,
                      const char* signature = "8BPS") {
  std::string bytes = signature;
  AppendBE(bytes, version, 2);
  bytes += std::string(6, '\0');
  AppendBE(bytes, channels, 2);
  AppendBE(bytes, 16, 4);
  AppendBE(bytes, 24, 4);
  AppendBE(bytes, depth, 2);
  AppendBE(bytes, mode, 2);
  return bytes;
}

TEST(IsPSDStream, WantsVersionOneAndPlausibleFields) {
  const SignatureCase cases[] = {
      {"RGB", PSDHeader(1, 3, 8, 3), true},
      {"limits", PSDHeader(1, 24, 16, 9), true},
      {"lowest", PSDHeader(1, 1, 1, 0), true},
      {"large document", PSDHeader(2, 3, 8, 3), false},
      {"no channels", PSDHeader(1, 0, 8, 3), false},
      {"25 channels", PSDHeader(1, 25, 8, 3), false},
      {"depth 0", PSDHeader(1, 3, 0, 3), false},
      {"depth 32", PSDHeader(1, 3, 32, 3), false},
      {"mode 10", PSDHeader(1, 3, 8, 10), false},
      {"other signature", PSDHeader(1, 3, 8, 3, "8BIM"), false},
      {"25 bytes", PSDHeader(1, 3, 8, 3).substr(0, 25), false},
  };
  test::ExpectSignatures(IsPSDStream, cases);
}

}  // namespace
}  // namespace calmora
