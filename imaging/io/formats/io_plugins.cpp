// Releasing the external I/O plug-ins.
#include "imaging/io/formats/io_plugins.h"

#include <dlfcn.h>

namespace calmora {

TPVIOPluginList IOPlugins;

void FreeIOPlugins() {
  for (const std::unique_ptr<TPVIOPlugin>& plugin : IOPlugins) {
    // The format goes first: its callbacks live in the library about to be closed.
    UnregisterFileFormat(plugin->FileType);
    if (plugin->LibraryHandle != nullptr) dlclose(plugin->LibraryHandle);
  }
  IOPlugins.clear();
}

}  // namespace calmora
