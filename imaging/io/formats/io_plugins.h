// External I/O plug-ins: libraries that register a format of their own in the registry. The
// list is released at exit, each plug-in's format unregistered and its library closed.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "imaging/io/formats/file_formats.h"

namespace calmora {

struct TPVIOPlugin {
  void* LibraryHandle = nullptr;  // from dlopen; closed when the plug-in is released
  TPVFileFormatId FileType = kFormatUnknown;  // the format it registered
  std::mutex Lock;  // serialises calls into a plug-in that is not thread-safe
  // Bit 0: the plug-in never used its lock. A std::mutex needs no explicit release either
  // way; the bit is kept because plug-ins read and set it.
  uint8_t Flags = 0;
  std::string Name;
};

using TPVIOPluginList = std::vector<std::unique_ptr<TPVIOPlugin>>;
extern TPVIOPluginList IOPlugins;

// Unregisters each plug-in's format, closes its library and empties the list.
void FreeIOPlugins();

}  // namespace calmora
