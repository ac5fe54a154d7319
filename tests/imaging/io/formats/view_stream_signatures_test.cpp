// The content tests of the layers, PVV and combined streams.
#include "imaging/io/formats/view_stream_signatures.h"

#include <gtest/gtest.h>

#include "tests/imaging/codecs/signature_cases.h"
#include "tests/imaging/io/formats/detection_fixtures.h"

namespace calmora {
namespace {

std::string LayersHeader(int32_t version) {
  std::string bytes = "PICTAVOLAYERS";
  test::AppendLE(bytes, static_cast<uint32_t>(version), 4);
  test::AppendLE(bytes, 8, 4);
  test::AppendLE(bytes, 1, 4);
  return bytes;
}

TEST(IsLayersStream, WantsTheSignatureAndAVersionAboveZero) {
  const test::SignatureCase cases[] = {
      {"version 6", LayersHeader(6), true},
      {"version 1", LayersHeader(1), true},
      {"version 0", LayersHeader(0), false},
      {"negative version", LayersHeader(-3), false},
      {"24 bytes", LayersHeader(6).substr(0, 24), false},
      {"other signature", "PICTAVOLAYERZ" + LayersHeader(6).substr(13), false},
  };
  test::ExpectSignatures(IsLayersStream, cases);
}

TEST(IsPVVStream, WantsAVersionFromOneToQ) {
  const test::SignatureCase cases[] = {
      {"Q", "PVVQ", true}, {"1", "PVV1", true}, {"<", "PVV<", true},
      {"R", "PVVR", false}, {"0", "PVV0", false}, {"three bytes", "PVV", false},
      {"lower case", "pvvQ", false},
  };
  test::ExpectSignatures(IsPVVStream, cases);
}

TEST(IsAllStream, WantsLayersAfterThePositionAndPVVAtIt) {
  std::string beyond = test::CombinedStream();
  beyond[0] = static_cast<char>(beyond.size() + 1);
  std::string negative = test::CombinedStream();
  negative[3] = '\x80';
  std::string noPVV = test::CombinedStream();
  noPVV[noPVV.size() - 24 + 3] = 'Z';
  const test::SignatureCase cases[] = {
      {"combined", test::CombinedStream(), true},
      {"position beyond the end", beyond, false},
      {"negative position", negative, false},
      {"no PVV at the position", noPVV, false},
      {"layers alone", std::string("\x1D\0\0\0", 4) + test::LayersStream(), false},
  };
  // The position counts from the stream's first byte, so the cases run at position 0 only.
  test::ExpectSignatures(IsAllStream, cases, false);
}

}  // namespace
}  // namespace calmora
