// POSIX side of the file streams: descriptors opened by UTF-8 path, positioned transfers with
// pread/pwrite, size changes, error texts and full path names.
#include "platform/file_stream.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace calmora::platform {

namespace {

int AccessFlags(FileAccess access) {
  switch (access) {
    case FileAccess::Read: return O_RDONLY;
    case FileAccess::Write: return O_WRONLY;
    case FileAccess::kReadWrite:
      return O_RDWR;
  }
  return O_RDONLY;
}

FileHandle OpenRetrying(const std::string& path, int flags) {
  int fd;
  do {
    fd = ::open(path.c_str(), flags | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

}  // namespace

FileHandle OpenExistingFile(const std::string& path, FileAccess access) {
  FileHandle fd = OpenRetrying(path, AccessFlags(access));
  if (fd < 0) return kInvalidFileHandle;
  struct stat info;
  if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
    ::close(fd);
    errno = EISDIR;
    return kInvalidFileHandle;
  }
  return fd;
}

FileHandle CreateTruncatedFile(const std::string& path) {
  FileHandle fd = OpenRetrying(path, O_RDWR | O_CREAT | O_TRUNC);
  return fd < 0 ? kInvalidFileHandle : fd;
}

void CloseFileHandle(FileHandle handle) {
  if (handle >= 0) ::close(handle);
}

std::string SystemErrorText(int error) {
  char buffer[256];
  // The GNU strerror_r returns a pointer that may or may not be the buffer.
  const char* text = ::strerror_r(error, buffer, sizeof buffer);
  return text ? std::string(text) : std::string();
}

std::string ExpandFileName(const std::string& path) {
  std::error_code error;
  std::filesystem::path absolute = std::filesystem::absolute(std::filesystem::path(path), error);
  if (error) return path;
  return absolute.lexically_normal().string();
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t code = text[i];
    if (code >= 0xD800 && code <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      code = 0x10000 + ((code - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (code >= 0xD800 && code <= 0xDFFF) {
      code = 0xFFFD;
    }
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else if (code < 0x800) {
      out += static_cast<char>(0xC0 | (code >> 6));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      out += static_cast<char>(0xE0 | (code >> 12));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (code >> 18));
      out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }
  return out;
}

FileStream::FileStream(FileHandle handle, bool ownsHandle)
    : handle_(handle), ownsHandle_(ownsHandle) {
  off_t offset = handle >= 0 ? ::lseek(handle, 0, SEEK_CUR) : -1;
  position_ = offset > 0 ? offset : 0;
}

FileStream::~FileStream() {
  if (ownsHandle_) CloseFileHandle(handle_);
}

// Repeats a positioned transfer until count bytes moved, the file ended, or an error; -1 when
// the error came before any byte.
template <typename Transfer>
int64_t FileStream::TransferAll(int64_t count, Transfer transfer) {
  if (count <= 0) return 0;
  int64_t done = 0;
  while (done < count) {
    ssize_t moved = transfer(done, static_cast<size_t>(count - done),
                             static_cast<off_t>(position_ + done));
    if (moved < 0) {
      if (errno == EINTR) continue;
      if (done == 0) return -1;
      break;
    }
    if (moved == 0) break;  // end of file, or a device that takes no more
    done += moved;
  }
  position_ += done;
  return done;
}

int64_t FileStream::Read(void* buffer, int64_t count) {
  auto* bytes = static_cast<char*>(buffer);
  return TransferAll(count, [&](int64_t done, size_t n, off_t at) {
    return ::pread(handle_, bytes + done, n, at);
  });
}

int64_t FileStream::Write(const void* buffer, int64_t count) {
  const auto* bytes = static_cast<const char*>(buffer);
  return TransferAll(count, [&](int64_t done, size_t n, off_t at) {
    return ::pwrite(handle_, bytes + done, n, at);
  });
}

int64_t FileStream::Seek(int64_t offset, FileSeekFrom from) {
  int64_t origin = 0;
  switch (from) {
    case FileSeekFrom::kBeginning:
      origin = 0;
      break;
    case FileSeekFrom::kCurrent:
      origin = position_;
      break;
    case FileSeekFrom::kEnd:
      origin = Size();
      if (origin < 0) return -1;
      break;
  }
  if ((offset > 0 && origin > INT64_MAX - offset) || origin + offset < 0) {
    errno = EINVAL;
    return -1;
  }
  position_ = origin + offset;
  return position_;
}

int64_t FileStream::Size() const {
  struct stat info;
  if (::fstat(handle_, &info) != 0) return -1;
  return info.st_size;
}

bool FileStream::SetSize(int64_t size) {
  if (size < 0) {
    errno = EINVAL;
    return false;
  }
  int result;
  do {
    result = ::ftruncate(handle_, static_cast<off_t>(size));
  } while (result != 0 && errno == EINTR);
  return result == 0;
}

}  // namespace calmora::platform
