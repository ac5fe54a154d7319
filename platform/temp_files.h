// Folders and temporary files: the system temporary folder, directory tests and creation, and
// exclusive creation of a new file so that two callers can never share a temporary name.
#pragma once

#include <string>

namespace calmora::platform {

// The system temporary folder with a trailing '/': $TMPDIR when it names a folder, else /tmp.
std::string SystemTempFolder();

// True when the path names an existing directory (symbolic links followed).
bool IsDirectory(const std::string& path);

// Creates one directory (permissions 0777 less the umask); true on success.
bool MakeDirectory(const std::string& path);

enum class TempFileCreation {
  kCreated,    // the file did not exist and now exists, empty
  kNameTaken,  // something of that name exists already; nothing was touched
  kFailed,     // the file could not be created for another reason (missing folder, rights ...)
};

// Creates an empty file that must not exist yet (O_CREAT | O_EXCL), readable and writable by
// the owner only.
TempFileCreation CreateFileExclusive(const std::string& path);

}  // namespace calmora::platform
