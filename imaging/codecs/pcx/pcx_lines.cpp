// The PCX line coders: DecodePCXLine turns raw or RLE data into one plane line, carrying a run
// that reaches past the line into the next; EncodePCXLine writes a line's RLE form.
#include <algorithm>
#include <cstring>

#include "imaging/codecs/pcx/pcx_codec.h"
#include "imaging/base/streams/byte_reader.h"

namespace calmora {

namespace {
constexpr uint8_t kRunMark = 0xC0;
constexpr int32_t kLongestRun = 63;
}  // namespace

int32_t DecodePCXLine(TPVByteReader& Data, bool Compressed, uint8_t* Line, int32_t LineBytes,
                      TPCXRunCarry& Carry) {
  if (LineBytes <= 0) return 0;
  if (!Compressed) {
    const int32_t count = static_cast<int32_t>(std::min<int64_t>(LineBytes, Data.Left()));
    Data.Read(Line, count);
    return count;
  }
  int32_t filled = 0;
  while (filled < LineBytes) {
    if (Carry.Count == 0) {
      if (Data.Left() < 1) break;
      const uint8_t code = Data.ReadByte();
      if (code < kRunMark) {
        Line[filled++] = code;
        continue;
      }
      // A run's value is its next byte; a run mark that ends the data has none.
      if (Data.Left() < 1) break;
      Carry.Count = code - kRunMark;
      Carry.Value = Data.ReadByte();
      if (Carry.Count == 0) continue;  // 0xC0: a run of nothing
    }
    const int32_t take = std::min(Carry.Count, LineBytes - filled);
    std::memset(Line + filled, Carry.Value, static_cast<size_t>(take));
    filled += take;
    Carry.Count -= take;
  }
  return filled;
}

void EncodePCXLine(const uint8_t* Line, int32_t Count, std::vector<uint8_t>& Out) {
  if (Count <= 0) return;
  auto at = [&](int32_t i) -> uint8_t { return i < Count ? Line[i] : 0; };
  const int32_t length = Count + (Count & 1);
  int32_t i = 0;
  while (i < length) {
    const uint8_t value = at(i);
    int32_t run = 1;
    while (i + run < length && run < kLongestRun && at(i + run) == value) ++run;
    if (run > 1 || value >= kRunMark) {
      Out.push_back(static_cast<uint8_t>(kRunMark + run));
    }
    Out.push_back(value);
    i += run;
  }
}

}  // namespace calmora
