// The Targa content test: the header's fields against the values a Targa file can hold.
#include <gtest/gtest.h>

#include "imaging/codecs/tga/tga_codec.h"
#include "tests/imaging/codecs/signature_cases.h"

namespace calmora {
namespace {

using test::AppendLE;
using test::SignatureCase;

std::string TGAHeader(uint8_t colorMapType, uint8_t imageType, uint16_t width, uint16_t height,
                      uint8_t depth) {
  std::string bytes;
  bytes.push_back(0);
  bytes.push_back(static_cast<char>(colorMapType));
  bytes.push_back(static_cast<char>(imageType));
  bytes += std::string(9, '\0');
  AppendLE(bytes, width, 2);
  AppendLE(bytes, height, 2);
  bytes.push_back(static_cast<char>(depth));
  bytes.push_back(0);
  return bytes;
}

TEST(IsTGAStream, WantsPlausibleHeaderFields) {
  std::vector<SignatureCase> cases;
  for (int type = 0; type < 256; ++type) {
    const bool known = type == 1 || type == 2 || type == 3 || type == 9 || type == 10 || type == 11;
    cases.push_back({"image type", TGAHeader(0, static_cast<uint8_t>(type), 4, 4, 24), known});
  }
  for (int depth = 0; depth < 256; ++depth) {
    const bool known = depth == 1 || depth == 4 || depth == 8 || depth == 16 || depth == 24 || depth == 32;
    cases.push_back({"pixel depth", TGAHeader(1, 1, 4, 4, static_cast<uint8_t>(depth)), known});
  }
  cases.push_back({"colour-map type 2", TGAHeader(2, 2, 4, 4, 24), false});
  cases.push_back({"width 0", TGAHeader(0, 2, 0, 4, 24), false});
  cases.push_back({"height 0", TGAHeader(0, 2, 4, 0, 24), false});
  cases.push_back({"17 bytes", TGAHeader(0, 2, 4, 4, 24).substr(0, 17), false});
  for (const SignatureCase& signatureCase : cases) {
    EXPECT_EQ(test::RunSignature(IsTGAStream, signatureCase.Bytes, 0), signatureCase.Expected)
        << signatureCase.Name << " " << signatureCase.Bytes.size();
  }
}

}  // namespace
}  // namespace calmora
