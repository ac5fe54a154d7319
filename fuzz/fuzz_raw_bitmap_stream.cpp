// libFuzzer target of the raw bitmap stream reader: any input either is refused or loads into
// a bitmap that saves to a stream which loads and saves again to the very same bytes.
// Fuzz budget in CI: 30 s
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "imaging/core/bitmap/bitmap.h"
#include "imaging/base/defs.h"
#include "imaging/base/streams/streams.h"

namespace {

std::vector<uint8_t> SaveToBytes(calmora::TPVBitmap& bitmap) {
  calmora::TMemoryStream stream;
  if (!bitmap.SaveRawToStream(&stream)) std::abort();
  const auto* bytes = static_cast<const uint8_t*>(stream.GetMemory());
  return std::vector<uint8_t>(bytes, bytes + stream.GetSize());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Images above 4 KiB go to temporary files, so the file rows are fuzzed too.
  calmora::BitmapFileThreshold = 4096;

  calmora::TPVBitmap fromBlock;
  const bool loadedBlock = fromBlock.LoadRawFromStream(data, static_cast<int64_t>(size));
  calmora::TPVMemStream stream(data, static_cast<int64_t>(size));
  calmora::TPVBitmap fromStream;
  const bool loadedStream = fromStream.LoadRawFromStream(&stream);
  if (loadedBlock != loadedStream) std::abort();
  if (!loadedBlock) return 0;

  const std::vector<uint8_t> first = SaveToBytes(fromBlock);
  if (SaveToBytes(fromStream) != first) std::abort();
  calmora::TPVBitmap again;
  if (!again.LoadRawFromStream(first.data(), static_cast<int64_t>(first.size()))) std::abort();
  if (SaveToBytes(again) != first) std::abort();
  return 0;
}
