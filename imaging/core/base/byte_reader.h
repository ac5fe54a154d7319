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
  explicit TPVByteReader(TStream* Stream);
  // Reads Size bytes at Memory; a null block or a size below 1 has nothing to read.
  TPVByteReader(const void* Memory, int64_t Size);

  // A copy would read a stream that the original has already moved.
  TPVByteReader(const TPVByteReader&) = delete;
  TPVByteReader& operator=(const TPVByteReader&) = delete;

  bool Failed() const { return Failed_; }
  // Makes the reader fail from outside: a parser that finds a field out of range calls it,
  // so the same one test at the end of a record covers both reads and checks.
  void Fail() { Failed_ = true; }

  // Bytes still to be read; 0 once the reader failed, so size checks refuse as reads do.
  int64_t Left() const { return Failed_ ? 0 : Size_ - Position_; }
  // Bytes taken since the reader was made (the position SeekTo counts from); a call that
  // fails leaves it where it was.
  int64_t Position() const { return Position_; }

  // Exactly Count bytes into Buffer, or false: the reader fails and Buffer gets Count zeros.
  // A negative count fails too.
  bool Read(void* Buffer, int64_t Count);
  // Passes over Count bytes; a stream seeks instead of reading them.
  bool Skip(int64_t Count);
  // Moves to NewPosition bytes from where the reader started (0 up to and with the end).
  bool SeekTo(int64_t NewPosition);
  // Whether Count items of ItemSize bytes each are still there; otherwise the reader fails.
  // This is the check between a count read from the data and the buffer sized from it.
  bool CheckCount(int64_t Count, int64_t ItemSize = 1);
  // A text ended by a zero byte that lies within the next MaxBytes bytes: reads through the
  // zero and gives the bytes before it. Without such a zero the reader fails and Text is
  // empty.
  bool ReadZeroTerminated(std::string& Text, int64_t MaxBytes);

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
  T Decode(std::endian Order) {
    uint8_t bytes[sizeof(T)];
    Read(bytes, sizeof(T));  // zeros when it fails
    Bits<sizeof(T)> bits = 0;
    for (size_t i = 0; i < sizeof(T); ++i) {
      const size_t next = Order == std::endian::big ? i : sizeof(T) - 1 - i;
      bits = static_cast<Bits<sizeof(T)>>(uint64_t{bits} << 8 | bytes[next]);
    }
    return std::bit_cast<T>(bits);
  }

  bool ReadFromStream(uint8_t* Buffer, int64_t Count);

  TStream* Stream_ = nullptr;
  const uint8_t* Memory_ = nullptr;
  int64_t StreamStart_ = 0;  // the stream's position when the reader was made
  int64_t Size_ = 0;         // bytes readable from the start
  int64_t Position_ = 0;
  bool Failed_ = false;
};

}  // namespace calmora
