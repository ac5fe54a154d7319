// The list of named 3 x 3 filters: the nine built in at start-up and those added later.
#include "imaging/proc/filters/filter3x3.h"

namespace calmora {

// "Low Pass 1" divides its nine ones by 10, not 9, so it also darkens by a tenth; images
// filtered with it before must keep looking the same.
const Filter3x3 BuiltInFilters[9] = {
    {{0, 0, 0, 0, 1, 0, 0, 0, 0}, 0},          // None
    {{1, 1, 1, 1, 1, 1, 1, 1, 1}, 9},          // Blur
    {{1, 1, 1, 1, -8, 1, 1, 1, 1}, 1},         // Edges
    {{-1, 0, 1, -1, 1, 1, -1, 0, 1}, 1},       // Emboss
    {{0, -1, 0, -1, 5, -1, 0, -1, 0}, 1},      // High Pass 1
    {{-1, -1, -1, -1, 9, -1, -1, -1, -1}, 1},  // High Pass 2
    {{1, -2, 1, -2, 5, -2, 1, -2, 1}, 1},      // High Pass 3
    {{1, 1, 1, 1, 1, 1, 1, 1, 1}, 10},         // Low Pass 1
    {{1, 2, 1, 2, 4, 2, 1, 2, 1}, 16},         // Low Pass 2
};

const char* const BuiltInFilterNames[9] = {
    "None",        "Blur",        "Edges",      "Emboss",     "High Pass 1",
    "High Pass 2", "High Pass 3", "Low Pass 1", "Low Pass 2",
};

std::vector<Filter3x3> NamedFilters;
std::vector<std::string> NamedFilterNames;

void InitNamedFilters() {
  FreeNamedFilters();
  for (int32_t i = 0; i < 9; ++i) AddNamedFilter(BuiltInFilters[i], BuiltInFilterNames[i]);
}

void FreeNamedFilters() {
  NamedFilters.clear();
  NamedFilterNames.clear();
}

int32_t AddNamedFilter(const Filter3x3& Filter, const std::string& Name) {
  NamedFilters.push_back(Filter);
  NamedFilterNames.push_back(Name);
  return static_cast<int32_t>(NamedFilters.size()) - 1;
}

}  // namespace calmora
