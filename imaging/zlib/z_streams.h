// The zlib stream classes: a TStream that deflates what is written to it into another stream,
// and one that inflates another stream's zlib block as it is read. Both keep a 64 KB buffer
// inside the object, so no read or write allocates.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <functional>

#include "imaging/base/streams/streams.h"
#include "imaging/zlib/zlib_errors.h"

namespace calmora {

// The size of the buffer between zlib and the other stream; progress is reported once per
// buffer moved, never per call.
inline constexpr int32_t kZStreamBufferSize = 65536;

// What both directions share: the other stream (not owned), the position in it at which this
// object continues, zlib's record and the buffer.
class TCustomZStream : public TStream {
 public:
  ~TCustomZStream() override;
  TCustomZStream(const TCustomZStream&) = delete;
  TCustomZStream& operator=(const TCustomZStream&) = delete;

  // Fired after each buffer moved to or from the other stream; the sender is this stream.
  std::function<void(TObject* Sender)> OnProgress;

 protected:
  explicit TCustomZStream(TStream* Stream);

  // Calls OnProgress when it is assigned.
  virtual void Progress();

  // While it works the zlib stream owns the other stream's position: someone may have moved
  // it between two calls, and the block must continue where it left off.
  void TakeStreamPosition();
  void RememberStreamPosition();

  TStream* stream_;
  int64_t streamPosition_;
  z_stream zStream_{};
  uint8_t buffer_[kZStreamBufferSize];
};

// Deflates everything written into the target stream. The block is complete only after
// Finish(), which the destructor calls when nobody did (a destructor cannot report a failure,
// so call Finish() where a failing target matters).
class TZCompressionStream : public TCustomZStream {
 public:
  // Level 0..3 picks zlib's stored, fastest, default and best levels; any other value raises
  // EZCompressionError, as does a failing deflate set-up.
  TZCompressionStream(TStream* Stream, uint8_t Level);
  ~TZCompressionStream() override;

  // Raises EZCompressionError "Invalid ZStream operation!": nothing can be read back.
  int32_t Read(void* Buffer, int32_t Count) override;
  // Deflates Count bytes and returns Count; full buffers go to the target through
  // WriteBuffer (its EWriteError passes on). After Finish() it raises as Read does.
  int32_t Write(const void* Buffer, int32_t Count) override;
  // Moves nothing: the uncompressed bytes taken in so far, so Position and Size read as that.
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;

  // Completes the block: the rest of the deflated data and zlib's trailer go to the target,
  // then deflate ends (also when writing failed, whose error passes on). Later calls do nothing.
  void Finish();

 private:
  // Writes the used part of the buffer (if any) to the target and empties it.
  void FlushBuffer();

  bool finished_ = false;
};

// Inflates the zlib block that starts at the source's position at creation.
class TZDecompressionStream : public TCustomZStream {
 public:
  // Raises EZDecompressionError when inflate cannot be set up.
  explicit TZDecompressionStream(TStream* Stream);
  ~TZDecompressionStream() override;

  // The bytes delivered: fewer than Count at the end of the block or of the source (no error
  // for a source that ends early). Damaged data raises EZDecompressionError with zlib's text,
  // and so does a block that needs a preset dictionary ("need dictionary").
  int32_t Read(void* Buffer, int32_t Count) override;
  // Raises EZDecompressionError "Invalid ZStream operation!".
  int32_t Write(const void* Buffer, int32_t Count) override;
  // Forward only: 0 from the beginning restarts at the block's start; a forward move reads and
  // drops bytes; 0 from the end reads to the end; anything else raises as Write does. Returns
  // the bytes delivered so far.
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  // Raises as Write does: the size is known only once everything is inflated.
  int64_t GetSize() override;

 private:
  // Reads and drops Count bytes; a block that ends first raises EReadError.
  void Skip(int64_t count);

  int64_t blockStart_;  // the source's position at creation
};

}  // namespace calmora
