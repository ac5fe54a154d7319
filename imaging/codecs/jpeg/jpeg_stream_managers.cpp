// The stream source and destination managers: libjpeg reads and writes a TStream in blocks of
// 64 KB. An exhausted source offers a fake end-of-image marker instead of suspending, so a cut
// file decodes to its full size with a warning; an empty one sets the abort flag.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "imaging/codecs/jpeg/jpeg_glue.h"
#include "imaging/base/streams/byte_reader.h"
#include "imaging/base/streams/streams.h"

namespace calmora {

namespace {

struct JPEGStreamSource {
  jpeg_source_mgr Base;
  TStream* Stream;
  bool StartOfFile;
  bool* Aborting;
  JOCTET* Buffer;
};

struct JPEGStreamDestination {
  jpeg_destination_mgr Base;
  TStream* Stream;
  bool* Aborting;
  JOCTET* Buffer;
};

JPEGStreamSource* SourceOf(j_decompress_ptr info) {
  return reinterpret_cast<JPEGStreamSource*>(info->src);
}

JPEGStreamDestination* DestinationOf(j_compress_ptr info) {
  return reinterpret_cast<JPEGStreamDestination*>(info->dest);
}

void InitSource(j_decompress_ptr info) { SourceOf(info)->StartOfFile = true; }

// Reads what is left, up to a buffer; nothing thrown here may reach libjpeg, so a failing
// stream counts as the end of the data.
int64_t ReadBlock(TStream* stream, JOCTET* buffer) {
  try {
    TPVByteReader reader(stream);
    const int64_t count = std::min<int64_t>(kJPEGStreamBufferSize, reader.Left());
    if (count <= 0 || !reader.Read(buffer, count)) return 0;
    return count;
  } catch (...) {
    return 0;
  }
}

boolean FillInputBuffer(j_decompress_ptr info) {
  JPEGStreamSource* source = SourceOf(info);
  int64_t count = ReadBlock(source->Stream, source->Buffer);
  if (count <= 0) {
    if (source->StartOfFile && source->Aborting) *source->Aborting = true;
    source->Buffer[0] = 0xFF;
    source->Buffer[1] = JPEG_EOI;
    count = 2;
  }
  source->Base.next_input_byte = source->Buffer;
  source->Base.bytes_in_buffer = static_cast<size_t>(count);
  source->StartOfFile = false;
  return TRUE;
}

void SkipInputData(j_decompress_ptr info, long count) {
  if (count < 1) return;
  JPEGStreamSource* source = SourceOf(info);
  while (count > static_cast<long>(source->Base.bytes_in_buffer)) {
    count -= static_cast<long>(source->Base.bytes_in_buffer);
    FillInputBuffer(info);
  }
  source->Base.next_input_byte += count;
  source->Base.bytes_in_buffer -= static_cast<size_t>(count);
}

void TermSource(j_decompress_ptr) {}

// Writes through SafeStreamWrite; a stream that raises counts as a short write.
void WriteBlock(JPEGStreamDestination* destination, int64_t count) {
  if (count <= 0) return;
  bool failed = false;
  try {
    SafeStreamWrite(destination->Stream, failed, destination->Buffer,
                    static_cast<int32_t>(count));
  } catch (...) {
    failed = true;
  }
  if (failed && destination->Aborting) *destination->Aborting = true;
}

void InitDestination(j_compress_ptr info) {
  JPEGStreamDestination* destination = DestinationOf(info);
  if (!destination->Buffer) {
    destination->Buffer = static_cast<JOCTET*>(std::malloc(kJPEGStreamBufferSize));
  }
  if (!destination->Buffer) {
    // Not a codec error of the data: stop the compressor the way any other error does.
    info->err->msg_code = JERR_OUT_OF_MEMORY;
    info->err->error_exit(reinterpret_cast<j_common_ptr>(info));
  }
  destination->Base.next_output_byte = destination->Buffer;
  destination->Base.free_in_buffer = kJPEGStreamBufferSize;
}

boolean EmptyOutputBuffer(j_compress_ptr info) {
  JPEGStreamDestination* destination = DestinationOf(info);
  WriteBlock(destination, kJPEGStreamBufferSize);
  destination->Base.next_output_byte = destination->Buffer;
  destination->Base.free_in_buffer = kJPEGStreamBufferSize;
  return TRUE;
}

void TermDestination(j_compress_ptr info) {
  JPEGStreamDestination* destination = DestinationOf(info);
  WriteBlock(destination,
             kJPEGStreamBufferSize - static_cast<int64_t>(destination->Base.free_in_buffer));
  destination->Base.next_output_byte = destination->Buffer;
  destination->Base.free_in_buffer = kJPEGStreamBufferSize;
}

}  // namespace

void SetJPEGStreamSource(j_decompress_ptr Info, TStream* Stream, bool* Aborting) {
  JPEGStreamSource* source = SourceOf(Info);
  if (!source) {
    source = static_cast<JPEGStreamSource*>(std::calloc(1, sizeof(JPEGStreamSource)));
    if (source) source->Buffer = static_cast<JOCTET*>(std::malloc(kJPEGStreamBufferSize));
    if (!source || !source->Buffer) {
      std::free(source);
      Info->err->msg_code = JERR_OUT_OF_MEMORY;
      Info->err->error_exit(reinterpret_cast<j_common_ptr>(Info));
      return;
    }
    Info->src = &source->Base;
  }
  source->Base.init_source = InitSource;
  source->Base.fill_input_buffer = FillInputBuffer;
  source->Base.skip_input_data = SkipInputData;
  source->Base.resync_to_restart = jpeg_resync_to_restart;
  source->Base.term_source = TermSource;
  source->Stream = Stream;
  source->Aborting = Aborting;
  source->Base.next_input_byte = nullptr;
  source->Base.bytes_in_buffer = 0;
}

void FreeJPEGStreamSource(j_decompress_ptr Info) {
  JPEGStreamSource* source = SourceOf(Info);
  if (!source) return;
  std::free(source->Buffer);
  std::free(source);
  Info->src = nullptr;
}

void SetJPEGStreamDestination(j_compress_ptr Info, TStream* Stream, bool* Aborting) {
  JPEGStreamDestination* destination = DestinationOf(Info);
  if (!destination) {
    destination =
        static_cast<JPEGStreamDestination*>(std::calloc(1, sizeof(JPEGStreamDestination)));
    if (!destination) {
      Info->err->msg_code = JERR_OUT_OF_MEMORY;
      Info->err->error_exit(reinterpret_cast<j_common_ptr>(Info));
      return;
    }
    Info->dest = &destination->Base;
  }
  destination->Base.init_destination = InitDestination;
  destination->Base.empty_output_buffer = EmptyOutputBuffer;
  destination->Base.term_destination = TermDestination;
  destination->Stream = Stream;
  destination->Aborting = Aborting;
}

void FreeJPEGStreamDestination(j_compress_ptr Info) {
  JPEGStreamDestination* destination = DestinationOf(Info);
  if (!destination) return;
  std::free(destination->Buffer);
  std::free(destination);
  Info->dest = nullptr;
}

}  // namespace calmora
