// The zlib stream classes against Python's zlib (levels 0-3 both ways, empty input too), and
// their rules on positions, buffers, seeking and errors as a table of cases, each over zlib
// itself as the independent model.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "imaging/base/streams/streams.h"
#include "imaging/zlib/zlib_codec.h"
#include "tests/support/outside_tool.h"
#include "tests/support/scratch_folder.h"

namespace calmora {
namespace {

using Bytes = std::vector<uint8_t>;

// Text-like runs mixed with noise, so every level has something to find and something not to.
Bytes SampleData(size_t size, unsigned seed = 7) {
  std::mt19937 random(seed);
  Bytes data(size);
  for (size_t i = 0; i < size; ++i) data[i] = uint8_t(i % 211 < 150 ? "calmora "[i % 8] : random());
  return data;
}

Bytes MemoryBytes(TMemoryStream& stream) {
  const auto* begin = static_cast<const uint8_t*>(stream.GetMemory());
  return Bytes(begin, begin + stream.GetSize());
}

// Our compression stream's whole block for Data at Level, written in pieces of Piece bytes.
Bytes CompressWithStream(const Bytes& data, uint8_t level, size_t piece = 10007) {
  TMemoryStream target;
  {
    TZCompressionStream stream(&target, level);
    for (size_t at = 0; at < data.size(); at += piece) {
      const auto count = int32_t(std::min(piece, data.size() - at));
      EXPECT_EQ(stream.Write(data.data() + at, count), count);
    }
    stream.Finish();
  }
  return MemoryBytes(target);
}

// Everything the decompression stream gives from the source's position, read in pieces.
Bytes ReadAll(TZDecompressionStream& stream, int32_t piece = 4099) {
  Bytes out;
  Bytes chunk(size_t(piece), 0);
  for (;;) {
    const int32_t got = stream.Read(chunk.data(), piece);
    out.insert(out.end(), chunk.begin(), chunk.begin() + got);
    if (got < piece) return out;
  }
}

Bytes DecompressWithStream(const Bytes& packed) {
  TPVMemStream source(packed.data(), int64_t(packed.size()));
  TZDecompressionStream stream(&source);
  return ReadAll(stream);
}

// zlib's own inflate of a whole block.
Bytes Inflate(const Bytes& packed, size_t size) {
  Bytes out(size + 1);
  uLongf outSize = uLongf(out.size());
  EXPECT_EQ(uncompress(out.data(), &outSize, packed.data(), uLong(packed.size())), Z_OK);
  out.resize(outSize);
  return out;
}

// zlib's own deflate of a whole block, optionally bound to a preset dictionary.
Bytes Deflate(const Bytes& data, int level = 6, const std::string& dictionary = "") {
  z_stream zs{};
  EXPECT_EQ(deflateInit(&zs, level), Z_OK);
  if (!dictionary.empty()) {
    EXPECT_EQ(deflateSetDictionary(&zs, reinterpret_cast<const Bytef*>(dictionary.data()),
                                   uInt(dictionary.size())),
              Z_OK);
  }
  Bytes packed(deflateBound(&zs, uLong(data.size())));
  zs.next_in = const_cast<Bytef*>(data.data());
  zs.avail_in = uInt(data.size());
  zs.next_out = packed.data();
  zs.avail_out = uInt(packed.size());
  EXPECT_EQ(deflate(&zs, Z_FINISH), Z_STREAM_END);
  packed.resize(zs.total_out);
  deflateEnd(&zs);
  return packed;
}

std::string Text(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }
Bytes FromText(const std::string& text) { return Bytes(text.begin(), text.end()); }

// ---- Levels 0-3 against Python's zlib ----

struct LevelCase {
  uint8_t level;
  int zlibLevel;  // the level the stream's level stands for
  size_t size;
};

class ZStreamLevels : public testing::TestWithParam<LevelCase> {};

TEST_P(ZStreamLevels, PythonReadsOursAndWeReadPythons) {
  CALMORA_REQUIRE_TOOL("/usr/bin/python3");
  const LevelCase& c = GetParam();
  const Bytes data = SampleData(c.size);
  const Bytes ours = CompressWithStream(data, c.level);
  test::ScratchFolder folder;
  ASSERT_TRUE(test::WriteFileBytes(folder.File("data"), Text(data)));
  ASSERT_TRUE(test::WriteFileBytes(folder.File("ours.z"), Text(ours)));
  const std::string script =
      "import sys, zlib\n"
      "d = sys.argv[1] + '/'\n"
      "open(d + 'ours.out', 'wb').write(zlib.decompress(open(d + 'ours.z', 'rb').read()))\n"
      "open(d + 'theirs.z', 'wb').write(zlib.compress(open(d + 'data', 'rb').read(), " +
      std::to_string(c.zlibLevel) + "))\n";
  ASSERT_TRUE(test::WriteFileBytes(folder.File("run.py"), script));
  const test::ToolResult run = test::RunTool("/usr/bin/python3 " + test::ShellQuoted(folder.File("run.py")) +
                                             " " + test::ShellQuoted(folder.Path()));
  ASSERT_EQ(run.Status, 0) << run.Output;
  EXPECT_EQ(FromText(test::ReadFileBytes(folder.File("ours.out"))), data);
  const Bytes theirs = FromText(test::ReadFileBytes(folder.File("theirs.z")));
  EXPECT_EQ(DecompressWithStream(theirs), data);
  ASSERT_GE(ours.size(), 2u);
  if (c.level == 0) {
    // Stored blocks are cut where the output buffer ends, so only the kind can be compared:
    // the header's level bits say "fastest" and nothing shrank.
    EXPECT_EQ(ours[1] >> 6, 0);
    EXPECT_GT(ours.size(), data.size());
  } else {
    // Deflate's choices do not depend on how the input arrives: the bytes are Python's.
    EXPECT_EQ(ours, theirs);
  }
}

INSTANTIATE_TEST_SUITE_P(
    LevelsAndSizes, ZStreamLevels,
    testing::Values(LevelCase{0, 0, 0}, LevelCase{1, 1, 0}, LevelCase{2, -1, 0},
                    LevelCase{3, 9, 0}, LevelCase{0, 0, 1}, LevelCase{3, 9, 1},
                    LevelCase{0, 0, 200000}, LevelCase{1, 1, 200000},
                    LevelCase{2, -1, 200000}, LevelCase{3, 9, 200000}),
    [](const testing::TestParamInfo<LevelCase>& row) {
      return "Level" + std::to_string(row.param.level) + "Size" + std::to_string(row.param.size);
    });

// ---- The rules, one row each ----

// A target whose writes all fail, as a full disk does.
class FailingStream : public TMemoryStream {
 public:
  int32_t Write(const void*, int32_t) override { return 0; }
};

struct RuleCase {
  const char* name;
  std::function<void()> check;
};

const RuleCase kRules[] = {
    {"NothingWrittenStillGivesACompleteEmptyBlock",
     [] {
       TMemoryStream target;
       { TZCompressionStream stream(&target, 2); }  // the destructor completes the block
       EXPECT_EQ(Inflate(MemoryBytes(target), 0), Bytes{});
     }},
    {"PositionIsTheCountWrittenAndSettingItChangesNothing",
     [] {
       TMemoryStream target;
       TZCompressionStream stream(&target, 1);
       const Bytes data = SampleData(1000);
       stream.Write(data.data(), 600);
       EXPECT_EQ(stream.GetPosition(), 600);
       EXPECT_EQ(stream.GetSize(), 600);
       stream.SetPosition(5);
       EXPECT_EQ(stream.Seek(-3, soEnd), 600);
       stream.Write(data.data() + 600, 400);
       stream.Finish();
       EXPECT_EQ(Inflate(MemoryBytes(target), data.size()), data);
     }},
    {"ReadingPastTheEndGivesAShortCountThenZero",
     [] {
       const Bytes data = SampleData(5000);
       const Bytes packed = Deflate(data);
       TPVMemStream source(packed.data(), int64_t(packed.size()));
       TZDecompressionStream stream(&source);
       Bytes out(8000);
       EXPECT_EQ(stream.Read(out.data(), 8000), 5000);
       out.resize(5000);
       EXPECT_EQ(out, data);
       EXPECT_EQ(stream.Read(out.data(), 100), 0);
       EXPECT_EQ(source.GetPosition(), int64_t(packed.size()));
     }},
    {"ByteByByteReadsGiveEveryByteZlibHolds",
     [] {
       // Reads of one byte leave decoded bytes inside zlib once the source is used up; they
       // still come out, of a whole block and of a cut one alike.
       const Bytes data = SampleData(3000);
       const Bytes packed = Deflate(data, 9);
       for (size_t cut : {packed.size(), packed.size() - 5, packed.size() / 2, size_t{7}}) {
         const Bytes part(packed.begin(), packed.begin() + std::ptrdiff_t(cut));
         Bytes expected(data.size() + 10);
         z_stream zs{};
         inflateInit(&zs);
         zs.next_in = const_cast<Bytef*>(part.data());
         zs.avail_in = uInt(part.size());
         zs.next_out = expected.data();
         zs.avail_out = uInt(expected.size());
         inflate(&zs, Z_NO_FLUSH);
         expected.resize(zs.total_out);
         inflateEnd(&zs);
         TPVMemStream source(part.data(), int64_t(part.size()));
         TZDecompressionStream stream(&source);
         EXPECT_EQ(ReadAll(stream, 1), expected) << cut;
       }
     }},
    {"TwoBlocksInARowReadBackOneAfterTheOther",
     [] {
       const Bytes first = SampleData(100000, 1), second = SampleData(70000, 2);
       TMemoryStream file;
       { TZCompressionStream stream(&file, 2); stream.Write(first.data(), int32_t(first.size())); }
       const int64_t firstEnd = file.GetPosition();
       { TZCompressionStream stream(&file, 3); stream.Write(second.data(), int32_t(second.size())); }
       file.SetPosition(0);
       {
         TZDecompressionStream stream(&file);
         EXPECT_EQ(ReadAll(stream), first);
       }
       EXPECT_EQ(file.GetPosition(), firstEnd);
       TZDecompressionStream stream(&file);
       EXPECT_EQ(ReadAll(stream), second);
       EXPECT_EQ(file.GetPosition(), file.GetSize());
     }},
    {"SeekToZeroRestartsAtTheBlocksStartNotTheSourcesByteZero",
     [] {
       const Bytes data = SampleData(150000);
       Bytes file = FromText("a header before the block");
       const Bytes packed = Deflate(data);
       file.insert(file.end(), packed.begin(), packed.end());
       TPVMemStream source(file.data(), int64_t(file.size()));
       source.SetPosition(25);
       TZDecompressionStream stream(&source);
       Bytes head(70000);
       stream.ReadBuffer(head.data(), 70000);
       EXPECT_EQ(stream.Seek(0, soBeginning), 0);
       EXPECT_EQ(stream.GetPosition(), 0);
       EXPECT_EQ(ReadAll(stream), data);
     }},
    {"ForwardSeeksDropWhatAReadWouldGiveBackwardOnesRaise",
     [] {
       const Bytes data = SampleData(100000);
       const Bytes packed = Deflate(data);
       TPVMemStream source(packed.data(), int64_t(packed.size()));
       TZDecompressionStream stream(&source);
       Bytes piece(1000);
       EXPECT_EQ(stream.Seek(20000, soCurrent), 20000);
       stream.ReadBuffer(piece.data(), 1000);
       EXPECT_EQ(piece, Bytes(data.begin() + 20000, data.begin() + 21000));
       EXPECT_EQ(stream.Seek(50000, soBeginning), 50000);
       stream.ReadBuffer(piece.data(), 1000);
       EXPECT_EQ(piece, Bytes(data.begin() + 50000, data.begin() + 51000));
       EXPECT_THROW(stream.Seek(-1, soCurrent), EZDecompressionError);
       EXPECT_THROW(stream.Seek(100, soBeginning), EZDecompressionError);
       EXPECT_THROW(stream.Seek(51000, soBeginning), EZDecompressionError);
       EXPECT_THROW(stream.Seek(-5, soEnd), EZDecompressionError);
       EXPECT_EQ(stream.Seek(0, soEnd), 100000);
       EXPECT_THROW(stream.Seek(200000, soCurrent), EReadError);
     }},
    {"ADecompressionStreamHasNoSize",
     [] {
       const Bytes packed = Deflate(SampleData(100));
       TPVMemStream source(packed.data(), int64_t(packed.size()));
       TZDecompressionStream stream(&source);
       EXPECT_THROW(stream.GetSize(), EZDecompressionError);
     }},
    {"TheOtherDirectionRaisesWithItsText",
     [] {
       TMemoryStream target;
       TZCompressionStream out(&target, 1);
       uint8_t byte = 0;
       try {
         out.Read(&byte, 1);
         ADD_FAILURE();
       } catch (const EZCompressionError& error) {
         EXPECT_STREQ(error.what(), "Invalid ZStream operation!");
       }
       const Bytes packed = Deflate({});
       TPVMemStream source(packed.data(), int64_t(packed.size()));
       TZDecompressionStream in(&source);
       try {
         in.Write(&byte, 1);
         ADD_FAILURE();
       } catch (const EZDecompressionError& error) {
         EXPECT_STREQ(error.what(), "Invalid ZStream operation!");
       }
     }},
    {"ALevelAboveThreeRaises",
     [] {
       TMemoryStream target;
       for (int level : {4, 9, 255})
         EXPECT_THROW(TZCompressionStream(&target, uint8_t(level)), EZCompressionError) << level;
       EXPECT_EQ(target.GetSize(), 0);
     }},
    {"APresetDictionaryRaisesAtOnce",
     [] {
       const Bytes packed = Deflate(FromText("calmora stabilises calmora"), 6, "calmora calmora");
       TPVMemStream source(packed.data(), int64_t(packed.size()));
       TZDecompressionStream stream(&source);
       Bytes out(100);
       try {
         stream.Read(out.data(), 100);
         ADD_FAILURE();
       } catch (const EZDecompressionError& error) {
         EXPECT_STREQ(error.what(), "need dictionary");
       }
     }},
    {"DamagedDataRaisesDataErrorAndACutSourceGivesAShortCount",
     [] {
       Bytes packed = Deflate(SampleData(20000));
       Bytes damaged = packed;
       damaged[0] = 0;
       TPVMemStream source(damaged.data(), int64_t(damaged.size()));
       TZDecompressionStream stream(&source);
       Bytes out(20000);
       try {
         stream.Read(out.data(), 20000);
         ADD_FAILURE();
       } catch (const EZDecompressionError& error) {
         EXPECT_STREQ(error.what(), "data error");
       }
       packed.resize(packed.size() / 2);
       TPVMemStream cut(packed.data(), int64_t(packed.size()));
       TZDecompressionStream cutStream(&cut);
       const int32_t got = cutStream.Read(out.data(), 20000);
       EXPECT_GT(got, 0);
       EXPECT_LT(got, 20000);
     }},
    {"FinishOntoAFailingTargetRaisesAndTheDestructorDoesNot",
     [] {
       FailingStream target;
       auto stream = std::make_unique<TZCompressionStream>(&target, 2);
       const Bytes data = SampleData(100);
       stream->Write(data.data(), 100);
       EXPECT_THROW(stream->Finish(), EWriteError);
       stream->Finish();  // already done: nothing more
       EXPECT_THROW(stream->Write(data.data(), 1), EZCompressionError);
       stream.reset();
       // A stream left unfinished onto the same target ends quietly.
       auto unfinished = std::make_unique<TZCompressionStream>(&target, 2);
       unfinished->Write(data.data(), 100);
       EXPECT_NO_THROW(unfinished.reset());
     }},
    {"ProgressOncePerBufferMoved",
     [] {
       Bytes data(300000);
       std::mt19937 random(3);
       for (auto& b : data) b = uint8_t(random());  // stays as large as it is
       TMemoryStream target;
       int written = 0;
       {
         TZCompressionStream stream(&target, 0);
         stream.OnProgress = [&](TObject* sender) {
           EXPECT_EQ(sender, &stream);
           ++written;
         };
         stream.Write(data.data(), int32_t(data.size()));
         stream.Finish();
       }
       // Only buffers filled while writing are reported; the rest goes out in Finish.
       EXPECT_EQ(written, int(target.GetSize() / kZStreamBufferSize) -
                              (target.GetSize() % kZStreamBufferSize == 0 ? 1 : 0));
       const Bytes packed = MemoryBytes(target);
       TPVMemStream source(packed.data(), int64_t(packed.size()));
       TZDecompressionStream stream(&source);
       int read = 0;
       stream.OnProgress = [&](TObject*) { ++read; };
       EXPECT_EQ(ReadAll(stream, 1000), data);
       EXPECT_EQ(read, int((packed.size() + kZStreamBufferSize - 1) / kZStreamBufferSize));
     }},
    {"TheOtherStreamsPositionIsRestoredBeforeEachTransfer",
     [] {
       const Bytes data = SampleData(200000);
       TMemoryStream target;
       const Bytes prefix = FromText("PREFIX");
       target.Write(prefix.data(), 6);
       {
         TZCompressionStream stream(&target, 1);
         for (size_t at = 0; at < data.size(); at += 50000) {
           stream.Write(data.data() + at, 50000);
           target.SetPosition(0);  // someone else moves the target between calls
         }
       }
       const Bytes all = MemoryBytes(target);
       EXPECT_EQ(Bytes(all.begin(), all.begin() + 6), prefix);
       EXPECT_EQ(Inflate(Bytes(all.begin() + 6, all.end()), data.size()), data);

       TPVMemStream source(all.data(), int64_t(all.size()));
       source.SetPosition(6);
       TZDecompressionStream stream(&source);
       Bytes got, piece(30000);
       for (;;) {
         const int32_t n = stream.Read(piece.data(), 30000);
         got.insert(got.end(), piece.begin(), piece.begin() + n);
         source.SetPosition(1);
         if (n < 30000) break;
       }
       EXPECT_EQ(got, data);
     }},
};

class ZStreamRules : public testing::TestWithParam<RuleCase> {};

TEST_P(ZStreamRules, Holds) { GetParam().check(); }

INSTANTIATE_TEST_SUITE_P(Rules, ZStreamRules, testing::ValuesIn(kRules),
                         [](const testing::TestParamInfo<RuleCase>& row) {
                           return std::string(row.param.name);
                         });

}  // namespace
}  // namespace calmora
