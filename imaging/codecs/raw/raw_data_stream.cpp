// The adapter between LibRaw's data-stream interface and our streams. LibRaw's identification
// reads small pieces all over the file, so reads go through a read-ahead buffer; a read of
// our stream that raises is an end of data to LibRaw, which must not see C++ errors of ours.
#include "imaging/codecs/raw/raw_data_stream.h"

#include <cstdio>
#include <cstring>
#include <limits>

#include "imaging/codecs/raw/raw_text_scan.h"

namespace calmora {

namespace {
constexpr int32_t kReadAheadBytes = 8192;
}  // namespace

TPVRawDataStream::TPVRawDataStream(TStream* source)
    : buffered_(source, kReadAheadBytes, true), size_(buffered_.GetSize()) {}

int TPVRawDataStream::read(void* buffer, size_t itemSize, size_t itemCount) {
  if (itemSize == 0 || itemCount == 0) return 0;
  if (itemCount > static_cast<size_t>(std::numeric_limits<int32_t>::max()) / itemSize) return 0;
  try {
    const int32_t got = buffered_.Read(buffer, static_cast<int32_t>(itemSize * itemCount));
    return static_cast<int>(static_cast<size_t>(got > 0 ? got : 0) / itemSize);
  } catch (...) {
    return 0;
  }
}

int TPVRawDataStream::seek(INT64 offset, int whence) {
  INT64 target = offset;
  if (whence == SEEK_CUR) target += tell();
  else if (whence == SEEK_END) target += size_;
  else if (whence != SEEK_SET) return -1;
  // LibRaw seeks past the end and then reads nothing; keep it inside so reads stay defined.
  if (target < 0) target = 0;
  if (target > size_) target = size_;
  try {
    buffered_.Seek(target, soBeginning);
  } catch (...) {
    return -1;
  }
  return 0;
}

INT64 TPVRawDataStream::tell() {
  try {
    return buffered_.Seek(0, soCurrent);
  } catch (...) {
    return size_;
  }
}

int TPVRawDataStream::get_char() {
  unsigned char c;
  return read(&c, 1, 1) == 1 ? c : -1;
}

char* TPVRawDataStream::gets(char* text, int capacity) {
  return raw_text::ReadLine(*this, text, capacity);
}

int TPVRawDataStream::scanf_one(const char* format, void* value) {
  return raw_text::ScanOne(*this, format, value);
}

int TPVRawDataStream::eof() { return tell() >= size_ ? 1 : 0; }

}  // namespace calmora
