// libFuzzer target of the AVI frame reader: the input is an AVI file, opened from memory
// through a file descriptor; a few frames are read, and every DIB must have the size its
// header declares. Then the I/O component loads the first and last frame of the same file: a
// frame it reports loaded must be in the working bitmap at the size the record says. Bad files
// must fail cleanly, never crash or hang.
// Fuzz budget in CI: 30 s
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "imaging/io/pictavo_io.h"
#include "platform/avi_frames.h"

namespace {

uint32_t Field(const std::vector<uint8_t>& dib, size_t at) {
  return static_cast<uint32_t>(dib[at]) | static_cast<uint32_t>(dib[at + 1]) << 8 |
         static_cast<uint32_t>(dib[at + 2]) << 16 | static_cast<uint32_t>(dib[at + 3]) << 24;
}

// The DIB's length follows from its header: 40 bytes, the colour table and the padded rows.
void CheckDIB(const std::vector<uint8_t>& dib) {
  if (dib.size() < 40) std::abort();
  const uint64_t width = Field(dib, 4), height = Field(dib, 8), bits = Field(dib, 12) >> 16;
  const uint64_t stride = (width * bits + 31) / 32 * 4;
  if (40 + 4 * uint64_t{Field(dib, 32)} + stride * height != dib.size()) std::abort();
}

void LoadThroughComponent(const std::string& path) {
  calmora::TPictavoIO io(nullptr);
  const int32_t count = io.OpenAVIFile(std::u16string(path.begin(), path.end()));
  if ((count == 0) != io.Aborting) std::abort();
  for (uint32_t index : {0u, static_cast<uint32_t>(count) - 1}) {
    if (count == 0) break;
    io.LoadFromAVI(index);
    const calmora::TPVBitmap& image = *io.GetWorkBitmap();
    if (!io.Aborting && (image.GetWidth() != io.Params->Width ||
                         image.GetHeight() != io.Params->Height || image.GetWidth() <= 0))
      std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  calmora::platform::AviMaxFramePixels = int64_t{1} << 20;
  const int fd = memfd_create("fuzz.avi", 0);
  if (fd < 0) return 0;
  if (write(fd, data, size) == static_cast<ssize_t>(size)) {
    std::string reason;
    const std::string path = "/proc/self/fd/" + std::to_string(fd);
    const auto reader = calmora::platform::AviFrameReader::Open(path, reason);
    if (reader) {
      std::vector<uint8_t> dib;
      const uint32_t last = reader->FrameCount() - 1;
      for (uint32_t index : {0u, 1u, last, last / 2, 0u})
        if (reader->ReadFrame(index, dib, reason)) CheckDIB(dib);
    } else if (reason.empty()) {
      std::abort();
    }
    LoadThroughComponent(path);
  }
  close(fd);
  return 0;
}
