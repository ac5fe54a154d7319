// DCX, a page table in front of PCX pages: reading one page, and adding a page by rebuilding
// the whole container in memory before it replaces the stream's content.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "imaging/codecs/pcx/pcx_codec.h"
#include "imaging/base/streams/byte_reader.h"
#include "imaging/base/streams/reader_boundary.h"
#include "imaging/base/streams/streams.h"

namespace calmora {

namespace {

constexpr uint32_t kDCXMagic = 987654321;
constexpr int32_t kMostDCXPages = 1024;
constexpr int32_t kCopyChunk = 1 << 20;

void PutLE32(uint8_t* at, uint32_t value) {
  for (int32_t i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

void WriteAll(TStream* stream, bool& failed, const uint8_t* data, int64_t count) {
  while (count > 0) {
    const int32_t part = static_cast<int32_t>(std::min<int64_t>(count, kCopyChunk));
    SafeStreamWrite(stream, failed, data, part);
    data += part;
    count -= part;
  }
}

int32_t ReadBody(TStream* Stream, TPVBitmap& Bitmap, TIOParamsVals& Params,
                 TPVProgressRecord& Progress, bool ParamsOnly) {
  bool& aborting = *Progress.Aborting;
  const int64_t start = Stream->GetPosition();
  if (!IsDCXStream(Stream)) {
    aborting = true;
    return 0;
  }
  Stream->SetPosition(start + 4);
  const std::vector<int64_t> offsets = ReadDCXOffsets(Stream);
  if (offsets.empty()) {
    aborting = true;
    return 0;
  }
  const std::vector<int64_t> sizes = GetDCXPageSizes(offsets, Stream->GetSize() - start);
  const int32_t pages = static_cast<int32_t>(offsets.size());
  const int32_t index = std::clamp(Params.DCX_ImageIndex, 0, pages - 1);
  Params.SetImageIndex(index);
  Stream->SetPosition(start + offsets[static_cast<size_t>(index)]);
  ReadPCXStream(Stream, Bitmap, Params, sizes[static_cast<size_t>(index)], Progress, ParamsOnly);
  return pages;
}

void WriteBody(TStream* Stream, TPVBitmap& Bitmap, TIOParamsVals& Params,
               TPVProgressRecord& Progress) {
  bool& aborting = *Progress.Aborting;
  // The container is the whole stream: it is rewritten from its first byte.
  const int64_t size = Stream->GetSize();
  std::vector<int64_t> offsets;
  std::vector<int64_t> sizes;
  if (size > 0) {
    Stream->SetPosition(0);
    if (!IsDCXStream(Stream)) {
      aborting = true;
      return;
    }
    Stream->SetPosition(4);
    offsets = ReadDCXOffsets(Stream);
    sizes = GetDCXPageSizes(offsets, size);
  }
  const int32_t pages = static_cast<int32_t>(offsets.size());
  // One more page would not fit the table a reader looks at.
  if (pages >= kMostDCXPages) {
    aborting = true;
    return;
  }
  const int32_t index = std::clamp(Params.DCX_ImageIndex, 0, pages);

  TMemoryStream built;
  const int64_t tableBytes = 4 * (int64_t{pages} + 2);
  std::vector<uint8_t> head(static_cast<size_t>(4 + tableBytes), 0);
  PutLE32(head.data(), kDCXMagic);
  WriteAll(&built, aborting, head.data(), static_cast<int64_t>(head.size()));
  std::vector<uint32_t> positions;
  std::vector<uint8_t> page;
  for (int32_t old = 0; old <= pages && !aborting; ++old) {
    if (old == index) {
      positions.push_back(static_cast<uint32_t>(built.GetPosition()));
      WritePCXStream(&built, Bitmap, Params, Progress);
    }
    if (old == pages || aborting) continue;
    Stream->SetPosition(offsets[static_cast<size_t>(old)]);
    TPVByteReader reader(Stream);
    const int64_t count = sizes[static_cast<size_t>(old)];
    if (!reader.CheckCount(count)) {
      aborting = true;
      return;
    }
    page.resize(static_cast<size_t>(count));
    if (!reader.Read(page.data(), count)) {
      aborting = true;
      return;
    }
    positions.push_back(static_cast<uint32_t>(built.GetPosition()));
    WriteAll(&built, aborting, page.data(), count);
  }
  if (aborting) return;
  for (size_t i = 0; i < positions.size(); ++i) PutLE32(head.data() + 4 + 4 * i, positions[i]);
  built.SetPosition(0);
  WriteAll(&built, aborting, head.data(), static_cast<int64_t>(head.size()));
  Stream->SetSize(0);
  Stream->SetPosition(0);
  WriteAll(Stream, aborting, static_cast<const uint8_t*>(built.GetMemory()), built.GetSize());
}

}  // namespace

std::vector<int64_t> ReadDCXOffsets(TStream* Stream) {
  std::vector<int64_t> offsets;
  TPVByteReader reader(Stream);
  for (int32_t page = 0; page < kMostDCXPages; ++page) {
    const uint32_t offset = reader.ReadLE<uint32_t>();
    if (reader.Failed() || offset == 0) break;
    offsets.push_back(offset);
  }
  return offsets;
}

std::vector<int64_t> GetDCXPageSizes(const std::vector<int64_t>& Offsets, int64_t DataSize) {
  std::vector<int64_t> sizes;
  sizes.reserve(Offsets.size());
  for (const int64_t offset : Offsets) {
    int64_t end = DataSize;
    for (const int64_t other : Offsets) {
      if (other > offset && other < end) end = other;
    }
    sizes.push_back(std::max<int64_t>(0, end - offset));
  }
  return sizes;
}

int32_t ReadDCXStream(TStream* Stream, TPVBitmap& Bitmap, TIOParamsVals& Params,
                      TPVProgressRecord& Progress, bool ParamsOnly) {
  int32_t pages = 0;
  RunInReaderBoundary(Progress, [&] {
    pages = ReadBody(Stream, Bitmap, Params, Progress, ParamsOnly);
  });
  return pages;
}

void WriteDCXStream(TStream* Stream, TPVBitmap& Bitmap, TIOParamsVals& Params,
                    TPVProgressRecord& Progress) {
  RunInReaderBoundary(Progress, [&] { WriteBody(Stream, Bitmap, Params, Progress); });
}

int32_t ReadDCXForIO(TStream& Stream, TPVBitmap& Bitmap, TIOParamsVals& Params, bool ParamsOnly,
                     TPVProgressRecord& Progress, std::unique_ptr<TPVMask>& /*Mask*/) {
  bool local = false;
  if (!Progress.Aborting) Progress.Aborting = &local;
  const int32_t pages = ReadDCXStream(&Stream, Bitmap, Params, Progress, ParamsOnly);
  const bool aborted = *Progress.Aborting;
  if (Progress.Aborting == &local) Progress.Aborting = nullptr;
  return aborted ? 0 : pages;
}

void WriteDCXForIO(TStream& Stream, TPVBitmap& Bitmap, TIOParamsVals& Params,
                   TPVProgressRecord& Progress, const TPVMask* /*Mask*/) {
  WriteDCXStream(&Stream, Bitmap, Params, Progress);
}

}  // namespace calmora
