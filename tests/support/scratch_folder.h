// A private folder for one test: made fresh under the system temporary folder and removed with
// everything in it when the object goes.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace calmora::test {

class ScratchFolder {
 public:
  explicit ScratchFolder(const std::string& prefix = "calmora-test");
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  // The folder, without a trailing '/'.
  const std::string& Path() const { return path_; }
  // A name inside the folder.
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  // Names of the entries in the folder, sorted.
  std::vector<std::string> Entries() const;

 private:
  std::string path_;
};

// Writes bytes into a file (replacing it); false on failure.
bool WriteFileBytes(const std::string& path, const std::string& bytes);
// The whole file; empty when it cannot be read.
std::string ReadFileBytes(const std::string& path);

}  // namespace calmora::test
