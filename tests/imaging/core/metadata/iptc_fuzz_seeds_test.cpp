// The IPTC seeds of the metadata fuzz target whose resource header holds the tag byte 0x1C: a
// resource size of 0x1C30 (one caption of 7,211 bytes) and a name that is the tag byte. The test
// checks what each reads as and that fuzz/corpus/metadata holds exactly these bytes; with
// CALMORA_WRITE_FUZZ_SEEDS set it writes them there first.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imaging/core/metadata/iptc_info_list.h"
#include "tests/imaging/core/metadata/iptc_datasets.h"
#include "tests/support/fuzz_seed_corpus.h"

namespace calmora {
namespace {

using test::Bytes;
using test::Dataset;
using test::Text;

struct Seed {
  const char* Name;
  std::vector<Dataset> Datasets;
  std::string ResourceName;
  uint32_t ResourceSize;  // the size field, which the datasets' bytes come to
};

std::vector<Seed> Seeds() {
  Bytes caption(7211);
  for (size_t i = 0; i < caption.size(); ++i) caption[i] = uint8_t('a' + i * 7 % 26);
  return {{"iptc_size_with_tag_byte.bin", {{2, 120, caption}}, "", 0x1C30},
          {"iptc_name_with_tag_byte.bin",
           {{2, 5, Text("Harbour")}, {2, 25, Text(std::string(11, 'x'))}},
           "\x1C",
           0x1C}};
}

Bytes BlockOf(const Seed& seed) {
  const Bytes data = test::DatasetBytes(seed.Datasets);
  return test::ResourceBlock(seed.ResourceName, uint32_t(data.size()), data);
}

TEST(IPTCFuzzSeeds, EachSeedReadsAsItsDatasets) {
  for (const Seed& seed : Seeds()) {
    SCOPED_TRACE(seed.Name);
    const Bytes block = BlockOf(seed);
    EXPECT_EQ(test::ResourceSizeField(block), seed.ResourceSize);
    TPVIPTCInfoList list;
    ASSERT_TRUE(list.LoadFromBuffer(block.data(), int64_t(block.size())));
    EXPECT_EQ(test::Datasets(list), seed.Datasets);
  }
}

TEST(IPTCFuzzSeeds, TheCorpusHoldsTheseSeeds) {
  test::SeedFiles files;
  for (const Seed& seed : Seeds()) files.emplace_back(seed.Name, BlockOf(seed));
  test::ExpectSeedCorpus("metadata", files);
}

}  // namespace
}  // namespace calmora
