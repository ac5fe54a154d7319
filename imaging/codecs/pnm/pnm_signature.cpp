// The portable any-map content test: the header's tokens (magic, width, height and, except for
// the bit maps, the largest sample value), with comments skipped. Tokens and the number of
// them are bounded, so a file of endless digits or comments cannot keep the test reading.
#include <cstdint>
#include <optional>
#include <string>

#include "imaging/codecs/pnm/pnm_codec.h"
#include "imaging/base/streams/stream_peek.h"
#include "imaging/base/streams/streams.h"

namespace calmora {

namespace {

constexpr int32_t kMostTokens = 501;
// Longer than any number a header holds (and short enough that its digits fit an int64); a
// longer token cannot be a size.
constexpr size_t kLongestToken = 15;
constexpr int32_t kReadAheadBytes = 1024;

bool IsBlank(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

class TPXMTokenReader {
 public:
  explicit TPXMTokenReader(TStream* stream) : buffered_(stream, kReadAheadBytes, true) {}

  // The next token, or nothing at the end of the stream or past the token budget.
  std::optional<std::string> Next() {
    if (tokensRead_ >= kMostTokens) return std::nullopt;
    int c = SkipBlanksAndComments();
    if (c < 0) return std::nullopt;
    std::string token;
    while (c >= 0 && !IsBlank(c) && c != '#') {
      if (token.size() == kLongestToken) return std::nullopt;
      token.push_back(static_cast<char>(c));
      c = NextByte();
    }
    if (c == '#') SkipComment();
    ++tokensRead_;
    return token;
  }

 private:
  int NextByte() {
    uint8_t byte;
    return buffered_.Read(&byte, 1) == 1 ? byte : -1;
  }
  void SkipComment() {
    int c;
    do c = NextByte();
    while (c >= 0 && c != '\n' && c != '\r');
  }
  int SkipBlanksAndComments() {
    int c = NextByte();
    while (c >= 0 && (IsBlank(c) || c == '#')) {
      if (c == '#') SkipComment();
      c = NextByte();
    }
    return c;
  }

  TPVBufferedReadStream buffered_;
  int32_t tokensRead_ = 0;
};

// A token of digits as a number; anything else reads as -1.
int64_t TokenNumber(const std::string& token) {
  if (token.empty()) return -1;
  int64_t value = 0;
  for (char c : token) {
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c - '0');
  }
  return value;
}

}  // namespace

bool IsPXMStream(TStream* Stream) {
  TStreamPositionKeeper keeper(Stream);
  TPXMTokenReader tokens(Stream);
  const std::optional<std::string> magic = tokens.Next();
  if (!magic || magic->size() != 2 || (*magic)[0] != 'P' || (*magic)[1] < '1' || (*magic)[1] > '6')
    return false;
  // A width of 0 is passed over: the next number is taken as the width again.
  int64_t width = 0;
  while (width == 0) {
    const std::optional<std::string> token = tokens.Next();
    if (!token) return false;
    width = TokenNumber(*token);
  }
  const std::optional<std::string> height = tokens.Next();
  return height && width > 0 && TokenNumber(*height) > 0;
}

}  // namespace calmora
