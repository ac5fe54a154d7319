// libFuzzer target of ICC profile loading and text reading: any bytes load (opened by the
// colour system or not), give texts that lie within the bytes and agree with a second,
// independent reading, and save back unchanged. The same bytes as a stream with a length in
// front load exactly when that length fits them and the colour system opens what it frames,
// and a failed load leaves the profile as it was.
// Fuzz budget in CI: 20 s
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "imaging/base/streams/streams.h"
#include "imaging/core/color/icc.h"
#include "tests/imaging/core/color/icc_text_model.h"

namespace {

// A text read from the profile must be there, ended by its zero, and shorter than 1000.
bool LiesWithin(const std::string& text, const uint8_t* data, size_t size) {
  if (text.empty()) return true;
  if (text.size() >= 1000) return false;
  std::vector<uint8_t> ended(text.begin(), text.end());
  ended.push_back(0);
  return std::search(data, data + size, ended.begin(), ended.end()) != data + size;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  calmora::TPVICC icc;
  icc.LoadFromBuffer(data, static_cast<int32_t>(size));
  if (!LiesWithin(icc.CprtText, data, size) || !LiesWithin(icc.DescText, data, size))
    std::abort();
  const calmora::test::ProfileTexts model = calmora::test::ModelProfileTexts(data, size);
  if (icc.CprtText != model.Cprt || icc.DescText != model.Desc) std::abort();

  // The first four bytes read as the little-endian length of the profile that follows.
  calmora::TPVMemStream framed(data, static_cast<int64_t>(size));
  calmora::TPVICC fromStream;
  fromStream.LoadFromBuffer(data, static_cast<int32_t>(size));
  const std::string before = fromStream.DescText;
  const bool loaded = fromStream.LoadFromStream(&framed, false);
  int64_t length = -1;
  if (size >= 4)
    length = static_cast<int32_t>(uint32_t{data[0]} | uint32_t{data[1]} << 8 |
                                  uint32_t{data[2]} << 16 | uint32_t{data[3]} << 24);
  bool expected = false;
  if (length > 0 && length <= static_cast<int64_t>(size) - 4) {
    calmora::TPVICC framedProfile;
    framedProfile.LoadFromBuffer(data + 4, static_cast<int32_t>(length));
    expected = framedProfile.IsOpen();
  }
  if (loaded != expected) std::abort();
  if (loaded && (fromStream.RawSize != length || !std::equal(data + 4, data + 4 + length,
                                                             fromStream.RawProfile.get())))
    std::abort();
  if (!loaded &&
      (fromStream.RawSize != static_cast<int32_t>(size) || fromStream.DescText != before))
    std::abort();

  calmora::TMemoryStream saved;
  if (!icc.SaveToStream(&saved, true) || saved.GetSize() != static_cast<int64_t>(size) ||
      (size > 0 && !std::equal(data, data + size, static_cast<const uint8_t*>(saved.GetMemory()))))
    std::abort();
  return 0;
}
