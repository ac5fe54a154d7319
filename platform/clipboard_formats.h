// Registered clipboard formats: a name gets one id for the life of the process, the same for
// every registration of that name whatever its letter case, as the platform's registry does.
// Data of a format travels on the clipboard under its MIME type.
#pragma once

#include <cstdint>
#include <string>

namespace calmora::platform {

// Registered ids lie in 0xC000 .. 0xFFFF; 0 answers an empty name or a full registry.
inline constexpr uint32_t FirstRegisteredClipboardFormat = 0xC000;

uint32_t RegisterClipboardFormat(const std::string& name);
// The name as first registered; empty for an id that is not registered.
std::string GetClipboardFormatName(uint32_t format);
// The MIME type under which data of a registered format is put on the clipboard; empty for
// an id that is not registered.
std::string ClipboardFormatMimeType(uint32_t format);

}  // namespace calmora::platform
