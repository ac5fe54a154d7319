// The stream classes every codec and the I/O component read and write through: the abstract
// TStream with its memory and handle streams, the library's own discarding, read-only memory,
// buffered and wide-name file streams, and the small string writers and readers.
#pragma once

#include <cstdint>
#include <string>

#include "imaging/base/defs.h"
#include "platform/file_stream.h"

namespace calmora {

// ---- Errors ----

class EStreamError : public Exception {
 public:
  using Exception::Exception;
};
class EFCreateError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};
class EFOpenError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};
class EReadError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};
class EWriteError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};

// ---- File-mode words of the file streams ----
// Access in the low two bits, sharing in bits 4..6; fmCreate creates or truncates.
inline constexpr uint16_t fmCreate = 0xFFFF;
inline constexpr uint16_t fmOpenRead = 0x0000;
inline constexpr uint16_t fmOpenWrite = 0x0001;
inline constexpr uint16_t fmOpenReadWrite = 0x0002;
inline constexpr uint16_t fmShareCompat = 0x0000;
inline constexpr uint16_t fmShareExclusive = 0x0010;
inline constexpr uint16_t fmShareDenyWrite = 0x0020;
inline constexpr uint16_t fmShareDenyRead = 0x0030;
inline constexpr uint16_t fmShareDenyNone = 0x0040;

// Any other value is accepted by Seek and means "stay where you are" (or fails, for files).
enum TSeekOrigin : int32_t { soBeginning = 0, soCurrent = 1, soEnd = 2 };

// ---- The abstract stream ----
// Positions and sizes are 64-bit; one Read or Write moves at most 2 GB. For soEnd the usual
// rule is position = size + offset (offset zero or negative). TNulStream and
// TPVBufferedReadStream count the offset back from the end instead: size - offset.
class TStream : public TObject {
 public:
  ~TStream() override;

  // Bytes actually transferred (0..count); a negative count transfers nothing.
  virtual int32_t Read(void* buffer, int32_t count) = 0;
  virtual int32_t Write(const void* buffer, int32_t count) = 0;
  // The new position.
  virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;

  // Seeks to the end and back, unless a stream knows better.
  virtual int64_t GetSize();
  // Does nothing unless a stream can change its size.
  virtual void SetSize(int64_t newSize);

  int64_t GetPosition();
  void SetPosition(int64_t position);

  // Whole transfers: a short one raises EReadError "Stream read error" or EWriteError
  // "Stream write error". A count of 0 does nothing.
  void ReadBuffer(void* buffer, int32_t count);
  void WriteBuffer(const void* buffer, int32_t count);

  // Copies count bytes from the source's position; count 0 copies the whole source from its
  // start. Returns the bytes copied; short sources raise EReadError.
  int64_t CopyFrom(TStream* source, int64_t count);
};

// ---- Memory streams ----

// Reads and seeks over a block it does not allocate itself.
class TCustomMemoryStream : public TStream {
 public:
  int32_t Read(void* buffer, int32_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t GetSize() override { return size_; }

  void* GetMemory() const { return memory_; }
  // Writes the whole block to the stream (EWriteError on a short write).
  void SaveToStream(TStream* stream);
  // Writes the whole block to a new file (EFCreateError when it cannot be created).
  void SaveToFile(const std::string& fileName);

 protected:
  void SetPointer(void* memory, int64_t size);

  void* memory_ = nullptr;
  int64_t size_ = 0;
  int64_t position_ = 0;
};

// A growable block the stream owns. Allocation failure raises EStreamError
// "Out of memory while expanding memory stream".
class TMemoryStream : public TCustomMemoryStream {
 public:
  TMemoryStream() = default;
  ~TMemoryStream() override;
  TMemoryStream(const TMemoryStream&) = delete;
  TMemoryStream& operator=(const TMemoryStream&) = delete;

  int32_t Write(const void* buffer, int32_t count) override;
  // Keeps the position unless it lies beyond the new size (then it moves to the end).
  void SetSize(int64_t newSize) override;

  int64_t GetCapacity() const { return capacity_; }
  // Frees the block; size and position 0.
  void Clear();
  // Replaces the content with the whole of the stream, read from its start.
  void LoadFromStream(TStream* stream);
  void LoadFromFile(const std::string& fileName);

 protected:
  // Reallocates the block to newCapacity bytes (0 frees it).
  virtual void SetCapacity(int64_t newCapacity);

  int64_t capacity_ = 0;
};

// A read-only stream over the caller's block, read in place: never copied, never freed.
// Writing writes nothing and returns 0, so writers that test the count see the failure.
class TPVMemStream : public TMemoryStream {
 public:
  TPVMemStream(const void* memory, int64_t size);
  ~TPVMemStream() override;

  void SetSize(int64_t newSize) override;
  int32_t Write(const void* buffer, int32_t count) override;

 protected:
  void SetCapacity(int64_t newCapacity) override;
};

// ---- File streams ----

// A stream over a file handle. It closes the handle only when it owns it.
class THandleStream : public TStream {
 public:
  explicit THandleStream(platform::FileHandle handle, bool ownsHandle = false);
  ~THandleStream() override;

  int32_t Read(void* buffer, int32_t count) override;    // an error reads 0 bytes
  int32_t Write(const void* buffer, int32_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;  // -1 when it fails
  // Cuts or extends the file and leaves the position at the new end; EStreamError on failure.
  void SetSize(int64_t newSize) override;

  platform::FileHandle GetHandle() const { return file_.Handle(); }

 protected:
  platform::FileStream file_;
};

// A file opened by a UTF-8 name and a file-mode word (fmCreate, or access | sharing).
// Failure raises EFCreateError "Cannot create file "%s". %s" or
// EFOpenError "Cannot open file "%s". %s" (full path, then the system's text).
class TFileStream : public THandleStream {
 public:
  TFileStream(const std::string& fileName, uint16_t mode);
  const std::string& GetFileName() const { return fileName_; }

 private:
  std::string fileName_;
};

// Opens or creates the handle for a file-mode word, with the failure messages above.
platform::FileHandle OpenFileStreamHandle(const std::string& fileName, uint16_t mode);

// Read and write access, no sharing, always created (truncated when it exists).
platform::FileHandle CreateFileWide(const std::u16string& fileName);
// mode is a file-mode word: (mode and 3) > 2 or mode > 79 gives kInvalidFileHandle without
// touching the file system. The file must exist. Sharing bits are accepted but not enforced:
// POSIX has no share modes.
platform::FileHandle OpenFileWide(const std::u16string& fileName, uint16_t mode);

// A file stream opened by a wide (UTF-16) name; mode fmCreate creates the file, any other
// mode opens it with OpenFileWide. Owns its handle. Fails as TFileStream does.
class TPVWideFileStream : public THandleStream {
 public:
  TPVWideFileStream(const std::u16string& fileName, uint16_t mode);
};

// ---- The library's own streams ----

// Stores nothing and counts: used to measure how many bytes a writer produces.
class TNulStream : public TStream {
 public:
  TNulStream() = default;

  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  // soEnd: Position becomes Size - offset.
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;

 private:
  int64_t Position = 0;
  int64_t Size = 0;  // the highest position reached
};

// A read-ahead buffer over another stream, for byte-at-a-time parsing: one-byte reads come
// from the buffer, the source is read in whole buffers, and seeking to the current position
// does not refill. With relative true the source's position at creation is position 0.
// It never reads past the source's size at creation. Writing raises
// Exception "TPVBufferedReadStream cannot write!".
class TPVBufferedReadStream : public TStream {
 public:
  TPVBufferedReadStream(TStream* source, int32_t bufferSize, bool relative);
  ~TPVBufferedReadStream() override;
  TPVBufferedReadStream(const TPVBufferedReadStream&) = delete;
  TPVBufferedReadStream& operator=(const TPVBufferedReadStream&) = delete;

  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  // soEnd: the target is SourceSize - offset. Returns the position relative to Base.
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  // SourceSize - Base, what seeking to the end and back reports, without refilling twice.
  int64_t GetSize() override;

  // A new buffer of n bytes (at least 1), filled at the current position.
  void SetBufferSize(int32_t n);
  // Positions the source at Position and reads a whole buffer.
  void FillBuffer();

 private:
  TStream* Source;         // not owned
  int32_t BufferSize = 0;
  uint8_t* Buffer = nullptr;
  int64_t Position = 0;    // absolute source position of the next byte delivered
  int32_t BufferPos = 0;   // index of that byte in Buffer
  int64_t SourceSize = 0;  // the source's size at creation
  int64_t Base = 0;        // source position that counts as position 0
};

// ---- Strings and text lines ----
// Texts are 8-bit characters. The writers return true when every byte was written.

// The count as a 4-byte little-endian int32, then the characters (no terminator).
bool WriteStringToStream(TStream* stream, const std::string& text);
// Reads what WriteStringToStream wrote. A count that is negative or larger than what is left
// in the stream, or a short read, gives false, an empty text and the stream back where it was.
bool ReadStringFromStream(TStream* stream, std::string& text);

bool WriteText(TStream* stream, const std::string& text);
bool WriteTextLineLF(TStream* stream, const std::string& text);    // then byte 10
bool WriteTextLineCRLF(TStream* stream, const std::string& text);  // then bytes 13, 10

// Writes count bytes; sets failed when the stream wrote fewer, and never clears it, so one flag
// collects every short write of a whole save. Codec writers pass *Progress.Aborting.
void SafeStreamWrite(TStream* stream, bool& failed, const void* buffer, int32_t count);

}  // namespace calmora
