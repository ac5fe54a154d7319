// The system's metafile backend, which loads nothing, and the switch between backends.
#include "platform/metafile.h"

#include <atomic>

namespace calmora::platform {
namespace {

// Debian has no renderer for enhanced metafiles, and plain ones only through a library with a
// poor memory-safety record whose drawing layer we would still have to write; a clear
// "cannot load" is safer than either.
class SystemMetafileBackend final : public MetafileBackend {
 public:
  std::unique_ptr<Metafile> Load(const std::string& fileName, std::string& reason) override {
    reason = "metafiles cannot be loaded on this system: " + fileName;
    return nullptr;
  }
};

SystemMetafileBackend SystemBackend;
std::atomic<MetafileBackend*> InstalledBackend{nullptr};

}  // namespace

MetafileBackend& CurrentMetafileBackend() {
  MetafileBackend* installed = InstalledBackend.load();
  return installed != nullptr ? *installed : SystemBackend;
}

void SetMetafileBackend(MetafileBackend* backend) { InstalledBackend.store(backend); }

std::unique_ptr<Metafile> LoadMetafile(const std::string& fileName, std::string& reason) {
  return CurrentMetafileBackend().Load(fileName, reason);
}

}  // namespace calmora::platform
