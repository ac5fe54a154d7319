// Building test files byte by byte: integers appended in either byte order.
#pragma once

#include <cstdint>
#include <string>

namespace calmora::test {

inline void AppendLE(std::string& bytes, uint64_t value, int width) {
  for (int i = 0; i < width; ++i) bytes.push_back(static_cast<char>(value >> (8 * i) & 0xFF));
}

inline void AppendBE(std::string& bytes, uint64_t value, int width) {
  for (int i = width - 1; i >= 0; --i) bytes.push_back(static_cast<char>(value >> (8 * i) & 0xFF));
}

}  // namespace calmora::test
