// The seeds of the decompression stream's fuzz target, made by Python's zlib: blocks at every
// level, an empty one, one bound to a preset dictionary and two blocks in a row, each behind
// the target's two choice bytes. Each seed must read back as Python wrote it (the dictionary
// one raises), and fuzz/corpus/zlib_decompression_stream must hold exactly these bytes
// (CALMORA_WRITE_FUZZ_SEEDS=1 writes them there first).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imaging/base/streams/streams.h"
#include "imaging/zlib/zlib_codec.h"
#include "tests/support/fuzz_seed_corpus.h"
#include "tests/support/outside_tool.h"
#include "tests/support/scratch_folder.h"

namespace calmora {
namespace {

using Bytes = std::vector<uint8_t>;

struct Seed {
  const char* name;
  const char* python;  // an expression of the block, over the bytes `data`
  uint8_t piece, restart;
  bool raises;
};

TEST(ZStreamFuzzSeeds, BlocksOfPythonsZlib) {
  CALMORA_REQUIRE_TOOL("/usr/bin/python3");
  const std::string text = "calmora steadies shaky clips, calmora steadies shaky clips; 0123456789";
  const Seed seeds[] = {
      {"level0.bin", "zlib.compress(data, 0)", 0, 1, false},
      {"level1.bin", "zlib.compress(data, 1)", 3, 0, false},
      {"level6.bin", "zlib.compress(data, 6)", 200, 2, false},
      {"level9.bin", "zlib.compress(data, 9)", 17, 255, false},
      {"empty.bin", "zlib.compress(b'', 6)", 1, 0, false},
      {"two_blocks.bin", "zlib.compress(data, 6) + zlib.compress(data[::-1], 1)", 40, 1, false},
      {"dictionary.bin",
       "(lambda c: c.compress(data) + c.flush())(zlib.compressobj(6, zdict=b'calmora steadies'))",
       9, 0, true},
  };
  test::SeedFiles files;
  for (const Seed& seed : seeds) {
    test::ScratchFolder folder;
    const std::string script = "import sys, zlib\ndata = b'" + text + "'\nsys.stdout.buffer.write(" +
                               seed.python + ")\n";
    ASSERT_TRUE(test::WriteFileBytes(folder.File("seed.py"), script));
    const test::ToolResult run =
        test::RunTool("/usr/bin/python3 " + test::ShellQuoted(folder.File("seed.py")), false);
    ASSERT_EQ(run.Status, 0) << seed.name;
    Bytes bytes{seed.piece, seed.restart};
    bytes.insert(bytes.end(), run.Output.begin(), run.Output.end());

    TPVMemStream source(bytes.data() + 2, int64_t(bytes.size() - 2));
    TZDecompressionStream stream(&source);
    std::string out(4096, '\0');
    if (seed.raises) {
      EXPECT_THROW(stream.Read(out.data(), 4096), EZDecompressionError) << seed.name;
    } else {
      out.resize(size_t(stream.Read(out.data(), 4096)));
      EXPECT_EQ(out, std::string(seed.name) == "empty.bin" ? "" : text) << seed.name;
    }
    files.emplace_back(seed.name, bytes);
  }
  test::ExpectSeedCorpus("zlib_decompression_stream", files);
}

}  // namespace
}  // namespace calmora
