// Our file handle and file stream over POSIX descriptors: opening by UTF-8 path, reads and
// writes at a 64-bit position of our own (pread/pwrite), size changes and error texts.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace calmora::platform {

using FileHandle = int;                          // a POSIX file descriptor
inline constexpr FileHandle kInvalidFileHandle = -1;

enum class FileAccess { Read, Write, kReadWrite };
enum class FileSeekFrom { kBeginning, kCurrent, kEnd };

// Opens an existing regular file (never creates one). Directories are refused (EISDIR), as
// they cannot be read as a stream. Returns kInvalidFileHandle and leaves errno on failure.
FileHandle OpenExistingFile(const std::string& path, FileAccess access);

// Creates the file, or truncates it when it exists, for reading and writing.
FileHandle CreateTruncatedFile(const std::string& path);

void CloseFileHandle(FileHandle handle);

// The system's text for an errno value ("No such file or directory").
std::string SystemErrorText(int error);

// The path made absolute against the current folder, with "." and ".." resolved by name.
std::string ExpandFileName(const std::string& path);

// UTF-16 text (wide file names) as UTF-8; unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);

// A descriptor with its own read/write position, so several streams over one descriptor do
// not disturb each other and positions beyond 2 GB work everywhere.
class FileStream {
 public:
  // Starts at the descriptor's current offset (0 when it has none, as for a pipe).
  FileStream(FileHandle handle, bool ownsHandle);
  ~FileStream();
  FileStream(const FileStream&) = delete;
  FileStream& operator=(const FileStream&) = delete;

  FileHandle Handle() const { return handle_; }
  int64_t Position() const { return position_; }

  // Bytes read (short only at the end of the file), or -1 on an error.
  int64_t Read(void* buffer, int64_t count);
  // Bytes written, or -1 when nothing could be written.
  int64_t Write(const void* buffer, int64_t count);
  // The new position, or -1 (position unchanged) when the target would be negative.
  int64_t Seek(int64_t offset, FileSeekFrom from);
  // Current file size, or -1 on an error.
  int64_t Size() const;
  // Cuts or extends the file; false on an error (errno set).
  bool SetSize(int64_t size);

 private:
  template <typename Transfer>
  int64_t TransferAll(int64_t count, Transfer transfer);

  FileHandle handle_;
  bool ownsHandle_;
  int64_t position_ = 0;
};

}  // namespace calmora::platform
