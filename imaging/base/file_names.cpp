// Folder creation, temporary file names, file-name extensions and URL kinds.
#include <cstdio>
#include <random>
#include <string_view>

#include "imaging/base/defs.h"
#include "imaging/base/file_names.h"
#include "platform/temp_files.h"

namespace calmora {

void CreateDirectoryTree(const std::string& path) {
  if (path.empty()) throw Exception("Cannot Create Directory");
  std::string folder = path;
  if (folder.back() == '/') folder.pop_back();
  // The root (empty once its '/' is gone) and existing folders need nothing.
  if (folder.empty() || platform::IsDirectory(folder)) return;
  const size_t slash = folder.rfind('/');
  // A relative name of one component has no folder part to create first.
  if (slash != std::string::npos) CreateDirectoryTree(folder.substr(0, slash + 1));
  platform::MakeDirectory(folder);  // a failure shows when the folder is used
}

bool MakeTempFileName(const std::string& prefix, const std::string& folder, std::string& name) {
  thread_local std::mt19937 generator{std::random_device{}()};
  std::uniform_int_distribution<uint32_t> draw(0, 2147483646);
  std::string base = folder;
  if (!base.empty() && base.back() != '/') base += '/';
  base += prefix;
  // Each draw hits a taken name with a tiny chance; the bound only stops a pathological folder.
  for (int attempt = 0; attempt < 1000; ++attempt) {
    char digits[9];
    std::snprintf(digits, sizeof digits, "%08X", static_cast<unsigned>(draw(generator)));
    name = base + "-" + digits + ".tmp";
    switch (platform::CreateFileExclusive(name)) {
      case platform::TempFileCreation::kCreated:
        return true;
      case platform::TempFileCreation::kNameTaken:
        continue;
      case platform::TempFileCreation::kFailed:
        return false;
    }
  }
  return false;
}

namespace {

template <typename Char>
Char LowerAscii(Char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<Char>(c - 'A' + 'a') : c;
}

template <typename String>
String LowerExtension(const String& name, bool withDot) {
  const size_t dot = name.rfind('.');
  const size_t slash = name.rfind('/');
  if (dot == String::npos || (slash != String::npos && slash > dot)) return String();
  String extension = name.substr(withDot ? dot : dot + 1);
  for (auto& c : extension) c = LowerAscii(c);
  return extension;
}

template <typename String>
int32_t URLKind(const String& text) {
  auto startsWith = [&](std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
      if (LowerAscii(text[i]) != static_cast<typename String::value_type>(prefix[i])) return false;
    return true;
  };
  if (startsWith("http://")) return 1;
  if (startsWith("https://")) return 2;
  if (startsWith("ftp://")) return 3;
  return 0;
}

}  // namespace

std::string GetLowerExtension(const std::string& name, bool withDot) {
  return LowerExtension(name, withDot);
}

std::string ExtractLowerExtension(const std::string& name, bool withDot) {
  return LowerExtension(name, withDot);
}

// Works on the wide text itself: a detour through narrow text would lose characters.
std::u16string ExtractLowerExtensionW(const std::u16string& name, bool withDot) {
  return LowerExtension(name, withDot);
}

int32_t GetURLKind(const std::string& text) { return URLKind(text); }

int32_t GetURLKindW(const std::u16string& text) { return URLKind(text); }

}  // namespace calmora
