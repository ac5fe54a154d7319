// The DCX content test: the magic and a page table whose offsets lie inside the stream, read no
// further than the stream and the 1,024 pages a DCX holds.
#include <gtest/gtest.h>

#include "imaging/codecs/pcx/pcx_codec.h"
#include "tests/imaging/codecs/signature_cases.h"

namespace calmora {
namespace {

using test::AppendLE;
using test::SignatureCase;

std::string DCX(std::initializer_list<uint32_t> offsets, size_t pageBytes = 200) {
  std::string bytes;
  AppendLE(bytes, 987654321, 4);
  for (uint32_t offset : offsets) AppendLE(bytes, offset, 4);
  return bytes + std::string(pageBytes, '\x0A');
}

std::string FullTable(uint32_t entries) {
  std::string bytes;
  AppendLE(bytes, 987654321, 4);
  for (uint32_t i = 0; i < entries; ++i) AppendLE(bytes, 4 + 4 * entries + 8, 4);
  return bytes + std::string(16, '\x0A');
}

TEST(IsDCXStream, WantsTheMagicAndATableInsideTheStream) {
  const SignatureCase cases[] = {
      {"two pages", DCX({16, 100, 0}), true},
      {"no pages", DCX({0}), true},
      {"page beyond the end", DCX({16, 5000, 0}), false},
      {"other magic", "\x00\x01\x02\x03" + DCX({16, 0}).substr(4), false},
      // Offsets that never end in a zero: the table runs to the end of the stream.
      {"table without its end", DCX({8, 8, 8}, 0), false},
      {"1,024 pages", FullTable(1024), true},
  };
  // Page offsets count from the file's start, so the cases run at position 0 only.
  test::ExpectSignatures(IsDCXStream, cases, false);
}

}  // namespace
}  // namespace calmora
