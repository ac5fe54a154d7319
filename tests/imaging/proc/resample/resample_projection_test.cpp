// The projection engines Project1Bit and Project24To1Bit: thin lines surviving a reduction,
// the colours that count as black or white, and a plain model of the boxes over many random
// sizes, in memory and in the temporary file.
#include <gtest/gtest.h>

#include <random>

#include "imaging/proc/resample/resample_engines.h"
#include "tests/imaging/proc/resample/resample_test_support.h"

namespace calmora::test {
namespace {

// Whether the source pixel is of the winning colour.
bool Wins(const Plane& s, int32_t x, int32_t y, bool whiteWins) {
  if (s.channels == 1) return (s.at(x, y) != 0) == whiteWins;
  bool all = true;
  for (int32_t c = 0; c < 3; ++c) all = all && (whiteWins ? s.at(x, y, c) > 128 : s.at(x, y, c) < 128);
  return all;
}

// Box of destination pixel (k, j): rows Trunc(q(j - 1)) .. Trunc(qj), columns
// Trunc((k - 1) sw / dw) .. Trunc(k sw / dw), only 0 for index 0.
Plane ModelProject(const Plane& s, int32_t dw, int32_t dh, bool whiteWins) {
  const double q = static_cast<double>(s.height) / dh;
  const double r = static_cast<double>(s.width) / dw;
  Plane out(dw, dh, 1);
  for (int32_t j = 0; j < dh; ++j)
    for (int32_t k = 0; k < dw; ++k) {
      bool hit = false;
      for (int32_t y = j == 0 ? 0 : static_cast<int32_t>(q * (j - 1)); y <= static_cast<int32_t>(q * j); ++y)
        for (int32_t x = k == 0 ? 0 : static_cast<int32_t>((k - 1) * r); x <= static_cast<int32_t>(k * r); ++x)
          hit = hit || Wins(s, x, y, whiteWins);
      out.at(k, j) = hit == whiteWins ? 1 : 0;
    }
  return out;
}

using ProjectEngine = bool (*)(const TPVBitmap&, TPVBitmap&, bool, TObject*,
                               const TPVProgressEvent&);

struct ProjectCase {
  const char* name;
  ProjectEngine engine;
  TPVPixelFormat source;
};

const ProjectCase kProjections[] = {{"Project1Bit", Project1Bit, pv1g},
                                    {"Project24To1Bit", Project24To1Bit, pv24RGB}};

class Projection : public ::testing::TestWithParam<Storage> {
 protected:
  // Runs the engine into a pv1g destination and checks that every byte of every row, the
  // padding too, was written: with the background where no pixel lies.
  Plane Run(const ProjectCase& e, const Plane& source, int32_t dw, int32_t dh, bool whiteWins) {
    TPVBitmap from, to;
    MakeBitmap(from, GetParam(), source, e.source);
    MakeBitmap(to, GetParam(), dw, dh, pv1g);
    WritePattern(to, 3);
    EXPECT_TRUE(e.engine(from, to, whiteWins, nullptr, nullptr));
    const uint8_t background = whiteWins ? 0 : 255;
    const int32_t pixelBytes = PixelBytes(dw, pv1g);
    for (const std::vector<uint8_t>& row : ReadRows(to)) {
      if (dw % 8) {
        const auto padBits = static_cast<uint8_t>(0xFF >> (dw % 8));
        EXPECT_EQ(row[pixelBytes - 1] & padBits, background & padBits);
      }
      for (size_t i = pixelBytes; i < row.size(); ++i) EXPECT_EQ(row[i], background);
    }
    return ReadPlane(to);
  }

  TempFolderScope temp_;
};

TEST_P(Projection, AgreesWithThePlainModelOverRandomSizes) {
  std::mt19937 random(21);
  std::uniform_int_distribution<int32_t> size(1, 37);
  for (const ProjectCase& e : kProjections)
    for (int trial = 0; trial < 50; ++trial) {
      const int32_t sw = size(random), sh = size(random), dw = size(random), dh = size(random);
      Plane source = RandomPlane(random, sw, sh, e.source);
      // Mostly one colour, so that boxes differ in whether they hold a winner.
      for (int32_t& v : source.samples) v = random() % 4 == 0 ? v : (e.source == pv1g ? 1 : 200);
      for (const bool whiteWins : {false, true})
        ASSERT_EQ(Run(e, source, dw, dh, whiteWins), ModelProject(source, dw, dh, whiteWins))
            << e.name << " " << sw << "x" << sh << " to " << dw << "x" << dh << " " << whiteWins;
    }
}

// 8 rows to 2: destination row 0 looks at source row 0 alone, row 1 at rows 0 .. 4, so a line
// in row 2 survives and a line in row 6 is never looked at.
TEST_P(Projection, LinesSurviveOnlyWhereABoxLooks) {
  for (const ProjectCase& e : kProjections)
    for (const bool whiteWins : {false, true})
      for (const int32_t lineRow : {2, 6}) {
        const int32_t background = whiteWins ? 0 : (e.source == pv1g ? 1 : 255);
        const int32_t line = whiteWins ? (e.source == pv1g ? 1 : 255) : 0;
        Plane source(5, 8, e.source == pv1g ? 1 : 3);
        for (int32_t y = 0; y < 8; ++y)
          for (int32_t x = 0; x < 5; ++x)
            for (int32_t c = 0; c < source.channels; ++c)
              source.at(x, y, c) = y == lineRow ? line : background;
        const int32_t backgroundBit = whiteWins ? 0 : 1;
        Plane expected(5, 2, 1);
        for (int32_t x = 0; x < 5; ++x) {
          expected.at(x, 0) = backgroundBit;
          expected.at(x, 1) = lineRow == 2 ? 1 - backgroundBit : backgroundBit;
        }
        EXPECT_EQ(Run(e, source, 5, 2, whiteWins), expected)
            << e.name << " white wins " << whiteWins << " line " << lineRow;
      }
}

// A channel of exactly 128 counts for neither colour.
TEST_P(Projection, ColoursWithA128ChannelAreNeitherBlackNorWhite) {
  struct ColourCase {
    int32_t b, g, r;
    bool white, black;
  };
  const ColourCase cases[] = {{128, 200, 200, false, false}, {129, 129, 129, true, false},
                              {127, 127, 127, false, true},  {0, 0, 128, false, false},
                              {255, 255, 255, true, false},  {0, 127, 0, false, true}};
  for (const ColourCase& c : cases) {
    Plane source(3, 3, 3);
    for (int32_t i = 0; i < 9; ++i) {
      source.samples[3 * i] = c.b;
      source.samples[3 * i + 1] = c.g;
      source.samples[3 * i + 2] = c.r;
    }
    Plane whiteWins(2, 2, 1), blackWins(2, 2, 1);
    for (int32_t& v : whiteWins.samples) v = c.white ? 1 : 0;
    for (int32_t& v : blackWins.samples) v = c.black ? 0 : 1;
    EXPECT_EQ(Run(kProjections[1], source, 2, 2, true), whiteWins) << c.b << "," << c.g << "," << c.r;
    EXPECT_EQ(Run(kProjections[1], source, 2, 2, false), blackWins) << c.b << "," << c.g << "," << c.r;
  }
}

TEST_P(Projection, DestinationOfAnotherFormatBecomesOneBitAtItsOwnSize) {
  TPVBitmap from, to;
  MakeBitmap(from, GetParam(), 9, 9, pv24RGB);
  MakeBitmap(to, GetParam(), 4, 3, pv24RGB);
  ASSERT_TRUE(Project24To1Bit(from, to, false, nullptr, nullptr));
  EXPECT_EQ(to.GetPixelFormat(), pv1g);
  EXPECT_EQ(to.GetWidth(), 4);
  EXPECT_EQ(to.GetHeight(), 3);
}

INSTANTIATE_TEST_SUITE_P(Storages, Projection, ::testing::ValuesIn(kStorages),
                         StorageCaseName);

// After every destination row j: Trunc(j x 100 / (dh + 0.5)).
TEST(ProjectionProgress, ReportsAfterEveryDestinationRow) {
  TPVBitmap from(10, 10, pv1g), to(4, 6, pv1g);
  ProgressLog log;
  TObject sender;
  ASSERT_TRUE(Project1Bit(from, to, true, &sender, log.Event()));
  std::vector<int> expected;
  for (int j = 0; j < 6; ++j) expected.push_back(static_cast<int>(100 / 6.5 * j));
  EXPECT_EQ(log.percents, expected);
  EXPECT_EQ(log.sender, &sender);
}

}  // namespace
}  // namespace calmora::test
