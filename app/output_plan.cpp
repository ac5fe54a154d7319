// Output paths of a batch and the collision check before it starts (see output_plan.h).
#include "app/output_plan.h"

#include <sys/stat.h>

#include <map>
#include <tuple>

#include "app/pass_commands.h"

namespace calmora {

namespace {

// One file whatever the spelling of its path: an existing file is its device and inode;
// a path that names nothing yet is the identity of its folder and the name in it (the
// whole text when even the folder cannot be found), so two outputs not yet written still
// meet when they would land on one name in one folder.
struct FileIdentity {
  bool Exists = false;
  dev_t Device = 0;
  ino_t Inode = 0;
  std::string Name;
  auto Key() const { return std::tie(Exists, Device, Inode, Name); }
  bool operator<(const FileIdentity& other) const { return Key() < other.Key(); }
  bool operator==(const FileIdentity& other) const { return Key() == other.Key(); }
};

FileIdentity IdentityOf(const std::string& path) {
  FileIdentity identity;
  struct stat status {};
  if (::stat(path.c_str(), &status) == 0) {
    identity.Exists = true;
    identity.Device = status.st_dev;
    identity.Inode = status.st_ino;
    return identity;
  }
  const std::string folder(FolderOf(path));
  identity.Name = std::string(FileNameOf(path));
  if (::stat(folder.empty() ? "." : folder.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) {
    identity.Device = status.st_dev;
    identity.Inode = status.st_ino;
  } else {
    identity.Name = path;
  }
  return identity;
}

bool SameExistingFile(const std::string& a, const std::string& b) {
  const FileIdentity first = IdentityOf(a);
  return first.Exists && first == IdentityOf(b);
}

}  // namespace

std::string PlannedOutputPath(const std::string& filepath, const std::string& outputFolder,
                              bool convertFormat, const std::string& videoFormat) {
  std::string output = OutputPath(filepath, outputFolder, convertFormat, videoFormat);
  if (SameExistingFile(output, filepath)) output = WithNewPrefix(output);
  return output;
}

std::optional<OutputCollision> FindOutputCollision(const std::vector<std::string>& inputs,
                                                   const std::string& outputFolder,
                                                   bool convertFormat,
                                                   const std::string& videoFormat) {
  // Each file is looked at once; a file listed twice is named by its first row.
  std::map<FileIdentity, std::size_t> listed;
  for (std::size_t row = 0; row < inputs.size(); ++row)
    listed.emplace(IdentityOf(inputs[row]), row);
  std::map<FileIdentity, std::size_t> written;
  for (std::size_t row = 0; row < inputs.size(); ++row) {
    const std::string output =
        PlannedOutputPath(inputs[row], outputFolder, convertFormat, videoFormat);
    const FileIdentity identity = IdentityOf(output);
    if (const auto found = listed.find(identity); found != listed.end())
      return OutputCollision{inputs[row], output, inputs[found->second], true};
    if (const auto [found, added] = written.emplace(identity, row); !added)
      return OutputCollision{inputs[row], output, inputs[found->second], false};
  }
  return std::nullopt;
}

std::string CollisionMessage(const OutputCollision& collision) {
  const std::string advice =
      " Please choose another output folder or remove one of these files from the list.";
  if (collision.ReplacesListedFile) {
    return "The output of \"" + collision.Input + "\" would replace the listed file \"" +
           collision.Other + "\"." + advice;
  }
  return "\"" + collision.Other + "\" and \"" + collision.Input + "\" would both be written to \"" +
         collision.Output + "\"." + advice;
}

}  // namespace calmora
