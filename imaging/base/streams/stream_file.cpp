// File streams: the handle stream over our POSIX file stream, files opened by UTF-8 or UTF-16
// name and a file-mode word, and the create/open failures with the system's error text.
#include <cerrno>

#include "imaging/base/streams/streams.h"

namespace calmora {

namespace {

platform::FileSeekFrom SeekFromOf(TSeekOrigin origin, bool& valid) {
  valid = true;
  switch (origin) {
    case soBeginning:
      return platform::FileSeekFrom::kBeginning;
    case soCurrent:
      return platform::FileSeekFrom::kCurrent;
    case soEnd:
      return platform::FileSeekFrom::kEnd;
  }
  valid = false;
  return platform::FileSeekFrom::kCurrent;
}

// An existing file opened by a file-mode word, or kInvalidFileHandle with errno set.
platform::FileHandle OpenExistingByMode(const std::string& fileName, uint16_t mode) {
  // Access 3 does not exist; above 79 (fmShareDenyNone | 0x0F) no sharing value is defined.
  if ((mode & 3) > 2 || mode > 79) {
    errno = EINVAL;
    return platform::kInvalidFileHandle;
  }
  static constexpr platform::FileAccess kAccessOf[] = {
      platform::FileAccess::Read, platform::FileAccess::Write, platform::FileAccess::kReadWrite};
  return platform::OpenExistingFile(fileName, kAccessOf[mode & 3]);
}

platform::FileHandle OpenByMode(const std::string& fileName, uint16_t mode) {
  if (mode == fmCreate) return platform::CreateTruncatedFile(fileName);
  return OpenExistingByMode(fileName, mode);
}

std::string FailureMessage(const char* what, const std::string& fileName, int error) {
  return std::string(what) + " \"" + platform::ExpandFileName(fileName) + "\". " +
         platform::SystemErrorText(error);
}

}  // namespace

// ---- THandleStream ----

THandleStream::THandleStream(platform::FileHandle handle, bool ownsHandle)
    : file_(handle, ownsHandle) {}

THandleStream::~THandleStream() = default;

int32_t THandleStream::Read(void* buffer, int32_t count) {
  int64_t n = file_.Read(buffer, count);
  return n < 0 ? 0 : static_cast<int32_t>(n);
}

int32_t THandleStream::Write(const void* buffer, int32_t count) {
  int64_t n = file_.Write(buffer, count);
  return n < 0 ? 0 : static_cast<int32_t>(n);
}

int64_t THandleStream::Seek(int64_t offset, TSeekOrigin origin) {
  bool valid;
  platform::FileSeekFrom from = SeekFromOf(origin, valid);
  if (!valid) return -1;
  return file_.Seek(offset, from);
}

void THandleStream::SetSize(int64_t newSize) {
  if (!file_.SetSize(newSize)) {
    throw EStreamError(platform::SystemErrorText(errno));
  }
  file_.Seek(newSize, platform::FileSeekFrom::kBeginning);
}

// ---- Opening by name ----

platform::FileHandle OpenFileStreamHandle(const std::string& fileName, uint16_t mode) {
  platform::FileHandle handle = OpenByMode(fileName, mode);
  if (handle == platform::kInvalidFileHandle) {
    int error = errno;
    if (mode == fmCreate) throw EFCreateError(FailureMessage("Cannot create file", fileName, error));
    throw EFOpenError(FailureMessage("Cannot open file", fileName, error));
  }
  return handle;
}

TFileStream::TFileStream(const std::string& fileName, uint16_t mode)
    : THandleStream(OpenFileStreamHandle(fileName, mode), true), fileName_(fileName) {}

platform::FileHandle CreateFileWide(const std::u16string& fileName) {
  return platform::CreateTruncatedFile(platform::Utf16ToUtf8(fileName));
}

platform::FileHandle OpenFileWide(const std::u16string& fileName, uint16_t mode) {
  return OpenExistingByMode(platform::Utf16ToUtf8(fileName), mode);
}

TPVWideFileStream::TPVWideFileStream(const std::u16string& fileName, uint16_t mode)
    : THandleStream(OpenFileStreamHandle(platform::Utf16ToUtf8(fileName), mode), true) {}

}  // namespace calmora
