// Pure helpers of the main window's file list.
#include "app/file_list.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace calmora {

std::vector<std::string> VideoFormatItems() {
  std::vector<std::string> items;
  std::string rest = kAcceptedTypes;
  size_t separator;
  while ((separator = rest.find(';')) != std::string::npos) {
    items.push_back(rest.substr(0, separator));
    rest.erase(0, separator + 1);
  }
  if (!rest.empty()) items.push_back(rest);
  return items;
}

std::string VideoFilesFilter() { return std::string("Video Files|") + kAcceptedTypes; }

std::string FileExtension(const std::string& path) {
  size_t dot = path.rfind('.');
  size_t slash = path.rfind('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  return path.substr(dot);
}

bool PassesExtensionTest(const std::string& path) {
  std::string extension = FileExtension(path);
  if (extension.empty()) return false;
  for (char& c : extension) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return std::string(kAcceptedTypes).find(extension) != std::string::npos;
}

std::uint64_t KilobytesOf(std::uint64_t bytes) {
  std::uint64_t whole = bytes / 1024;
  std::uint64_t rest = bytes % 1024;
  if (rest > 512 || (rest == 512 && whole % 2 == 1)) ++whole;
  return whole;
}

std::string GroupThousands(std::uint64_t value) {
  std::string digits = std::to_string(value);
  std::string grouped;
  for (size_t i = 0; i < digits.size(); ++i) {
    grouped += digits[i];
    size_t following = digits.size() - i - 1;
    if (following > 0 && following % 3 == 0) grouped += ',';
  }
  return grouped;
}

std::string SizeText(std::uint64_t bytes) { return GroupThousands(KilobytesOf(bytes)) + " KB"; }

std::uint64_t FileSizeOf(const std::string& path) {
  // Non-blocking, so that a named pipe among the files cannot hang the window.
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    throw std::runtime_error("Cannot open file \"" + path + "\". " + std::strerror(errno));
  }
  struct stat info {};
  int status = fstat(fd, &info);
  int savedErrno = errno;
  close(fd);
  if (status != 0) {
    throw std::runtime_error("Cannot open file \"" + path + "\". " + std::strerror(savedErrno));
  }
  if (!S_ISREG(info.st_mode)) {
    const char* reason = S_ISDIR(info.st_mode) ? std::strerror(EISDIR) : "Not a regular file";
    throw std::runtime_error("Cannot open file \"" + path + "\". " + reason);
  }
  return static_cast<std::uint64_t>(info.st_size);
}

}  // namespace calmora
