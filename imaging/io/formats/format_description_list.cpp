// The list of format descriptions in force and what is read off it: the lookups by id, the
// content tests' order, the save chain and the per-format method rows.
#include <algorithm>
#include <string>

#include "imaging/base/text_helpers.h"
#include "imaging/io/formats/format_description.h"

namespace calmora {

namespace {

// Owned copies: the copy's method row carries its id, so that the description need not say it
// twice. Pointers into it stay valid while the list grows.
struct TDescriptionList {
  std::vector<std::unique_ptr<TPVFormatDescription>> Owned;
  std::vector<const TPVFormatDescription*> InForce;

  void Add(const TPVFormatDescription& Description) {
    auto copy = std::make_unique<TPVFormatDescription>(Description);
    copy->Method.Id = copy->Id;
    InForce.push_back(copy.get());
    Owned.push_back(std::move(copy));
  }
  void Remove(const TPVFormatDescription* Description) {
    InForce.erase(std::remove(InForce.begin(), InForce.end(), Description), InForce.end());
    Owned.erase(std::remove_if(Owned.begin(), Owned.end(),
                               [Description](const auto& owned) { return owned.get() == Description; }),
                Owned.end());
  }
};

TDescriptionList& List() {
  static TDescriptionList list = [] {
    TDescriptionList built;
    for (const TPVFormatDescription* description : BuiltInFormatDescriptions())
      built.Add(*description);
    return built;
  }();
  return list;
}

// Whether Extension (lower case, no dot) is one of the ";"-separated upper-case List.
bool ListHolds(std::string List, const std::string& Extension) {
  while (!List.empty())
    if (LowerCaseText(SplitFileExtList(List)) == Extension) return true;
  return false;
}

}  // namespace

const std::vector<const TPVFormatDescription*>& FormatDescriptions() { return List().InForce; }

const TPVFormatDescription* FormatDescriptionOf(TPVFileFormatId Id) {
  for (const TPVFormatDescription* description : FormatDescriptions())
    if (description->Id == Id) return description;
  return nullptr;
}

std::vector<const TPVFormatDescription*> ContentTestOrder() {
  std::vector<const TPVFormatDescription*> order;
  for (const TPVFormatDescription* description : FormatDescriptions())
    if (description->ContentTest != nullptr) order.push_back(description);
  std::stable_sort(order.begin(), order.end(), [](const auto* a, const auto* b) {
    if (a->TestedLast != b->TestedLast) return b->TestedLast;
    return a->ContentRank < b->ContentRank;
  });
  return order;
}

const TPVFormatDescription* SaveByNameOf(std::string_view Extension) {
  if (!Extension.empty() && Extension.front() == '.') Extension.remove_prefix(1);
  if (Extension.empty()) return nullptr;
  const std::string lower = LowerCaseText(std::string(Extension));
  for (const TPVFormatDescription* description : FormatDescriptions()) {
    if (!description->SavedByName) continue;
    if (ListHolds(description->Extensions, lower) ||
        ListHolds(description->MoreSaveExtensions, lower))
      return description;
  }
  return nullptr;
}

const TPVFormatMethod& FormatMethodOf(TPVFileFormatId Id) {
  static const TPVFormatMethod none;
  const TPVFormatDescription* description = FormatDescriptionOf(Id);
  return description != nullptr ? description->Method : none;
}

TPVScopedFormatDescription::TPVScopedFormatDescription(const TPVFormatDescription& Description) {
  if (Description.Id < 0 || Description.Id >= kCodecTableSize ||
      FormatDescriptionOf(Description.Id) != nullptr)
    return;  // an id the tables cannot hold, or one described already: nothing changes
  List().Add(Description);
  added_ = List().InForce.back();
  TPVCodecEntry& entry = CodecTable[static_cast<size_t>(Description.Id)];
  savedCodec_ = entry;
  entry = {Description.Read, Description.Write};
}

TPVScopedFormatDescription::~TPVScopedFormatDescription() {
  if (added_ == nullptr) return;
  CodecTable[static_cast<size_t>(added_->Id)] = savedCodec_;
  List().Remove(added_);
}

}  // namespace calmora
