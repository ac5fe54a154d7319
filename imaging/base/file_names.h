// Folder creation, unique temporary file names, file-name extensions and URL kinds.
#pragma once

#include <cstdint>
#include <string>

namespace calmora {

// Creates a folder and any missing parents. An empty path raises Exception("Cannot Create
// Directory"); an existing folder or the root is left alone; one trailing '/' is ignored.
void CreateDirectoryTree(const std::string& path);

// Sets name to folder + prefix + "-" + 8 upper-case hex digits of a random number in
// 0..2147483646 + ".tmp" and creates that file exclusively (empty), drawing again when the
// name is taken, so two callers never get the same file. A '/' is put between folder and
// prefix when the folder lacks one. False when no file could be created (name then holds the
// last name tried).
bool MakeTempFileName(const std::string& prefix, const std::string& folder, std::string& name);

// The lower-cased extension of a file name, with its leading "." when withDot is set; empty when
// the name has none.
std::string GetLowerExtension(const std::string& name, bool withDot);
std::string ExtractLowerExtension(const std::string& name, bool withDot);
std::u16string ExtractLowerExtensionW(const std::u16string& name, bool withDot);

// 1 for "http://", 2 for "https://", 3 for "ftp://" at the start of the text (any case), else 0.
int32_t GetURLKind(const std::string& text);
int32_t GetURLKindW(const std::u16string& text);

}  // namespace calmora
