// Every resampling engine refuses, with false and without writing a byte, an empty source or
// destination, a destination that is the source, and formats it does not serve.
#include <gtest/gtest.h>

#include <functional>

#include "imaging/proc/resample/resample_engines.h"
#include "tests/imaging/proc/resample/resample_test_support.h"

namespace calmora::test {
namespace {

struct EngineCase {
  const char* name;
  TPVPixelFormat source;       // a format the engine serves
  TPVPixelFormat destination;  // the format it writes
  std::function<bool(TPVBitmap&, TPVBitmap&)> run;
};

const EngineCase kEngines[] = {
    {"FastLinear24", pv24RGB, pv24RGB,
     [](TPVBitmap& s, TPVBitmap& d) { return ResampleFastLinear24(s, d, nullptr, nullptr); }},
    {"Linear8", pv8g, pv8g,
     [](TPVBitmap& s, TPVBitmap& d) { return ResampleLinear8(s, d, nullptr, nullptr); }},
    {"Linear1Bit", pv1g, pv24RGB,
     [](TPVBitmap& s, TPVBitmap& d) { return ResampleLinear1Bit(s, d, nullptr, nullptr); }},
    {"Project1Bit", pv1g, pv1g,
     [](TPVBitmap& s, TPVBitmap& d) { return Project1Bit(s, d, false, nullptr, nullptr); }},
    {"Project24To1Bit", pv24RGB, pv1g,
     [](TPVBitmap& s, TPVBitmap& d) { return Project24To1Bit(s, d, true, nullptr, nullptr); }},
    {"Shrink1BitToGray", pv1g, pv24RGB,
     [](TPVBitmap& s, TPVBitmap& d) {
       return Shrink1BitToGray(s, 0, 0, s.GetWidth() - 1, s.GetHeight() - 1, d);
     }},
    {"Area8Rgb", pv24RGB, pv24RGB,
     [](TPVBitmap& s, TPVBitmap& d) { return ResampleArea8(s, d, false, nullptr, nullptr); }},
    {"Area8Grey", pv8g, pv8g,
     [](TPVBitmap& s, TPVBitmap& d) { return ResampleArea8(s, d, true, nullptr, nullptr); }},
    {"Area16Rgb", pvRGB48, pvRGB48,
     [](TPVBitmap& s, TPVBitmap& d) { return ResampleArea16(s, d, true, nullptr, nullptr); }},
    {"Area16Grey", pv16g, pv16g,
     [](TPVBitmap& s, TPVBitmap& d) { return ResampleArea16(s, d, false, nullptr, nullptr); }},
};

class EngineRefusals : public ::testing::TestWithParam<std::tuple<int, Storage>> {
 protected:
  const EngineCase& engine() const { return kEngines[std::get<0>(GetParam())]; }
  Storage storage() const { return std::get<1>(GetParam()); }

  // Runs the engine and checks that it answered false and left the destination as it was.
  void ExpectRefused(TPVBitmap& source, TPVBitmap& destination, const char* what) {
    const auto bytes = AllBytes(destination);
    const TPVPixelFormat format = destination.GetPixelFormat();
    const int32_t width = destination.GetWidth(), height = destination.GetHeight();
    EXPECT_FALSE(engine().run(source, destination)) << engine().name << ": " << what;
    EXPECT_EQ(destination.GetPixelFormat(), format) << engine().name << ": " << what;
    EXPECT_EQ(destination.GetWidth(), width) << engine().name << ": " << what;
    EXPECT_EQ(destination.GetHeight(), height) << engine().name << ": " << what;
    EXPECT_EQ(AllBytes(destination), bytes) << engine().name << ": " << what;
  }

  void MakePatterned(TPVBitmap& bitmap, int32_t width, int32_t height, TPVPixelFormat format) {
    MakeBitmap(bitmap, storage(), width, height, format);
    WritePattern(bitmap, width + height);
  }

  TempFolderScope temp_;
};

TEST_P(EngineRefusals, EmptySourceOrDestinationWritesNothing) {
  TPVBitmap emptySource, source, destination, emptyDestination;
  Prepare(emptySource, storage());
  Prepare(emptyDestination, storage());
  MakePatterned(source, 9, 5, engine().source);
  MakePatterned(destination, 4, 3, engine().destination);
  const auto sourceBytes = AllBytes(source);
  ExpectRefused(emptySource, destination, "empty source");
  ExpectRefused(source, emptyDestination, "empty destination");
  EXPECT_EQ(AllBytes(source), sourceBytes);
}

TEST_P(EngineRefusals, TheSourceAsItsOwnDestinationIsRefused) {
  TPVBitmap bitmap;
  MakePatterned(bitmap, 6, 4, engine().source);
  ExpectRefused(bitmap, bitmap, "source as destination");
}

TEST_P(EngineRefusals, FormatsItDoesNotServeAreRefused) {
  const TPVPixelFormat other = engine().source == pv24RGB ? pv32RGB : pv24RGB;
  TPVBitmap wrongSource, destination;
  MakePatterned(wrongSource, 9, 5, other);
  MakePatterned(destination, 4, 3, engine().destination);
  ExpectRefused(wrongSource, destination, "source format");
  // The projections make their destination 1-bit; every other engine needs it as it writes it.
  if (engine().destination == pv1g) return;
  TPVBitmap source, wrongDestination;
  MakePatterned(source, 9, 5, engine().source);
  MakePatterned(wrongDestination, 4, 3, engine().destination == pv8g ? pv24RGB : pv8g);
  ExpectRefused(source, wrongDestination, "destination format");
}

INSTANTIATE_TEST_SUITE_P(
    Engines, EngineRefusals,
    ::testing::Combine(::testing::Range(0, static_cast<int>(std::size(kEngines))),
                       ::testing::ValuesIn(kStorages)),
    [](const auto& p) {
      return std::string(kEngines[std::get<0>(p.param)].name) +
             StorageName(std::get<1>(p.param));
    });

}  // namespace
}  // namespace calmora::test
