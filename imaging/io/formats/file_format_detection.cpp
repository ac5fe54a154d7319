// FindFileFormat: a file's content format, reconciled with the format its extension names.
#include <filesystem>
#include <system_error>

#include "imaging/base/streams/streams.h"
#include "imaging/base/text_helpers.h"
#include "imaging/io/formats/format_description.h"
#include "imaging/io/formats/format_detection.h"
#include "platform/file_stream.h"

namespace calmora {

namespace {

// Only regular files are opened: opening a named pipe would wait for a writer, and reading a
// device may never end.
bool IsRegularFile(const std::string& name) {
  std::error_code error;
  return std::filesystem::is_regular_file(std::filesystem::path(name), error);
}

TPVFileFormatId ContentFormat(const std::u16string& fileName) {
  try {
    TPVWideFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
    return FindStreamFormat(&stream);
  } catch (...) {
    return kFormatUnknown;
  }
}

// What follows the last "." of the file's own name (not of a folder's); empty without one.
std::string ExtensionOf(const std::string& name) {
  const size_t nameStart = name.find_last_of('/') == std::string::npos ? 0 : name.find_last_of('/') + 1;
  const size_t dot = name.find_last_of('.');
  if (dot == std::string::npos || dot < nameStart) return {};
  return LowerCaseText(name.substr(dot + 1));
}

}  // namespace

TPVFileFormatId FindFileFormat(const std::u16string& FileName, bool Strict) {
  if (FileName.empty()) return kFormatUnknown;
  const std::string name = platform::Utf16ToUtf8(FileName);
  if (!IsRegularFile(name)) return kFormatUnknown;
  const TPVFileFormatId content = ContentFormat(FileName);
  const TPVFileFormatInfo* byExtension = FindFileFormatByExt(ExtensionOf(name));

  // A format whose files hold another's content is named by its extension.
  const TPVFormatDescription* extensionFormat =
      byExtension != nullptr ? FormatDescriptionOf(byExtension->FileType) : nullptr;
  if (extensionFormat != nullptr && content != kFormatUnknown &&
      extensionFormat->ContentInside == content)
    return extensionFormat->Id;
  // A format served only by its callbacks is trusted on its extension: its own reader knows.
  if (byExtension && !byExtension->Internal) return byExtension->FileType;
  if (!Strict || content == kFormatUnknown) return content;
  if (byExtension == nullptr) return kFormatUnknown;
  // Content whose layout several formats share takes the id the extension names.
  const TPVFormatDescription* contentFormat = FormatDescriptionOf(content);
  if (contentFormat != nullptr && contentFormat->ExtensionNamesId) return byExtension->FileType;
  return content == byExtension->FileType ? content : kFormatUnknown;
}

}  // namespace calmora
