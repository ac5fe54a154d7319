// TIniFile: line-based INI handling. The file is kept as a list of lines so that a write
// changes exactly one line (or adds one) and leaves everything else byte for byte.
#include "platform/ini_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>
#include <utility>
#include <vector>

namespace calmora::platform {

namespace {

std::string Trim(const std::string& text) {
  size_t first = 0;
  size_t last = text.size();
  while (first < last && static_cast<unsigned char>(text[first]) <= ' ') ++first;
  while (last > first && static_cast<unsigned char>(text[last - 1]) <= ' ') --last;
  return text.substr(first, last - first);
}

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char ca = static_cast<unsigned char>(a[i]);
    unsigned char cb = static_cast<unsigned char>(b[i]);
    if (ca >= 'A' && ca <= 'Z') ca = static_cast<unsigned char>(ca + 32);
    if (cb >= 'A' && cb <= 'Z') cb = static_cast<unsigned char>(cb + 32);
    if (ca != cb) return false;
  }
  return true;
}

// The section name of a "[name]" line, or nothing for any other line.
std::optional<std::string> SectionOf(const std::string& line) {
  std::string trimmed = Trim(line);
  if (trimmed.empty() || trimmed.front() != '[') return std::nullopt;
  size_t close = trimmed.find(']');
  if (close == std::string::npos) close = trimmed.size();
  return Trim(trimmed.substr(1, close - 1));
}

// The key of a "key=value" line, or nothing when the line holds no "=".
std::optional<std::string> KeyOf(const std::string& line) {
  size_t equals = line.find('=');
  if (equals == std::string::npos) return std::nullopt;
  return Trim(line.substr(0, equals));
}

std::string ValueOf(const std::string& line) {
  std::string value = Trim(line.substr(line.find('=') + 1));
  // A value written inside matching quotes is given without them.
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return value;
}

// Reads the file's lines; false when it exists but cannot be read (so that a write never
// replaces a file whose contents it could not see).
bool ReadLines(const std::string& fileName, std::vector<std::string>& lines) {
  lines.clear();
  struct stat info {};
  if (stat(fileName.c_str(), &info) != 0) return errno == ENOENT;
  if (!S_ISREG(info.st_mode)) return false;
  std::ifstream in(fileName, std::ios::binary);
  if (!in) return false;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return !in.bad();
}

// Names may not carry line breaks: they would split one entry into two lines.
std::string OneLine(std::string text) {
  for (char& c : text) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return text;
}

// The file that a write really replaces: the target of a symbolic link, so the link stays.
std::string ResolvedTarget(const std::string& fileName) {
  struct stat info {};
  if (lstat(fileName.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
    char resolved[PATH_MAX];
    if (realpath(fileName.c_str(), resolved) != nullptr) return resolved;
  }
  return fileName;
}

std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

bool WriteAll(int fd, const std::string& data) {
  size_t done = 0;
  while (done < data.size()) {
    ssize_t written = write(fd, data.data() + done, data.size() - done);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(written);
  }
  return true;
}

// Writes data to a temporary file beside target, flushes it and renames it over target.
bool ReplaceAtomically(const std::string& target, const std::string& data) {
  std::string pattern = target + ".XXXXXX";
  std::vector<char> tempName(pattern.begin(), pattern.end());
  tempName.push_back('\0');
  int fd = mkstemp(tempName.data());
  if (fd < 0) return false;

  // Keep the old file's permissions; a new file gets the usual ones for a settings file.
  mode_t mode = 0644;
  struct stat info {};
  if (stat(target.c_str(), &info) == 0) mode = info.st_mode & 07777;

  bool ok = WriteAll(fd, data) && fchmod(fd, mode) == 0 && fsync(fd) == 0;
  ok = (close(fd) == 0) && ok;
  if (ok) ok = rename(tempName.data(), target.c_str()) == 0;
  if (!ok) {
    unlink(tempName.data());
    return false;
  }
  // Make the rename itself durable.
  int folder = open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY);
  if (folder >= 0) {
    fsync(folder);
    close(folder);
  }
  return true;
}

}  // namespace

TIniFile::TIniFile(std::string fileName) : fileName_(std::move(fileName)) {}

std::string TIniFile::ReadString(const std::string& Section, const std::string& Key,
                                 const std::string& Default) const {
  std::vector<std::string> lines;
  if (!ReadLines(fileName_, lines)) return Default;
  bool inSection = false;
  for (const std::string& line : lines) {
    if (auto section = SectionOf(line)) {
      if (inSection) break;  // only the first section of that name counts, as for writes
      inSection = SameName(*section, Section);
      continue;
    }
    if (!inSection) continue;
    auto key = KeyOf(line);
    if (key && SameName(*key, Key)) return ValueOf(line);
  }
  return Default;
}

void TIniFile::WriteString(const std::string& Section, const std::string& Key,
                           const std::string& Value) {
  const std::string failure = "Unable to write to " + fileName_;
  std::vector<std::string> lines;
  if (!ReadLines(fileName_, lines)) throw EIniFileException(failure);

  const std::string entry = OneLine(Key) + "=" + OneLine(Value);
  bool inSection = false;
  bool sectionFound = false;
  bool done = false;
  size_t insertAt = lines.size();  // after the last non-blank line of the section
  for (size_t i = 0; i < lines.size() && !done; ++i) {
    if (auto section = SectionOf(lines[i])) {
      if (inSection) break;  // the section ended without the key
      inSection = SameName(*section, Section);
      if (inSection && !sectionFound) {
        sectionFound = true;
        insertAt = i + 1;
      }
      continue;
    }
    if (!inSection) continue;
    if (!Trim(lines[i]).empty()) insertAt = i + 1;
    auto key = KeyOf(lines[i]);
    if (key && SameName(*key, Key)) {
      lines[i] = entry;
      done = true;
    }
  }
  if (!done) {
    if (sectionFound) {
      lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAt), entry);
    } else {
      if (!lines.empty() && !Trim(lines.back()).empty()) lines.emplace_back();
      lines.push_back("[" + OneLine(Section) + "]");
      lines.push_back(entry);
    }
  }

  std::ostringstream text;
  for (const std::string& line : lines) text << line << '\n';
  if (!ReplaceAtomically(ResolvedTarget(fileName_), text.str())) {
    throw EIniFileException(failure);
  }
}

}  // namespace calmora::platform
