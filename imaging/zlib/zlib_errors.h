// The zlib glue's exceptions and the checks that turn a negative zlib result into one,
// carrying zlib's own message text for the code.
#pragma once

#include <string>

#include "imaging/base/defs.h"

namespace calmora {

class EZLibError : public Exception {
 public:
  explicit EZLibError(const std::string& message) : Exception(message) {}
};

// Raised by the compression side.
class EZCompressionError : public EZLibError {
 public:
  explicit EZCompressionError(const std::string& message) : EZLibError(message) {}
};

// Raised by the decompression side.
class EZDecompressionError : public EZLibError {
 public:
  explicit EZDecompressionError(const std::string& message) : EZLibError(message) {}
};

// Each returns Code when it is 0 or positive and raises its exception class with zlib's text
// ("data error", "buffer error" ...) when it is negative.
int CheckCompressionResult(int Code);
int CheckDecompressionResult(int Code);

}  // namespace calmora
