// The wire between a caller and an isolated helper program (isolated_helper.h), shared by both
// sides, so it holds only inline code: the helper program links nothing of ours.
// Every number is little-endian. One question runs: the caller sends kQuestion and the content's
// size (8 bytes); the helper asks for pieces with kRead, offset (8 bytes) and length (4 bytes),
// each answered by kData, a count (4 bytes, 0 at the end of the content or when it cannot be
// read) and that many bytes; the helper ends the question with kAnswer and one byte, 1 for yes.
#pragma once

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstdint>

namespace calmora::platform::helper_wire {

inline constexpr uint8_t kQuestion = 'Q';
inline constexpr uint8_t kRead = 'R';
inline constexpr uint8_t kData = 'D';
inline constexpr uint8_t kAnswer = 'A';
// The largest piece one kRead may ask for; a larger length is answered with this much.
inline constexpr uint32_t kMaxPiece = 1u << 20;

inline void PutLE(uint8_t* out, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out[i] = static_cast<uint8_t>(value >> (8 * i));
}
inline uint64_t GetLE(const uint8_t* in, int bytes) {
  uint64_t value = 0;
  for (int i = 0; i < bytes; ++i) value |= static_cast<uint64_t>(in[i]) << (8 * i);
  return value;
}

// Sends every byte; false when the other side is gone. Never raises SIGPIPE: a helper that
// died must not take its caller along.
inline bool SendAll(int channel, const void* data, size_t size) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  while (size > 0) {
    const ssize_t sent = ::send(channel, bytes, size, MSG_NOSIGNAL);
    if (sent < 0 && errno == EINTR) continue;
    if (sent <= 0) return false;
    bytes += sent;
    size -= static_cast<size_t>(sent);
  }
  return true;
}

// Receives exactly size bytes; false at the end of the channel, on an error, or when the
// deadline (a steady-clock time; none when absent) passes first.
inline bool ReceiveAll(int channel, void* data, size_t size,
                       const std::chrono::steady_clock::time_point* deadline = nullptr) {
  auto* bytes = static_cast<uint8_t*>(data);
  while (size > 0) {
    if (deadline != nullptr) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                            *deadline - std::chrono::steady_clock::now())
                            .count();
      if (left <= 0) return false;
      pollfd waiting{channel, POLLIN, 0};
      const int ready = ::poll(&waiting, 1, static_cast<int>(left > 60000 ? 60000 : left));
      if (ready < 0 && errno == EINTR) continue;
      if (ready < 0) return false;
      if (ready == 0) continue;  // the deadline is tested again above
    }
    const ssize_t got = ::recv(channel, bytes, size, 0);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    bytes += got;
    size -= static_cast<size_t>(got);
  }
  return true;
}

}  // namespace calmora::platform::helper_wire
