// Running a content test over a table of byte strings: each case at position 0 and behind other
// data, the answer compared and the position checked to be where it was.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "imaging/base/streams/streams.h"
#include "tests/imaging/support/byte_strings.h"

namespace calmora::test {

struct SignatureCase {
  const char* Name;
  std::string Bytes;
  bool Expected;
};

inline bool RunSignature(bool (*test)(TStream*), const std::string& bytes, int64_t start) {
  TPVMemStream stream(bytes.data(), static_cast<int64_t>(bytes.size()));
  stream.SetPosition(start);
  const bool answer = test(&stream);
  EXPECT_EQ(stream.GetPosition(), start) << "the position moved";
  return answer;
}

// Tests whose offsets count from the data's start are also run behind `lead` bytes when asked.
template <size_t N>
void ExpectSignatures(bool (*test)(TStream*), const SignatureCase (&cases)[N],
                      bool alsoBehindOtherData = true) {
  for (const SignatureCase& signatureCase : cases) {
    EXPECT_EQ(RunSignature(test, signatureCase.Bytes, 0), signatureCase.Expected)
        << signatureCase.Name;
    if (alsoBehindOtherData) {
      const std::string lead(9, '\x7F');
      EXPECT_EQ(RunSignature(test, lead + signatureCase.Bytes, 9), signatureCase.Expected)
          << signatureCase.Name << " behind other data";
    }
    // Every shorter piece must answer without reading past its end (the sanitizers watch).
    for (size_t length = 0; length < signatureCase.Bytes.size() && length < 600; ++length)
      RunSignature(test, signatureCase.Bytes.substr(0, length), 0);
  }
}

}  // namespace calmora::test
