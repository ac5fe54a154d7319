// The built-in CMYK printer profile as the program carries it: a zlib stream that inflates
// to an ICC output-device profile (CMYK data, Lab connection space). Generated data.
#pragma once

#include <cstdint>

namespace calmora {

extern const uint8_t BuiltInCMYKProfileData[];
extern const int32_t BuiltInCMYKProfileDataSize;  // bytes of the zlib stream
extern const int32_t BuiltInCMYKProfileSize;      // bytes of the inflated profile
}  // namespace calmora
