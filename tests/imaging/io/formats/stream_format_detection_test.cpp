// FindStreamFormat over files of every format the registry knows, every prefix of them, random
// buffers and streams that fail, and the header tests' size thresholds.
#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <iterator>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "imaging/base/streams/streams.h"
#include "imaging/io/formats/format_detection.h"
#include "tests/imaging/io/formats/detection_fixtures.h"
#include "tests/support/set_up_requirement.h"

namespace calmora {
namespace {

using test::DetectionFixture;

class FindStreamFormatTest : public ::testing::Test {
 protected:
  void SetUp() override { BuildFileFormatRegistry(); }
  void TearDown() override { FreeFileFormatRegistry(); }
};

// The answer for the bytes, read from position start, with the position checked afterwards.
TPVFileFormatId Detect(const std::string& bytes, int64_t start = 0) {
  TPVMemStream stream(bytes.data(), static_cast<int64_t>(bytes.size()));
  stream.SetPosition(start);
  const TPVFileFormatId found = FindStreamFormat(&stream);
  EXPECT_EQ(stream.GetPosition(), start) << "the position moved";
  return found;
}

// A format that bytes not made for it can show by chance, confirmed from the signature's own
// rule (written here apart from the detector); false for any other answer.
bool IsChanceMatch(const std::string& bytes, TPVFileFormatId format) {
  const auto byte = [&](size_t i) { return i < bytes.size() ? static_cast<uint8_t>(bytes[i]) : 0; };
  switch (format) {
    case kFormatPCX:
      return bytes.size() > 128 && byte(0) == 0x0A && byte(1) <= 5;
    case kFormatJPEG:
      for (size_t i = 0; i < 150 && i + 2 < bytes.size(); ++i)
        if (byte(i) == 0xFF && byte(i + 1) == 0xD8 && byte(i + 2) == 0xFF) return true;
      return false;
    case kFormatTGA: {
      const uint8_t type = byte(2), depth = byte(16);
      const bool typeOk = type == 1 || type == 2 || type == 3 || type == 9 || type == 10 || type == 11;
      const bool depthOk = depth == 1 || depth == 4 || depth == 8 || depth == 16 || depth == 24 || depth == 32;
      return bytes.size() >= 18 && typeOk && depthOk && byte(1) < 2 && (byte(12) | byte(13)) &&
             (byte(14) | byte(15));
    }
    default:
      return false;
  }
}

std::vector<DetectionFixture> AllFixtures(const test::ScratchFolder& folder) {
  std::vector<std::string> missing;
  std::vector<DetectionFixture> fixtures = test::MakeToolFixtures(folder, missing);
  for (DetectionFixture& fixture : test::BuiltFixtures()) fixtures.push_back(std::move(fixture));
  for (const std::string& tool : missing) {
    if (test::RunningUnderCI()) ADD_FAILURE() << "the reference tool " << tool << " is missing";
    else std::cout << "[ SKIPPED  ] fixtures of " << tool << ": the tool is missing\n";
  }
  return fixtures;
}

TEST_F(FindStreamFormatTest, NamesTheFormatOfEveryFixture) {
  test::ScratchFolder folder;
  for (const DetectionFixture& fixture : AllFixtures(folder))
    EXPECT_EQ(Detect(fixture.Bytes, fixture.Start), fixture.Format) << fixture.Name;
}

// The camera raw file is a TIFF by structure: the TIFF test must let it through to the raw
// decoder, which accepts it only at a size a camera makes.
TEST_F(FindStreamFormatTest, TellsCameraRawFromTIFF) {
  EXPECT_EQ(Detect(test::CameraRawTIFF(64)), kFormatCameraRaw);
  EXPECT_EQ(Detect(test::CameraRawTIFF(16)), kFormatUnknown);
}

TEST_F(FindStreamFormatTest, EveryPrefixGivesNothingItsOwnFormatOrAConfirmedChance) {
  test::ScratchFolder folder;
  for (const DetectionFixture& fixture : AllFixtures(folder)) {
    // Past 2 KiB the answer no longer changes with the length for these small files; a stride
    // keeps the run short while still ending on the whole file.
    for (size_t length = 0; length <= fixture.Bytes.size();
         length += length < 2048 ? 1 : 97) {
      const std::string prefix = fixture.Bytes.substr(0, length);
      const int64_t start = std::min<int64_t>(fixture.Start, length);
      const TPVFileFormatId found = Detect(prefix, start);
      if (found == kFormatUnknown || found == fixture.Format) continue;
      EXPECT_TRUE(IsChanceMatch(prefix.substr(start), found))
          << fixture.Name << ", first " << length << " bytes: " << found;
    }
  }
}

TEST_F(FindStreamFormatTest, RandomBuffersGiveNothingOrAConfirmedChance) {
  std::mt19937 random(20261210);
  for (int round = 0; round < 1500; ++round) {
    std::string bytes(random() % 4097, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    // Some rounds start with a format's first bytes, so the tests get past their magic.
    static const std::string kStarts[] = {
        std::string("II*\0", 4), "MM", "\x0A\x05", "P6 ", std::string("\0\0\1\0", 4),
        std::string("\0\0\2\0", 4), "8BPS", "\xB1\x68\xDE\x3A"};
    if (round % 3 == 0 && bytes.size() > 8) {
      const std::string& start = kStarts[round / 3 % std::size(kStarts)];
      bytes.replace(0, start.size(), start);
    }
    const TPVFileFormatId found = Detect(bytes);
    if (found != kFormatUnknown) {
      EXPECT_TRUE(IsChanceMatch(bytes, found)) << "round " << round << ": " << found;
    }
  }
}

// Reads (or seeks) raise once the stream is asked for anything beyond its first call.
class TFailingStream : public TMemoryStream {
 public:
  TFailingStream(const std::string& bytes, bool failSeeks) : failSeeks_(failSeeks) {
    TMemoryStream::Write(bytes.data(), static_cast<int32_t>(bytes.size()));
    TMemoryStream::Seek(0, soBeginning);
  }
  int32_t Read(void*, int32_t) override { throw EReadError("Stream read error"); }
  int64_t Seek(int64_t offset, TSeekOrigin origin) override {
    if (failSeeks_ && (offset != 0 || origin != soCurrent)) throw EStreamError("cannot seek");
    return TMemoryStream::Seek(offset, origin);
  }

 private:
  bool failSeeks_;
};

// A damaged TIFF directory that drives the camera-raw library out of bounds: detection answers
// "unknown" and the caller lives on, at every size.
TEST_F(FindStreamFormatTest, AFileThatCrashesTheRawLibraryIsNoFormat) {
  static const uint8_t kDamaged[] = {
      0x49, 0x49, 0x2a, 0x00, 0x08, 0x00, 0x00, 0x00, 0x0f, 0x00, 0xfe, 0x00, 0x04, 0x00, 0x01, 0x00,
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x03, 0x98, 0x4d, 0x4d, 0x00, 0x00, 0x40, 0x00,
      0x00, 0x00, 0x01, 0x01, 0x03, 0x00, 0x01, 0x00, 0x00, 0x00, 0x40, 0x3c, 0x00, 0x00, 0x02, 0x01,
      0x03, 0x00, 0x01, 0x00, 0x00, 0x00, 0x10, 0x00, 0x00, 0x50, 0x61, 0x72, 0x03, 0x00, 0x01, 0x00,
      0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x06, 0x01, 0x03, 0x00, 0x01, 0x00, 0x00, 0x00, 0xa3, 0x80,
      0x00, 0x00, 0x0f, 0x01, 0x02, 0x00, 0x06, 0x00, 0x00, 0x00, 0xc2, 0x00, 0x00, 0x00, 0x10, 0x01,
      0x02, 0x00, 0x09, 0x00, 0x44, 0x49, 0x43, 0x4d, 0x00, 0x00, 0x11, 0x01, 0x04, 0x00, 0x01, 0x00,
      0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x16, 0x01, 0x03, 0x00, 0x01, 0x00, 0x00, 0x00, 0x40, 0x00,
      0x00, 0x00, 0x17, 0x07, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x20, 0x00, 0x00, 0x8d, 0x82,
      0x03, 0x00, 0x02, 0x00, 0x00, 0x00, 0x02, 0x00, 0x02, 0x00, 0x8e, 0x82, 0x01, 0x00, 0x24, 0x00,
      0x00, 0x00, 0x00, 0x01, 0x01, 0x02, 0x12, 0xc6, 0x01, 0x00, 0x04, 0x00, 0x00, 0x00, 0x01, 0x04,
      0x00, 0x00, 0x00, 0x74, 0x7b, 0x82, 0x89, 0x90, 0x97, 0x9e, 0x30, 0xac, 0xb3, 0xba, 0xc1, 0xc8,
      0xcf, 0xd6, 0xdd, 0xe4, 0xeb, 0xf2, 0xf9,
  };
  for (const size_t size : {sizeof(kDamaged), size_t{8192}, size_t{100000}}) {
    std::string bytes(reinterpret_cast<const char*>(kDamaged), sizeof(kDamaged));
    bytes.resize(size, '\0');
    EXPECT_EQ(Detect(bytes), kFormatUnknown) << size;
  }
}

TEST_F(FindStreamFormatTest, AStreamWhoseReadsRaiseGivesNothing) {
  for (bool failSeeks : {false, true}) {
    TFailingStream stream(test::CameraRawTIFF(64), failSeeks);
    EXPECT_EQ(FindStreamFormat(&stream), kFormatUnknown);
    EXPECT_EQ(stream.GetPosition(), 0);
  }
}

std::string Padded(std::string head, size_t size) {
  head.resize(size, '\0');
  return head;
}

struct ThresholdCase {
  const char* Name;
  std::string Bytes;
  TPVFileFormatId Format;
};

TEST_F(FindStreamFormatTest, HeaderTestsKeepTheirSizeThresholds) {
  const std::string jfif("JFIF\0", 5), pcx2("PCX2\0", 5), tiff("TIFF\0", 5), pcx("PCX\0", 4);
  const ThresholdCase cases[] = {
      {"12-byte JFIF header", Padded(jfif, 12), kFormatUnknown},
      {"13-byte JFIF header", Padded(jfif, 13), kFormatJPEG},
      {"a letter as fifth byte", Padded("JFIFX", 40), kFormatUnknown},
      {"JFI and a zero", Padded(std::string("JFI\0", 4), 40), kFormatUnknown},
      {"13-byte GIF", Padded("GIF89a", 13), kFormatUnknown},
      {"14-byte GIF", Padded("GIF89a", 14), kFormatGIF},
      {"12-byte PCX2 header", Padded(pcx2, 12), kFormatUnknown},
      {"13-byte PCX2 header", Padded(pcx2, 13), kFormatPCX},
      {"4-byte old PCX header", pcx, kFormatUnknown},
      {"5-byte old PCX header", Padded(pcx, 5), kFormatPCX},
      {"14-byte BM", Padded("BM", 14), kFormatUnknown},
      {"15-byte BM", Padded("BM", 15), kFormatBMP},
      {"0A 05 in 128 bytes", Padded("\x0A\x05", 128), kFormatUnknown},
      {"0A 05 in 129 bytes", Padded("\x0A\x05", 129), kFormatPCX},
      {"0A 06 in 129 bytes", Padded("\x0A\x06", 129), kFormatUnknown},
      {"12-byte TIFF header", Padded(tiff, 12), kFormatUnknown},
      {"13-byte TIFF header", Padded(tiff, 13), kFormatTIFF},
  };
  for (const ThresholdCase& thresholdCase : cases)
    EXPECT_EQ(Detect(thresholdCase.Bytes), thresholdCase.Format) << thresholdCase.Name;
}

// Only bytes that were read count: a stream that ends on "JFIF" has no zero after the magic.
TEST_F(FindStreamFormatTest, AStreamEndingInTheMagicIsNotAStreamHeader) {
  const std::string bytes = std::string(60, 'x') + "JFIF";
  EXPECT_EQ(Detect(bytes, static_cast<int64_t>(bytes.size()) - 4), kFormatUnknown);
  const std::string pcx = std::string(60, 'x') + "PCX";
  EXPECT_EQ(Detect(pcx, static_cast<int64_t>(pcx.size()) - 3), kFormatUnknown);
}

// An entry's own test runs with the position back at the start and its own id.
int32_t SeenFileType = -1;
int64_t SeenPosition = -1;
bool AcceptsEverything(TStream* Stream, int32_t FileType) {
  SeenFileType = FileType;
  SeenPosition = Stream->GetPosition();
  Stream->Seek(3, soCurrent);  // a careless test moves the stream; detection must not care
  return true;
}

TEST_F(FindStreamFormatTest, ExternalTestsRunAfterTheBuiltInOnesAndBeforeCameraRaw) {
  auto entry = std::make_unique<TPVFileFormatInfo>();
  entry->FileType = 90;
  entry->Extensions = "XYZ";
  entry->TestProc = AcceptsEverything;
  RegisterFileFormat(std::move(entry));
  const std::string unknown = std::string(20, '\x11') + "data";
  EXPECT_EQ(Detect(unknown, 20), 90);
  EXPECT_EQ(SeenFileType, 90);
  EXPECT_EQ(SeenPosition, 20);
  EXPECT_EQ(Detect(test::LayersStream()), kFormatLayers);  // built-in tests come first
}

TEST(IsAVIStream, WantsRiffAndTheAviTypeWithItsBlank) {
  EXPECT_TRUE(IsAVIStream(std::make_unique<TPVMemStream>("RIFF\x10\0\0\0AVI ", 12).get()));
  EXPECT_FALSE(IsAVIStream(std::make_unique<TPVMemStream>("RIFF\x10\0\0\0AVIX", 12).get()));
  EXPECT_FALSE(IsAVIStream(std::make_unique<TPVMemStream>("RIFF\x10\0\0\0AVI", 11).get()));
  EXPECT_FALSE(IsAVIStream(std::make_unique<TPVMemStream>("RIFX\x10\0\0\0AVI ", 12).get()));
}

}  // namespace
}  // namespace calmora
