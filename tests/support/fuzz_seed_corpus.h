// Checks that a fuzz target's committed seed corpus holds the seeds a test builds: each seed's
// file in fuzz/corpus/<corpus>/ must have exactly its bytes. CALMORA_WRITE_FUZZ_SEEDS=1 writes
// the files anew first, for when the seeds change on purpose.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace calmora::test {

// (file name, bytes) of each seed.
using SeedFiles = std::vector<std::pair<std::string, std::vector<uint8_t>>>;

void ExpectSeedCorpus(const std::string& corpus, const SeedFiles& seeds);

}  // namespace calmora::test
