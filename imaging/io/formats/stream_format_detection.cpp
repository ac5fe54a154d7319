// FindStreamFormat: the quick header tests of the format descriptions (stream headers, GIF,
// BMP, PCX), then their content tests in the descriptions' order, the tests of externally
// registered formats and, slowest and so last, the tests marked to run after those.
#include <array>
#include <cstdint>
#include <cstring>

#include "imaging/base/streams/stream_peek.h"
#include "imaging/base/streams/streams.h"
#include "imaging/io/formats/format_description.h"
#include "imaging/io/formats/format_detection.h"

namespace calmora {

namespace {

TPVFileFormatId DetectFormat(TStream* stream, int64_t start) {
  TPVStreamHead head;
  head.Count = PeekStreamBytes(stream, head.Bytes.data(), TPVStreamHead::kBytes);
  head.Size = stream->GetSize();
  for (const TPVFormatDescription* format : FormatDescriptions())
    if (format->HeadTest != nullptr && format->HeadTest(head)) return format->Id;
  const std::vector<const TPVFormatDescription*> order = ContentTestOrder();
  auto test = order.begin();
  for (; test != order.end() && !(*test)->TestedLast; ++test) {
    stream->Seek(start, soBeginning);
    if ((*test)->ContentTest(stream)) return (*test)->Id;
  }
  for (const auto& entry : FileFormatList) {
    if (entry->TestProc == nullptr) continue;
    stream->Seek(start, soBeginning);
    if (entry->TestProc(stream, entry->FileType)) return entry->FileType;
  }
  for (; test != order.end(); ++test) {
    stream->Seek(start, soBeginning);
    if ((*test)->ContentTest(stream)) return (*test)->Id;
  }
  return kFormatUnknown;
}

}  // namespace

bool IsAVIStream(TStream* Stream) {
  std::array<uint8_t, 12> head;
  return PeekStreamBytes(Stream, head.data(), head.size()) == 12 &&
         std::memcmp(head.data(), "RIFF", 4) == 0 && std::memcmp(head.data() + 8, "AVI ", 4) == 0;
}

TPVFileFormatId FindStreamFormat(TStream* Stream) {
  try {
    TStreamPositionKeeper keeper(Stream);
    return DetectFormat(Stream, keeper.Start());
  } catch (...) {
    return kFormatUnknown;  // the keeper has put the stream back on the way out
  }
}

}  // namespace calmora
