// TPVByteReader: the one checked way a parser takes bytes apart, over a memory block or a
// stream: integers and floats of either byte order, counted reads, skips and moves, each
// checked against what is left. The first failure sticks and every later read gives zeros,
// so a parser tests Failed() once per record instead of after every field.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>

namespace calmora {

class TStream;

// The values ReadLE and ReadBE decode: integers of 1, 2, 4 or 8 bytes and IEEE 754 floats.
template <class T>
concept TPVByteReaderValue =
    (std::is_integral_v<T> && !std::is_same_v<T, bool>) || std::is_same_v<T, float> ||
    std::is_same_v<T, double>;

class TPVByteReader {
 public:
  // Reads the stream (not owned) from its position on; what is left is its size minus that
  // position, taken once now.
  explicit TPVByteReader(TStream* stream);
  // Reads Size bytes at Memory; a null block or a size below 1 has nothing to read.
  TPVByteReader(const void* memory, int64_t size);

  // A copy would read a stream that the original has already moved.
  TPVByteReader(const TPVByteReader&) = delete;
  TPVByteReader& operator=(const TPVByteReader&) = delete;

  bool Failed() const { return failed_; }
  // Makes the reader fail from outside: a parser that finds a field out of range calls it,
  // so the same one test at the end of a record covers both reads and checks.
  void Fail() { failed_ = true; }

  // Bytes still to be read; 0 once the reader failed, so size checks refuse as reads do.
  int64_t Left() const { return failed_ ? 0 : size_ - position_; }
  // Bytes taken since the reader was made (the position SeekTo counts from); a call that
  // fails leaves it where it was.
  int64_t Position() const { return position_; }

  // Exactly Count bytes into Buffer, or false: the reader fails and Buffer gets Count zeros.
  // A negative count fails too.
  bool Read(void* Buffer, int64_t Count);
  // Passes over Count bytes; a stream seeks instead of reading them.
  bool Skip(int64_t count);
  // Moves to NewPosition bytes from where the reader started (0 up to and with the end).
  bool SeekTo(int64_t newPosition);
  // Whether Count items of ItemSize bytes each are still there; otherwise the reader fails.
  // This is the check between a count read from the data and the buffer sized from it.
  bool CheckCount(int64_t count, int64_t itemSize = 1);
  // A text ended by a zero byte that lies within the next MaxBytes bytes: reads through the
  // zero and gives the bytes before it. Without such a zero the reader fails and Text is
  // empty.
  bool ReadZeroTerminated(std::string& text, int64_t maxBytes);

  uint8_t ReadByte() { return ReadLE<uint8_t>(); }
  template <TPVByteReaderValue T>
  T ReadLE() {
    return Decode<T>(std::endian::little);
  }
  template <TPVByteReaderValue T>
  T ReadBE() {
    return Decode<T>(std::endian::big);
  }

 private:
  // The unsigned integer of a value's width: its bits are assembled there first.
  template <size_t Size>
  using Bits = std::conditional_t<
      Size == 1, uint8_t,
      std::conditional_t<Size == 2, uint16_t, std::conditional_t<Size == 4, uint32_t, uint64_t>>>;

  template <class T>
  T Decode(std::endian order) {
    uint8_t bytes[sizeof(T)];
    Read(bytes, sizeof(T));  // zeros when it fails
    Bits<sizeof(T)> bits = 0;
    for (size_t i = 0; i < sizeof(T); ++i) {
      const size_t next = order == std::endian::big ? i : sizeof(T) - 1 - i;
      bits = static_cast<Bits<sizeof(T)>>(uint64_t{bits} << 8 | bytes[next]);
    }
    return std::bit_cast<T>(bits);
  }

  bool ReadFromStream(uint8_t* buffer, int64_t count);

  TStream* stream_ = nullptr;
  const uint8_t* memory_ = nullptr;
  int64_t streamStart_ = 0;  // the stream's position when the reader was made
  int64_t size_ = 0;         // bytes readable from the start
  int64_t position_ = 0;
  bool failed_ = false;
};

}  // namespace calmora
