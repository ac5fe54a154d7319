// Questions asked of a helper program: a few lines of Python that speak the wire and answer
// from the content's first and last bytes, and crash, hang or garble the wire on demand.
#include "platform/isolated_helper.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "tests/platform/loopback_server_scripts.h"
#include "tests/support/outside_tool.h"
#include "tests/support/scratch_folder.h"

namespace calmora::platform {
namespace {

// Yes when the content starts with "yes" and ends with "tail"; content starting with "crash",
// "hang" or "garble" does what it says; "bigread" asks for more than the wire allows.
constexpr const char* kHelperScript = R"PY(
import os, signal, struct, time
def receive(n):
    data = b''
    while len(data) < n:
        got = os.read(0, n - len(data))
        if not got:
            os._exit(0)
        data += got
    return data
def send(data):
    while data:
        data = data[os.write(0, data):]
def piece(offset, length):
    send(b'R' + struct.pack('<QI', offset, length))
    header = receive(5)
    assert header[:1] == b'D'
    count = struct.unpack('<I', header[1:])[0]
    return receive(count) if count else b''
while True:
    question = receive(9)
    assert question[:1] == b'Q'
    size = struct.unpack('<Q', question[1:])[0]
    head = piece(0, min(size, 16))
    if head.startswith(b'crash'):
        os.kill(os.getpid(), signal.SIGSEGV)
    if head.startswith(b'hang'):
        time.sleep(600)
    if head.startswith(b'garble'):
        send(b'?')
        continue
    if head.startswith(b'bigread'):
        send(b'A' + bytes([1 if len(piece(0, 1 << 31)) == min(size, 1 << 20) else 0]))
        continue
    tail = piece(max(size - 4, 0), 4)
    send(b'A' + bytes([1 if head.startswith(b'yes') and tail == b'tail' else 0]))
)PY";

class AskHelperTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CALMORA_REQUIRE_TOOL(test::kPython);
    ASSERT_TRUE(test::WriteFileBytes(Folder.File("helper.py"), kHelperScript));
    Command = {test::kPython, Folder.File("helper.py")};
  }

  // Asks about content, recording each piece the helper read.
  std::optional<bool> Ask(const std::string& content, int32_t timeout = 20000) {
    Reads.clear();
    return AskHelper(
        Command, static_cast<int64_t>(content.size()),
        [&](int64_t offset, uint8_t* buffer, int64_t size) -> int64_t {
          Reads.emplace_back(offset, size);
          std::memcpy(buffer, content.data() + offset, static_cast<size_t>(size));
          return size;
        },
        timeout);
  }

  test::ScratchFolder Folder{"calmora-helper"};
  std::vector<std::string> Command;
  std::vector<std::pair<int64_t, int64_t>> Reads;
};

TEST_F(AskHelperTest, OneHelperAnswersQuestionAfterQuestionFromThePiecesItRead) {
  const int64_t startsBefore = HelperStarts();
  EXPECT_EQ(Ask("yes, and a tail"), std::optional<bool>(true));
  EXPECT_EQ(Reads, (std::vector<std::pair<int64_t, int64_t>>{{0, 15}, {11, 4}}));
  EXPECT_EQ(Ask("no, but a tail"), std::optional<bool>(false));
  EXPECT_EQ(Ask("yes, without the end"), std::optional<bool>(false));
  const std::string large = "yes" + std::string(300000, 'x') + "tail";
  EXPECT_EQ(Ask(large), std::optional<bool>(true));
  EXPECT_EQ(Reads.back(), std::make_pair(int64_t{300003}, int64_t{4}));
  EXPECT_EQ(HelperStarts() - startsBefore, 1) << "the helper is kept between questions";
}

TEST_F(AskHelperTest, ReadsArePassedOnOnlyWithinTheContentAndAtMostAPieceLong) {
  // The helper asks for 2 GB at once: it gets at most the wire's piece, never past the end.
  EXPECT_EQ(Ask("bigread" + std::string(100, 'b')), std::optional<bool>(true));
  ASSERT_EQ(Reads.size(), 2u);
  EXPECT_EQ(Reads[1], std::make_pair(int64_t{0}, int64_t{107}));
  EXPECT_EQ(Ask("bigread" + std::string(3 << 20, 'b')), std::optional<bool>(true));
  EXPECT_EQ(Reads[1], std::make_pair(int64_t{0}, int64_t{1} << 20));
}

TEST_F(AskHelperTest, ACrashAHangOrAGarbledWireAnswerNothingAndTheNextQuestionGetsANewHelper) {
  ASSERT_EQ(Ask("yes tail"), std::optional<bool>(true));
  for (const char* content : {"crash", "hang", "garble"}) {
    SCOPED_TRACE(content);
    const int64_t startsBefore = HelperStarts();
    EXPECT_EQ(Ask(content, 2000), std::nullopt);
    EXPECT_EQ(Ask("yes tail"), std::optional<bool>(true));
    EXPECT_EQ(HelperStarts() - startsBefore, 1);
  }
}

TEST_F(AskHelperTest, AReaderThatThrowsEndsTheContentThere) {
  const std::optional<bool> answer = AskHelper(
      Command, 100, [](int64_t, uint8_t*, int64_t) -> int64_t { throw std::runtime_error("x"); },
      20000);
  EXPECT_EQ(answer, std::optional<bool>(false));
}

TEST_F(AskHelperTest, AMissingProgramAnswersNothingAtOnceAndSaysWhy) {
  const std::vector<std::string> missing = {Folder.File("no-such-helper")};
  const int64_t startsBefore = HelperStarts();
  EXPECT_EQ(AskHelper(missing, 10, [](int64_t, uint8_t*, int64_t) { return int64_t{0}; }, 20000),
            std::nullopt);
  EXPECT_EQ(HelperStarts(), startsBefore);
  EXPECT_NE(HelperStartFailure(missing).find("No such file"), std::string::npos)
      << HelperStartFailure(missing);
  EXPECT_EQ(AskHelper({}, 10, [](int64_t, uint8_t*, int64_t) { return int64_t{0}; }, 20000),
            std::nullopt);
}

}  // namespace
}  // namespace calmora::platform
