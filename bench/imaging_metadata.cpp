// The metadata containers' parsers on one thread: an IPTC block of 1,000 bare datasets loaded
// and saved again, beside libexiv2's IptcParser decoding and encoding the same bytes; and an
// annotation block of 10,000 point marks loaded and saved, beside memcpy of the block.
#include <benchmark/benchmark.h>

#include <cstring>
#include <exiv2/exiv2.hpp>
#include <vector>

#include "imaging/core/metadata/imaging_annotations.h"
#include "imaging/core/metadata/iptc_info_list.h"

namespace calmora {
namespace {

constexpr int kDatasets = 1000;
constexpr int kMarks = 10000;

// Keywords, captions, names and dates of the application record, 8 to 200 bytes each.
std::vector<uint8_t> IptcBlock() {
  const int datasetNumbers[] = {25, 120, 5, 80, 55, 90, 101, 116};
  TPVIPTCInfoList list;
  for (int i = 0; i < kDatasets; ++i) {
    std::vector<uint8_t> value(8 + (i * 37) % 193);
    for (size_t k = 0; k < value.size(); ++k) value[k] = uint8_t('a' + (i + k) % 26);
    list.AddItem(2, datasetNumbers[i % 8], int32_t(value.size()), value.data());
  }
  UniqueMallocBlock<uint8_t> block;
  int64_t length = 0;
  list.SaveToBuffer(block, length, false);
  return std::vector<uint8_t>(block.get(), block.get() + length);
}

void BM_IptcLoadSave(benchmark::State& state) {
  const std::vector<uint8_t> block = IptcBlock();
  for (auto _ : state) {
    TPVIPTCInfoList list;
    if (!list.LoadFromBuffer(block.data(), int64_t(block.size())))
      state.SkipWithError("not loaded");
    UniqueMallocBlock<uint8_t> saved;
    int64_t length = 0;
    list.SaveToBuffer(saved, length, false);
    benchmark::DoNotOptimize(saved.get());
  }
  state.SetBytesProcessed(state.iterations() * int64_t(block.size()));
}
BENCHMARK(BM_IptcLoadSave)->Unit(benchmark::kMicrosecond);

void BM_Exiv2IptcDecodeEncode(benchmark::State& state) {
  const std::vector<uint8_t> block = IptcBlock();
  // libexiv2 logs every dataset type it cannot parse; the log is not part of the work measured.
  Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
  for (auto _ : state) {
    Exiv2::IptcData data;
    if (Exiv2::IptcParser::decode(data, block.data(), uint32_t(block.size())) != 0)
      state.SkipWithError("not decoded");
    Exiv2::DataBuf encoded = Exiv2::IptcParser::encode(data);
    benchmark::DoNotOptimize(encoded.pData_);
  }
  state.SetBytesProcessed(state.iterations() * int64_t(block.size()));
}
BENCHMARK(BM_Exiv2IptcDecodeEncode)->Unit(benchmark::kMicrosecond);

// Lines of 2 to 5 points, as a page of markings holds them.
std::vector<uint8_t> AnnotBlock() {
  TPVImagingAnnot annot;
  for (int i = 0; i < kMarks; ++i) {
    auto mark = std::make_unique<TPVImagingObject>();
    const int32_t type = 3 + i % 2;
    std::memcpy(mark->Attributes, &type, 4);
    mark->PointCount = 2 + i % 4;
    mark->Points = std::make_unique<TPoint[]>(size_t(mark->PointCount));
    for (int32_t p = 0; p < mark->PointCount; ++p) mark->Points[p] = {i + p, 2 * i - p};
    annot.Objects.push_back(std::move(mark));
  }
  UniqueMallocBlock<uint8_t> block;
  int64_t length = 0;
  annot.SaveToBuffer(block, length);
  return std::vector<uint8_t>(block.get(), block.get() + length);
}

void BM_AnnotLoadSave(benchmark::State& state) {
  const std::vector<uint8_t> block = AnnotBlock();
  for (auto _ : state) {
    TPVImagingAnnot annot;
    annot.LoadFromBuffer(block.data(), int64_t(block.size()));
    if (annot.Objects.size() != size_t(kMarks)) state.SkipWithError("not loaded");
    UniqueMallocBlock<uint8_t> saved;
    int64_t length = 0;
    annot.SaveToBuffer(saved, length);
    benchmark::DoNotOptimize(saved.get());
  }
  state.SetBytesProcessed(state.iterations() * int64_t(block.size()));
}
BENCHMARK(BM_AnnotLoadSave)->Unit(benchmark::kMicrosecond);

void BM_AnnotMemcpy(benchmark::State& state) {
  const std::vector<uint8_t> block = AnnotBlock();
  std::vector<uint8_t> copy(block.size());
  for (auto _ : state) {
    std::memcpy(copy.data(), block.data(), block.size());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * int64_t(block.size()));
}
BENCHMARK(BM_AnnotMemcpy)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace calmora

BENCHMARK_MAIN();
