// The named blocks of an annotation block: ReadAnnotNamedBlock takes one apart through the byte
// reader, FreeAnnotNamedBlocks forgets what was read for a mark.
#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "imaging/base/streams/byte_reader.h"
#include "imaging/core/metadata/imaging_annotations.h"

namespace calmora {

namespace {

constexpr int32_t kNameSize = 8;  // ASCII, padded with zeros (none after 8 letters)
constexpr int64_t kMarkRecordSize = 56;
constexpr int64_t kPointHeaderSize = 8;  // int32 maximum, int32 count
constexpr int64_t kPointSize = 8;

std::vector<uint8_t> ReadBytes(TPVByteReader& data, int64_t count) {
  std::vector<uint8_t> bytes;
  if (!data.CheckCount(count)) return bytes;
  bytes.resize(static_cast<size_t>(count));
  data.Read(bytes.data(), count);
  return bytes;
}

// The point header and the points its count announces, whatever the block's size says.
std::vector<uint8_t> ReadPointData(TPVByteReader& data) {
  std::vector<uint8_t> bytes = ReadBytes(data, kPointHeaderSize);
  int32_t count = 0;
  if (!data.Failed()) std::memcpy(&count, bytes.data() + 4, sizeof(count));
  if (count < 0 || !data.CheckCount(count, kPointSize)) {
    data.Fail();
    return bytes;
  }
  bytes.resize(static_cast<size_t>(kPointHeaderSize + count * kPointSize));
  data.Read(bytes.data() + kPointHeaderSize, count * kPointSize);
  return bytes;
}

// A text ended by a zero byte within the data, kept with its zero, whatever the block's size
// says.
std::vector<uint8_t> ReadText(TPVByteReader& data) {
  std::string text;
  data.ReadZeroTerminated(text, data.Left());
  std::vector<uint8_t> bytes(text.begin(), text.end());
  bytes.push_back(0);
  return bytes;
}

bool KeepsMarkRecord(int32_t markType) { return markType == 1 || markType == 2 || markType == 12; }

bool KeepsPoints(int32_t markType) {
  return markType >= kAnnotFirstPointMark && markType <= kAnnotLastPointMark;
}

}  // namespace

bool ReadAnnotNamedBlock(TPVAnnotNamedBlocks& Blocks, TPVByteReader& Data, int32_t MarkType,
                         int32_t IntFormat) {
  char name[kNameSize] = {};
  Data.Read(name, kNameSize);
  const int32_t size = Data.ReadLE<int32_t>();
  if (IntFormat == 0) Data.Skip(4);  // the old layout's second size word
  if (size < 0 || !Data.CheckCount(size)) {
    Data.Fail();
    return false;
  }
  const int64_t start = Data.Position();
  const std::string_view blockName(name, std::find(name, name + kNameSize, '\0') - name);

  // What the block holds goes into its slot only once it has been read whole.
  TPVAnnotBlockData* slot = nullptr;
  std::vector<uint8_t> bytes;
  if (blockName == "OiAnoDat") {
    if (KeepsMarkRecord(MarkType)) {
      slot = &Blocks.MarkData;
      bytes = ReadBytes(Data, kMarkRecordSize);
    } else if (KeepsPoints(MarkType)) {
      slot = &Blocks.PointData;
      bytes = ReadPointData(Data);
    }
  } else if (blockName == "OiFilNam" || blockName == "OiGroup" || blockName == "OiIndex") {
    slot = blockName == "OiFilNam" ? &Blocks.FileName
           : blockName == "OiGroup" ? &Blocks.Group
                                    : &Blocks.Index;
    bytes = ReadText(Data);
  } else if (blockName == "OiDIB" || blockName == "OiAnText") {
    slot = blockName == "OiDIB" ? &Blocks.DIB : &Blocks.TextData;
    bytes = ReadBytes(Data, size);
  }
  if (Data.Failed()) return false;
  if (slot != nullptr) *slot = std::move(bytes);
  return Data.SeekTo(start + size);
}

void FreeAnnotNamedBlocks(TPVAnnotNamedBlocks& Blocks) { Blocks = TPVAnnotNamedBlocks{}; }

}  // namespace calmora
