// Length-prefixed strings, text lines and SafeStreamWrite.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "imaging/base/streams/streams.h"

namespace calmora {
namespace {

std::string Content(TMemoryStream& stream) {
  return std::string(static_cast<const char*>(stream.GetMemory()),
                     static_cast<size_t>(stream.GetSize()));
}

TEST(StreamStrings, WriteThenReadBack) {
  TMemoryStream stream;
  EXPECT_TRUE(WriteStringToStream(&stream, "Layer 1"));
  EXPECT_TRUE(WriteStringToStream(&stream, ""));
  EXPECT_EQ(Content(stream), std::string("\x07\0\0\0Layer 1\0\0\0\0", 15));
  stream.SetPosition(0);
  std::string text = "old";
  EXPECT_TRUE(ReadStringFromStream(&stream, text));
  EXPECT_EQ(text, "Layer 1");
  EXPECT_TRUE(ReadStringFromStream(&stream, text));
  EXPECT_EQ(text, "");
  EXPECT_EQ(stream.GetPosition(), 15);
}

TEST(StreamStrings, ReadRefusesCountsTheStreamCannotHold) {
  struct Case {
    std::string bytes;
    const char* what;
  };
  const Case cases[] = {
      {std::string("\xFF\xFF\xFF\xFF", 4) + "abc", "negative count"},
      {std::string("\x00\x00\x00\x80", 4), "most negative count"},
      {std::string("\x04\x00\x00\x00", 4) + "abc", "one more than left"},
      {std::string("\xFF\xFF\xFF\x7F", 4) + "abc", "huge count"},
      {std::string("\x02\x00", 2), "short count"},
  };
  for (const Case& c : cases) {
    TMemoryStream stream;
    stream.WriteBuffer("??", 2);
    stream.WriteBuffer(c.bytes.data(), static_cast<int32_t>(c.bytes.size()));
    stream.SetPosition(2);
    std::string text = "keep?";
    EXPECT_FALSE(ReadStringFromStream(&stream, text)) << c.what;
    EXPECT_EQ(text, "") << c.what;
    EXPECT_EQ(stream.GetPosition(), 2) << c.what;
  }
}

TEST(StreamStrings, ReadTakesExactlyWhatIsLeft) {
  TMemoryStream stream;
  stream.WriteBuffer("\x03\x00\x00\x00xyz", 7);
  stream.SetPosition(0);
  std::string text;
  EXPECT_TRUE(ReadStringFromStream(&stream, text));
  EXPECT_EQ(text, "xyz");
}

TEST(StreamText, LineEnds) {
  TMemoryStream stream;
  EXPECT_TRUE(WriteText(&stream, "a"));
  EXPECT_TRUE(WriteTextLineLF(&stream, "b"));
  EXPECT_TRUE(WriteTextLineCRLF(&stream, "c"));
  EXPECT_TRUE(WriteTextLineLF(&stream, ""));
  EXPECT_EQ(Content(stream), "ab\nc\r\n\n");
  uint8_t block[1];
  TPVMemStream readOnly(block, 1);
  EXPECT_FALSE(WriteTextLineCRLF(&readOnly, "x"));
}

// Accepts only a fixed number of bytes in all, then writes short.
class LimitedStream : public TNulStream {
 public:
  explicit LimitedStream(int32_t room) : room_(room) {}
  int32_t Write(const void* buffer, int32_t count) override {
    int32_t n = std::min(count, room_);
    room_ -= n;
    return TNulStream::Write(buffer, n);
  }

 private:
  int32_t room_;
};

TEST(SafeStreamWrite, ShortWriteSetsTheFlagAndNothingClearsIt) {
  LimitedStream stream(6);
  bool failed = false;
  const char data[4] = {1, 2, 3, 4};
  SafeStreamWrite(&stream, failed, data, 4);
  EXPECT_FALSE(failed);
  SafeStreamWrite(&stream, failed, data, 4);  // only 2 fit
  EXPECT_TRUE(failed);
  LimitedStream roomy(100);
  SafeStreamWrite(&roomy, failed, data, 4);
  EXPECT_TRUE(failed);
  bool fresh = false;
  SafeStreamWrite(&roomy, fresh, data, 0);
  EXPECT_FALSE(fresh);
}

}  // namespace
}  // namespace calmora
