// The camera raw content test, LibRaw's identification over our stream through the adapter, and
// the adapter itself.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>

#include "imaging/codecs/raw/raw_codec.h"
#include "imaging/codecs/raw/raw_data_stream.h"
#include "imaging/base/streams/streams.h"
#include "platform/isolated_helper.h"
#include "tests/imaging/codecs/raw/camera_raw_fixture.h"
#include "tests/support/outside_tool.h"
#include "tests/support/scoped_override.h"
#include "tests/support/scratch_folder.h"

namespace calmora {
namespace {

bool Identify(const std::string& bytes, int64_t start) {
  TPVMemStream stream(bytes.data(), static_cast<int64_t>(bytes.size()));
  stream.SetPosition(start);
  const bool found = IsCameraRawStream(&stream);
  EXPECT_EQ(stream.GetPosition(), start);
  return found;
}

TEST(IsCameraRawStream, IdentifiesARawFileWhereverItStarts) {
  const std::string raw = test::CameraRawTIFF(64);
  EXPECT_TRUE(Identify(raw, 0));
  // The adapter counts positions from where the stream stood, so the file's offsets still hold.
  EXPECT_TRUE(Identify(std::string(100, '\x33') + raw, 100));
  EXPECT_FALSE(Identify(test::CameraRawTIFF(16), 0));  // too small for a camera
  EXPECT_FALSE(Identify("", 0));
  EXPECT_FALSE(Identify(raw.substr(0, 100), 0));
}

TEST(IsCameraRawStream, RefusesRandomBytesAndStreamsThatFail) {
  std::mt19937 random(7);
  for (int round = 0; round < 200; ++round) {
    std::string bytes(random() % 3000, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    EXPECT_FALSE(Identify(bytes, 0)) << round;
  }
  class TThrowingStream : public TMemoryStream {
   public:
    int32_t Read(void*, int32_t) override { throw EReadError("Stream read error"); }
  } failing;
  failing.SetSize(5000);
  EXPECT_FALSE(IsCameraRawStream(&failing));
}

// The identification runs in one helper process kept between questions, not in a new process
// (a copy of the caller) per question.
TEST(IsCameraRawStream, OneHelperAnswersQuestionAfterQuestion) {
  const std::string raw = test::CameraRawTIFF(64);
  std::string unknown(65536, '\0');
  std::mt19937 random(11);
  for (char& c : unknown) c = static_cast<char>(random());
  ASSERT_TRUE(Identify(raw, 0));  // the helper is running from here on
  const int64_t startsBefore = platform::HelperStarts();
  for (int round = 0; round < 20; ++round) {
    EXPECT_TRUE(Identify(raw, 0)) << round;
    EXPECT_FALSE(Identify(unknown, 0)) << round;
  }
  EXPECT_EQ(platform::HelperStarts(), startsBefore);
}

// Content larger than the helper's cache of pieces, the raw file at its end: every piece comes
// from the right place of the caller's stream.
TEST(IsCameraRawStream, IdentifiesARawFileBehindMegabytesOfOtherBytes) {
  const std::string lead(5 << 20, '\x5a');
  EXPECT_TRUE(Identify(lead + test::CameraRawTIFF(64), static_cast<int64_t>(lead.size())));
  EXPECT_FALSE(Identify(lead + test::CameraRawTIFF(64), 0));
}

// A helper that is missing, or that dies on every question, answers "not a camera's file" at
// once; the real one answers again afterwards.
TEST(IsCameraRawStream, AMissingOrCrashingHelperMeansNotACameraFile) {
  const std::string raw = test::CameraRawTIFF(64);
  const test::ScratchFolder folder("calmora-raw-helper");
  const std::string crashing = folder.File("crashing");
  ASSERT_TRUE(test::WriteFileBytes(crashing, "#!/bin/sh\nkill -SEGV $$\n"));
  ASSERT_EQ(test::RunTool("chmod +x " + test::ShellQuoted(crashing)).Status, 0);
  for (const std::string& helper : {folder.File("missing"), crashing}) {
    SCOPED_TRACE(helper);
    test::ScopedEnvironmentVariable named("CALMORA_RAW_IDENTIFY", helper);
    EXPECT_FALSE(Identify(raw, 0));
    EXPECT_FALSE(Identify(raw, 0));
  }
  EXPECT_NE(platform::HelperStartFailure({folder.File("missing")}).find("No such file"),
            std::string::npos);
  EXPECT_TRUE(Identify(raw, 0));
}

TEST(TPVRawDataStream, ReadsSeeksAndScansLikeAFile) {
  const std::string bytes = "lead|12 3.5 word\nsecond line\nend";
  TPVMemStream stream(bytes.data(), static_cast<int64_t>(bytes.size()));
  stream.SetPosition(5);
  TPVRawDataStream input(&stream);
  EXPECT_EQ(input.size(), static_cast<INT64>(bytes.size()) - 5);
  EXPECT_EQ(input.tell(), 0);
  int number = 0;
  float fraction = 0;
  EXPECT_EQ(input.scanf_one("%d", &number), 1);
  EXPECT_EQ(number, 12);
  EXPECT_EQ(input.scanf_one("%f", &fraction), 1);
  EXPECT_FLOAT_EQ(fraction, 3.5f);
  EXPECT_EQ(input.get_char(), ' ');  // the blank after a number stays for the next read
  char line[64];
  EXPECT_STREQ(input.gets(line, sizeof line), "word\n");
  EXPECT_STREQ(input.gets(line, 4), "sec");
  EXPECT_EQ(input.seek(-3, SEEK_END), 0);
  EXPECT_EQ(input.tell(), input.size() - 3);
  char tail[8] = {};
  EXPECT_EQ(input.read(tail, 1, 8), 3);
  EXPECT_STREQ(tail, "end");
  EXPECT_TRUE(input.eof());
  EXPECT_EQ(input.get_char(), -1);
  EXPECT_EQ(input.gets(line, sizeof line), nullptr);
  EXPECT_EQ(input.seek(1000, SEEK_SET), 0);  // kept inside the data
  EXPECT_EQ(input.tell(), input.size());
  EXPECT_EQ(input.seek(-1000, SEEK_CUR), 0);
  EXPECT_EQ(input.tell(), 0);
  EXPECT_EQ(input.read(tail, 4, 2), 2);  // whole items only
  EXPECT_EQ(input.read(tail, 0, 2), 0);
}

}  // namespace
}  // namespace calmora
