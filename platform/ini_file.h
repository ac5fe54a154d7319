// TIniFile: a small INI reader/writer with the private-profile behaviour the front end
// relies on (case-blind names, defaults for anything missing), replacing files atomically.
#pragma once

#include <stdexcept>
#include <string>

namespace calmora::platform {

// Raised when the file cannot be replaced; the file on disk is then left as it was.
class EIniFileException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TIniFile {
 public:
  explicit TIniFile(std::string fileName);

  const std::string& FileName() const { return fileName_; }

  // The value of Key in Section with its surrounding blanks removed, or Default when the
  // file, the section or the key is missing. Section and key names ignore letter case.
  std::string ReadString(const std::string& Section, const std::string& Key,
                         const std::string& Default) const;

  // Sets Key in Section, creating the file, section or key as needed. Every other line
  // of the file (foreign sections, keys, comments) is kept as it was. The new contents
  // go to a temporary file in the same folder, are flushed to disk and then renamed over
  // the old file, so a crash never leaves a half-written file behind.
  void WriteString(const std::string& Section, const std::string& Key, const std::string& Value);

 private:
  std::string fileName_;
};

}  // namespace calmora::platform
