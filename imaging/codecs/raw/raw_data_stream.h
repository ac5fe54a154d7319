// LibRaw reads its input through a data-stream object; this one reads one of our streams in
// place, through a read-ahead buffer, with positions counted from the stream's position at
// creation.
#pragma once

#include <libraw/libraw_datastream.h>

#include "imaging/base/streams/streams.h"

namespace calmora {

class TPVRawDataStream : public LibRaw_abstract_datastream {
 public:
  explicit TPVRawDataStream(TStream* source);

  int valid() override { return 1; }
  int read(void* buffer, size_t itemSize, size_t itemCount) override;
  int seek(INT64 offset, int whence) override;
  INT64 tell() override;
  INT64 size() override { return size_; }
  int get_char() override;
  char* gets(char* text, int capacity) override;
  int scanf_one(const char* format, void* value) override;
  int eof() override;
  void* make_jas_stream() override { return nullptr; }

 private:
  TPVBufferedReadStream buffered_;
  INT64 size_;
};

}  // namespace calmora
