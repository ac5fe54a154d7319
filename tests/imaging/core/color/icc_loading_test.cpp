// TPVICC loading from streams and files: good profiles load as LoadFromBuffer loads them;
// hostile profiles, sizes, streams and files end as a failed load that leaves the profile as it
// was, never as an escaping exception.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "imaging/base/streams/streams.h"
#include "imaging/core/color/icc.h"
#include "platform/color_system.h"
#include "tests/imaging/core/color/icc_test_profiles.h"
#include "tests/support/scratch_folder.h"

namespace calmora {
namespace {

using Bytes = std::vector<uint8_t>;

class ICCLoading : public ::testing::Test {
 protected:
  void TearDown() override {
    platform::SetColorSystemAbsent(false);
    FreeColorSystemLibrary();
  }
  test::ScratchFolder folder_{"calmora-icc-loading"};
};

Bytes GoodProfile() { return test::MakeRGBProfile(2.2, "Loaded RGB", "Loaded copyright"); }

Bytes Saved(const TPVICC& icc) {
  TMemoryStream stream;
  EXPECT_TRUE(icc.SaveToStream(&stream, true));
  const auto* begin = static_cast<const uint8_t*>(stream.GetMemory());
  return Bytes(begin, begin + stream.GetSize());
}

Bytes WithLength(const Bytes& bytes, uint32_t length) {
  Bytes framed = {uint8_t(length), uint8_t(length >> 8), uint8_t(length >> 16),
                  uint8_t(length >> 24)};
  framed.insert(framed.end(), bytes.begin(), bytes.end());
  return framed;
}

void PutBigEndian32(Bytes& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = uint8_t(value >> (24 - 8 * i));
}

// What a profile holds, to show that a failed load changed nothing.
struct Held {
  Bytes Raw;
  bool Open;
  std::string Cprt, Desc;
  bool operator==(const Held&) const = default;
};
Held HeldBy(const TPVICC& icc) { return {Saved(icc), icc.IsOpen(), icc.CprtText, icc.DescText}; }

// Profiles that the colour system refuses.
struct Hostile {
  const char* Name;
  Bytes Profile;
};
std::vector<Hostile> HostileProfiles() {
  std::vector<Hostile> cases;
  std::mt19937 random(2704);
  Bytes garbage(2000);
  for (auto& b : garbage) b = uint8_t(random());
  cases.push_back({"random bytes", garbage});
  Bytes noMagic = GoodProfile();
  std::memcpy(&noMagic[36], "xxxx", 4);  // the header's "acsp"
  cases.push_back({"no profile signature", noMagic});
  Bytes manyTags = GoodProfile();
  PutBigEndian32(manyTags, 128, 0x7FFFFFFF);
  cases.push_back({"tag count of 2^31 - 1", manyTags});
  Bytes headerOnly = GoodProfile();
  headerOnly.resize(128);
  cases.push_back({"header without a tag count", headerOnly});
  cases.push_back({"one byte", Bytes{0x61}});
  return cases;
}

// A memory stream that throws once a read would reach byte At: a stream failing under the
// reader as a file on a dying disk or a network stream does.
class ThrowingStream : public TMemoryStream {
 public:
  ThrowingStream(const Bytes& bytes, int64_t at, std::function<void()> thrower)
      : at_(at), throw_(std::move(thrower)) {
    WriteBuffer(bytes.data(), int32_t(bytes.size()));
    Seek(0, soBeginning);
  }
  int32_t Read(void* buffer, int32_t count) override {
    if (GetPosition() + count > at_) throw_();
    return TMemoryStream::Read(buffer, count);
  }

 private:
  int64_t at_;
  std::function<void()> throw_;
};

// The profile loaded first, which every failed load must leave in place.
void LoadGood(TPVICC& icc) {
  const Bytes good = GoodProfile();
  icc.LoadFromBuffer(good.data(), int32_t(good.size()));
  ASSERT_TRUE(icc.IsOpen());
}

TEST_F(ICCLoading, AGoodProfileLoadsFromStreamsAndFilesAsFromABuffer) {
  const Bytes good = GoodProfile();
  TPVICC reference;
  reference.LoadFromBuffer(good.data(), int32_t(good.size()));
  ASSERT_TRUE(reference.IsOpen());
  ASSERT_EQ(reference.DescText, "Loaded RGB");

  TPVMemStream bare(good.data(), int64_t(good.size()));
  TPVICC fromBare;
  EXPECT_TRUE(fromBare.LoadFromStream(&bare, true));
  EXPECT_EQ(HeldBy(fromBare), HeldBy(reference));

  // With its length, as SaveToStream wrote it, followed by other data the load leaves alone.
  TMemoryStream framed;
  ASSERT_TRUE(reference.SaveToStream(&framed, false));
  framed.WriteBuffer("tail", 4);
  framed.Seek(0, soBeginning);
  TPVICC fromFramed;
  EXPECT_TRUE(fromFramed.LoadFromStream(&framed, false));
  EXPECT_EQ(HeldBy(fromFramed), HeldBy(reference));
  EXPECT_EQ(framed.GetPosition(), int64_t(good.size()) + 4);

  const std::string file = folder_.File("good.icc");
  ASSERT_TRUE(test::WriteFileBytes(file, std::string(good.begin(), good.end())));
  TPVICC fromFile;
  EXPECT_TRUE(fromFile.LoadFromFile(file));
  EXPECT_EQ(HeldBy(fromFile), HeldBy(reference));
}

TEST_F(ICCLoading, AHostileProfileThroughFileAndStreamEndsAsAFailedLoad) {
  for (const Hostile& hostile : HostileProfiles()) {
    SCOPED_TRACE(hostile.Name);
    TPVICC icc;
    LoadGood(icc);
    const Held before = HeldBy(icc);

    TPVMemStream bare(hostile.Profile.data(), int64_t(hostile.Profile.size()));
    bool loaded = true;
    EXPECT_NO_THROW(loaded = icc.LoadFromStream(&bare, true));
    EXPECT_FALSE(loaded);
    EXPECT_EQ(HeldBy(icc), before);

    const Bytes framedBytes = WithLength(hostile.Profile, uint32_t(hostile.Profile.size()));
    TPVMemStream framed(framedBytes.data(), int64_t(framedBytes.size()));
    loaded = true;
    EXPECT_NO_THROW(loaded = icc.LoadFromStream(&framed, false));
    EXPECT_FALSE(loaded);
    EXPECT_EQ(HeldBy(icc), before);

    const std::string file = folder_.File("hostile.icc");
    ASSERT_TRUE(
        test::WriteFileBytes(file, std::string(hostile.Profile.begin(), hostile.Profile.end())));
    loaded = true;
    EXPECT_NO_THROW(loaded = icc.LoadFromFile(file));
    EXPECT_FALSE(loaded);
    EXPECT_EQ(HeldBy(icc), before);
  }
}

TEST_F(ICCLoading, HostileLengthsAreRefusedBeforeAnythingIsAllocated) {
  const Bytes good = GoodProfile();
  const struct {
    const char* Name;
    Bytes Stream;
  } cases[] = {
      {"2 GB - 1 announced, a profile there", WithLength(good, 0x7FFFFFFF)},
      {"-1", WithLength(good, 0xFFFFFFFF)},
      {"-2 GB", WithLength(good, 0x80000000)},
      {"0", WithLength(good, 0)},
      {"one byte more than there is", WithLength(good, uint32_t(good.size()) + 1)},
      {"half a length", Bytes{0x10, 0x00}},
      {"nothing", Bytes{}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TPVICC icc;
    LoadGood(icc);
    const Held before = HeldBy(icc);
    TPVMemStream stream(c.Stream.data(), int64_t(c.Stream.size()));
    bool loaded = true;
    EXPECT_NO_THROW(loaded = icc.LoadFromStream(&stream, false));
    EXPECT_FALSE(loaded);
    EXPECT_EQ(HeldBy(icc), before);
  }
}

TEST_F(ICCLoading, AStreamThatThrowsEndsAsAFailedLoad) {
  const Bytes framed = WithLength(GoodProfile(), uint32_t(GoodProfile().size()));
  const std::function<void()> throwers[] = {
      [] { throw EReadError("Stream read error"); },
      [] { throw std::bad_alloc(); },
      [] { throw 27; },
  };
  for (const auto& thrower : throwers) {
    for (const int64_t at : {int64_t{2}, int64_t{200}, int64_t(framed.size()) - 1}) {
      for (const bool noLength : {false, true}) {
        SCOPED_TRACE(::testing::Message() << "throws at " << at << ", noLength " << noLength);
        TPVICC icc;
        LoadGood(icc);
        const Held before = HeldBy(icc);
        ThrowingStream stream(framed, at, thrower);
        bool loaded = true;
        EXPECT_NO_THROW(loaded = icc.LoadFromStream(&stream, noLength));
        EXPECT_FALSE(loaded);
        EXPECT_EQ(HeldBy(icc), before);
      }
    }
  }
}

TEST_F(ICCLoading, FilesThatCannotGiveAProfileEndAsAFailedLoad) {
  const std::string empty = folder_.File("empty.icc");
  ASSERT_TRUE(test::WriteFileBytes(empty, ""));
  const std::string names[] = {folder_.File("missing.icc"), empty, folder_.Path(), ""};
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    TPVICC icc;
    LoadGood(icc);
    const Held before = HeldBy(icc);
    bool loaded = true;
    EXPECT_NO_THROW(loaded = icc.LoadFromFile(name));
    EXPECT_FALSE(loaded);
    EXPECT_EQ(HeldBy(icc), before);
  }
}

TEST_F(ICCLoading, WithoutTheColourSystemTheBytesAreKeptClosedAsFromABuffer) {
  platform::SetColorSystemAbsent(true);
  FreeColorSystemLibrary();
  const Bytes good = GoodProfile();
  TPVMemStream stream(good.data(), int64_t(good.size()));
  TPVICC icc;
  EXPECT_TRUE(icc.LoadFromStream(&stream, true));
  EXPECT_FALSE(icc.IsOpen());
  EXPECT_EQ(Saved(icc), good);
  EXPECT_EQ(icc.DescText, "Loaded RGB");
}

TEST_F(ICCLoading, ABufferLoadStillKeepsARefusedProfileClosed) {
  // LoadFromBuffer keeps what a codec found, opened or not, so that it can be written again.
  for (const Hostile& hostile : HostileProfiles()) {
    SCOPED_TRACE(hostile.Name);
    TPVICC icc;
    LoadGood(icc);
    icc.LoadFromBuffer(hostile.Profile.data(), int32_t(hostile.Profile.size()));
    EXPECT_FALSE(icc.IsOpen());
    EXPECT_EQ(Saved(icc), hostile.Profile);
  }
}

}  // namespace
}  // namespace calmora
