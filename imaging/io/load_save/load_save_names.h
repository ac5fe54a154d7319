// File names as the component's entry points take them (UTF-16) turned into the UTF-8 the
// views and the text writers use.
#pragma once

#include <cstdint>
#include <string>

namespace calmora {

std::string Utf8Of(const std::u16string& Text);

}  // namespace calmora
