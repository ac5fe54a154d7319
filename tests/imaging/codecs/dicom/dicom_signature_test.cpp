// The DICOM content test: "DICM" after the 128-byte preamble.
#include <gtest/gtest.h>

#include "imaging/codecs/dicom/dicom_codec.h"
#include "tests/imaging/codecs/signature_cases.h"

namespace calmora {
namespace {

TEST(IsDICOMStream, WantsTheMarkAfterThePreamble) {
  const std::string preamble(128, '\x55');
  const test::SignatureCase cases[] = {
      {"file", preamble + "DICM" + std::string(20, '\0'), true},
      {"mark alone", preamble + "DICM", true},
      {"mark cut", preamble + "DIC", false},
      {"mark one byte early", preamble.substr(1) + "DICM\0", false},
      {"bare data set", std::string("\x08\0\x05\0CS\x0A\0ISO_IR 100", 18), false},
  };
  test::ExpectSignatures(IsDICOMStream, cases);
}

}  // namespace
}  // namespace calmora
