// The system temporary folder, directory tests and exclusive creation of new files (POSIX).
#include "platform/temp_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace calmora::platform {

std::string SystemTempFolder() {
  std::string folder;
  if (const char* fromEnvironment = std::getenv("TMPDIR");
      fromEnvironment != nullptr && *fromEnvironment != '\0' && IsDirectory(fromEnvironment))
    folder = fromEnvironment;
  else
    folder = "/tmp";
  if (folder.back() != '/') folder += '/';
  return folder;
}

bool IsDirectory(const std::string& path) {
  struct stat info {};
  return !path.empty() && stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool MakeDirectory(const std::string& path) { return mkdir(path.c_str(), 0777) == 0; }

TempFileCreation CreateFileExclusive(const std::string& path) {
  int fd;
  do {
    fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return errno == EEXIST ? TempFileCreation::kNameTaken : TempFileCreation::kFailed;
  close(fd);
  return TempFileCreation::kCreated;
}

}  // namespace calmora::platform
