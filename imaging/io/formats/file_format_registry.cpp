// The format registry's list and its lookups by id and by extension.
#include "imaging/io/formats/file_formats.h"

#include <algorithm>

#include "imaging/base/text_helpers.h"

namespace calmora {

TPVFileFormatList FileFormatList;

void FreeFileFormatRegistry() { FileFormatList.clear(); }

void RegisterFileFormat(std::unique_ptr<TPVFileFormatInfo> Entry) {
  if (Entry) FileFormatList.push_back(std::move(Entry));
}

void UnregisterFileFormat(TPVFileFormatId Id) {
  const auto found = std::find_if(FileFormatList.begin(), FileFormatList.end(),
                                  [Id](const auto& entry) { return entry->FileType == Id; });
  if (found != FileFormatList.end()) FileFormatList.erase(found);
}

TPVFileFormatInfo* FindFileFormatInfo(TPVFileFormatId Id) {
  for (const auto& entry : FileFormatList)
    if (entry->FileType == Id) return entry.get();
  return nullptr;
}

std::string SplitFileExtList(std::string& List) {
  const size_t separator = List.find(';');
  std::string first = List.substr(0, separator);
  List.erase(0, separator == std::string::npos ? std::string::npos : separator + 1);
  return first;
}

int32_t GetFileExtCount(TPVFileFormatId Id) {
  const TPVFileFormatInfo* entry = FindFileFormatInfo(Id);
  if (entry == nullptr) return 0;
  int32_t count = 0;
  for (std::string list = entry->Extensions; !list.empty(); SplitFileExtList(list)) ++count;
  return count;
}

std::string GetFileExt(TPVFileFormatId Id, int32_t Index) {
  const TPVFileFormatInfo* entry = FindFileFormatInfo(Id);
  if (entry == nullptr || Index < 0) return {};
  std::string list = entry->Extensions;
  for (int32_t i = 0; i < Index && !list.empty(); ++i) SplitFileExtList(list);
  return SplitFileExtList(list);
}

TPVFileFormatInfo* FindFileFormatByExt(const std::string& Extension) {
  std::string wanted = LowerCaseText(Extension);
  if (!wanted.empty() && wanted.front() == '.') wanted.erase(0, 1);
  for (const auto& entry : FileFormatList) {
    for (std::string list = LowerCaseText(entry->Extensions); !list.empty();) {
      if (SplitFileExtList(list) == wanted) return entry.get();
    }
  }
  return nullptr;
}

TPVFileFormatId ExtensionToFileType(const std::string& Extension) {
  const TPVFileFormatInfo* entry = FindFileFormatByExt(Extension);
  return entry ? entry->FileType : kFormatUnknown;
}

bool FileFormatTestStub(TStream* /*Stream*/, int32_t /*FileType*/) { return false; }

}  // namespace calmora
