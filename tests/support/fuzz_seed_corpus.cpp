// The committed seed corpus compared with the seeds a test builds.
#include "tests/support/fuzz_seed_corpus.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "tests/support/scratch_folder.h"

namespace calmora::test {

void ExpectSeedCorpus(const std::string& corpus, const SeedFiles& seeds) {
  const std::filesystem::path folder =
      std::filesystem::path(CALMORA_TEST_SOURCE_DIR) / ".." / "fuzz" / "corpus" / corpus;
  const bool write = std::getenv("CALMORA_WRITE_FUZZ_SEEDS") != nullptr;
  if (write) std::filesystem::create_directories(folder);
  for (const auto& [name, bytes] : seeds) {
    const std::filesystem::path path = folder / name;
    if (write) {
      ASSERT_TRUE(WriteFileBytes(path, std::string(bytes.begin(), bytes.end())));
    }
    const std::string committed = ReadFileBytes(path);
    EXPECT_EQ(std::vector<uint8_t>(committed.begin(), committed.end()), bytes)
        << path << " (CALMORA_WRITE_FUZZ_SEEDS=1 writes it anew)";
  }
}

}  // namespace calmora::test
