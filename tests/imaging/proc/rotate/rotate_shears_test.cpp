// Rotation by three shears (RotateByShears, RotateByShears8): a plain model of the quarter
// turns, the size formulas, the three shears and the 12-bit blend over many random images and
// angles, the documented sizes, the dispatch of the other formats, in memory and in the file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "imaging/core/bitmap/bitmap_pixels.h"
#include "imaging/base/color_helpers.h"
#include "imaging/proc/rotate/rotation.h"
#include "tests/imaging/proc/rotate/rotation_test_support.h"

namespace calmora::test {
namespace {

// The shears written out plainly, pixel by pixel, in doubles: bg holds a pixel's bytes.
struct ShearModel {
  std::vector<uint8_t> bg;
  bool blend = false;
  std::vector<int> progress;

  static uint8_t BlendByte(int prev, int cur, int fw, int cw) {
    const double v = RoundEven((prev * fw + cur * cw + 2048) / 4096.0);
    return static_cast<uint8_t>(std::clamp(v, 0.0, 255.0));
  }
  void BlendInto(uint8_t* out, const uint8_t* prev, const uint8_t* cur, int fw, int cw,
                 int size) const {
    for (int c = 0; c < size; ++c) out[c] = BlendByte(prev[c], cur[c], fw, cw);
  }

  Picture Rotate(const Picture& source, double angle) {
    const int size = source.size;
    if (angle == 0) return source;
    const auto k = static_cast<long long>(std::trunc(angle * 1000));
    double a = static_cast<double>(k % 360000) / 1000;  // the remainder has the dividend's sign
    Picture t = source;
    while (a > 45) {
      t = ModelTurn(t, Turned::Left);
      a = a - 90;
    }
    while (a < -45) {
      a = a + 90;
      t = ModelTurn(t, Turned::Right);
    }
    if (a == 0) return t;
    const int W = t.width, H = t.height;
    const double theta = a * M_PI / 180;
    const double tn = std::fabs(std::sin(theta / 2) / std::cos(theta / 2));
    const double s = std::fabs(std::sin(theta));
    const int W1 = static_cast<int>(RoundEven(H * tn + W + 1));
    const int off1 = static_cast<int>(RoundEven((W1 - W) * s));
    int H2 = static_cast<int>(RoundEven(s * W1 + H + 1));
    const int off2 = static_cast<int>(RoundEven(tn * (H2 - H - off1)));
    H2 = H2 - 2 * off1;
    const int W3 = static_cast<int>(RoundEven(tn * H2 + W1 + 1 - 2 * off2));
    const double factor = 100.0 / (H + W1 + H2);
    const uint8_t* back = bg.data();

    Picture b1(W1, H, size);
    for (int i = 0; i < H; ++i) {
      const double skew = theta > 0 ? i * tn : (H - i) * tn;
      const int n = static_cast<int>(RoundEven(skew));
      for (int x = 0; x < W1; ++x) b1.Set(x, i, back);
      if (blend) {
        const int fw = Trunc((skew - n) * 4096), cw = Trunc(4096 - fw);
        const uint8_t* prev = back;
        for (int j = 0; j < W; ++j) {
          BlendInto(b1.at(n + j, i), prev, t.at(j, i), fw, cw, size);
          prev = t.at(j, i);
        }
        if (fw > 0 && n + W < W1) BlendInto(b1.at(n + W, i), prev, back, fw, cw, size);
      } else {
        for (int j = 0; j < W; ++j) b1.Set(n + j, i, t.at(j, i));
      }
      progress.push_back(Trunc(i * factor));
    }

    Picture b2(W1, H2, size);
    for (int x = 0; x < W1; ++x) {
      const double skew = theta > 0 ? (W1 - x) * s : x * s;
      const int n = static_cast<int>(RoundEven(skew));
      const int fw = static_cast<int>(RoundEven((skew - n) * 4096)), cw = 4096 - fw;
      const int d = n - off1;
      for (int y = 0; y < H2; ++y) b2.Set(x, y, back);
      const uint8_t* prev = back;
      for (int y = 0; y < H; ++y) {
        if (y + d < 0 || y + d > H2 - 1) continue;
        if (blend)
          BlendInto(b2.at(x, y + d), prev, b1.at(x, y), fw, cw, size);
        else
          b2.Set(x, y + d, b1.at(x, y));
        prev = b1.at(x, y);
      }
      if (blend && fw > 0 && d + H < H2) BlendInto(b2.at(x, d + H), prev, back, fw, cw, size);
      progress.push_back(Trunc((H + x) * factor));
    }

    Picture out(W3, H2, size);
    for (int y = 0; y < H2; ++y)
      for (int x = 0; x < W3; ++x) out.Set(x, y, back);
    for (int y = 0; y < H2; ++y) {
      const double skew = theta > 0 ? y * tn : (H2 - y) * tn;
      const int n = static_cast<int>(RoundEven(skew));
      const int fw = static_cast<int>(RoundEven((skew - n) * 4096)), cw = 4096 - fw;
      const int d = n - off2;
      const uint8_t* prev = back;
      for (int x = 0; x < W1; ++x) {
        if (x + d < 0 || x + d > W3 - 1) continue;
        if (blend)
          BlendInto(out.at(x + d, y), prev, b2.at(x, y), fw, cw, size);
        else
          out.Set(x + d, y, b2.at(x, y));
        prev = b2.at(x, y);
      }
      if (blend && fw > 0 && d + W1 < W3) BlendInto(out.at(d + W1, y), prev, back, fw, cw, size);
      progress.push_back(Trunc((H + W1 + y) * factor));
    }
    return out;
  }
};

Picture Sheared(const Picture& source, TPVPixelFormat format, bool blend,
                const std::vector<uint8_t>& bg, double angle, bool* answered = nullptr) {
  return RunInBothStorages(
      source, format,
      [&](TPVBitmap& bitmap) {
        if (format == pv24RGB)
          return RotateByShears(bitmap, blend, nullptr, nullptr, TPVRGB{bg[0], bg[1], bg[2]},
                                angle);
        return RotateByShears8(bitmap, blend, bg[0], nullptr, nullptr, angle);
      },
      answered);
}

// Angles where the parts of the rule meet: the 45-degree edges, thousandths cut off, several
// quarter turns, tiny shears and both signs.
const double kSpecialAngles[] = {45,      -45,      45.001,  -45.001, 30,      -30,     0.001,
                                 -0.001,  89.999,   90.0004, 135,     -135.5,  225.25,  315,
                                 359.999, -359.999, 17,      1e-3,    44.9999, 3.14159, 720.5};

class ShearRotation : public ::testing::TestWithParam<TPVPixelFormat> {
 protected:
  TempFolderScope temp_;
};

TEST_P(ShearRotation, AgreesWithThePlainModel) {
  const TPVPixelFormat format = GetParam();
  std::mt19937 random(31 + format);
  std::uniform_int_distribution<int32_t> side(1, 37), byte(0, 255);
  std::uniform_real_distribution<double> anyAngle(-400, 400);
  std::vector<double> angles(std::begin(kSpecialAngles), std::end(kSpecialAngles));
  for (int i = 0; i < 40; ++i) angles.push_back(anyAngle(random));
  for (const double angle : angles)
    for (const bool blend : {true, false}) {
      const Picture source = RandomPicture(random, side(random), side(random), format);
      ShearModel model;
      for (int c = 0; c < source.size; ++c) model.bg.push_back(static_cast<uint8_t>(byte(random)));
      model.blend = blend;
      const Picture expected = model.Rotate(source, angle);
      const Picture actual = Sheared(source, format, blend, model.bg, angle);
      ASSERT_EQ(actual, expected) << "angle " << angle << " blend " << blend << " " << source.width
                                  << "x" << source.height << ": "
                                  << FirstDifference(actual, expected);
    }
}

// Flat images with a sharp edge make the blend's rounding and its negative weights show.
TEST_P(ShearRotation, AgreesWithTheModelOnHardEdges) {
  const TPVPixelFormat format = GetParam();
  for (const double angle : {7.3, -12.0, 29.999, 44.5}) {
    Picture source(23, 17, PixelSize(format));
    for (int32_t y = 0; y < source.height; ++y)
      for (int32_t x = 0; x < source.width; ++x)
        std::fill_n(source.at(x, y), source.size, static_cast<uint8_t>(x < 11 ? 255 : 1));
    ShearModel model;
    model.bg.assign(source.size, 0);
    model.blend = true;
    EXPECT_EQ(Sheared(source, format, true, model.bg, angle), model.Rotate(source, angle)) << angle;
  }
}

TEST_P(ShearRotation, NoChangeBelowAThousandthOrAtAFullTurn) {
  const TPVPixelFormat format = GetParam();
  std::mt19937 random(33);
  const Picture source = RandomPicture(random, 9, 7, format);
  for (const double angle : {0.0, 0.0004, -0.0009, 360.0, -720.0})
    EXPECT_EQ(Sheared(source, format, true, std::vector<uint8_t>(3, 77), angle), source) << angle;
}

// W1 = 114, off1 = 7, H2 = 108 - 14 = 94, off2 = 14, W3 = 112; the corners stay background.
TEST_P(ShearRotation, OneHundredByFiftyAtThirtyDegrees) {
  const TPVPixelFormat format = GetParam();
  std::mt19937 random(34);
  const Picture source = RandomPicture(random, 100, 50, format);
  const std::vector<uint8_t> bg = {12, 34, 56};
  for (const bool blend : {true, false}) {
    const Picture rotated = Sheared(source, format, blend, bg, 30);
    ASSERT_EQ(rotated.width, 112);
    ASSERT_EQ(rotated.height, 94);
    for (const auto& [x, y] : {std::pair{0, 0}, {111, 0}, {0, 93}, {111, 93}})
      EXPECT_EQ(PixelAt(rotated, x, y), std::vector<uint8_t>(bg.begin(), bg.begin() + rotated.size))
          << x << "," << y;
  }
}

// Every blend of two equal even values gives the value back, so a flat image keeps its colour
// inside (odd values move up by one: the 2048 and the halves to even round them up).
TEST_P(ShearRotation, BlendingKeepsAFlatEvenColourInside) {
  const TPVPixelFormat format = GetParam();
  Picture source(40, 30, PixelSize(format));
  const uint8_t colour[3] = {100, 150, 200};
  for (int32_t y = 0; y < 30; ++y)
    for (int32_t x = 0; x < 40; ++x) source.Set(x, y, colour);
  const Picture rotated = Sheared(source, format, true, {0, 0, 0}, 3);
  EXPECT_EQ(PixelAt(rotated, rotated.width / 2, rotated.height / 2),
            std::vector<uint8_t>(colour, colour + source.size));
}

TEST_P(ShearRotation, ReportsProgressAfterEveryRowAndColumn) {
  const TPVPixelFormat format = GetParam();
  std::mt19937 random(35);
  const Picture source = RandomPicture(random, 31, 19, format);
  for (const double angle : {20.0, -130.0}) {
    ShearModel model;
    model.bg.assign(3, 0);
    model.blend = true;
    model.Rotate(source, angle);
    TPVBitmap bitmap;
    MakePictureBitmap(bitmap, Storage::MemoryBlock, source, format);
    ProgressLog log;
    TObject sender;
    ASSERT_TRUE(format == pv24RGB
                    ? RotateByShears(bitmap, true, &sender, log.Event(), TPVRGB{0, 0, 0}, angle)
                    : RotateByShears8(bitmap, true, 0, &sender, log.Event(), angle));
    EXPECT_EQ(log.percents, model.progress) << angle;
    EXPECT_EQ(log.sender, &sender);
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, ShearRotation, ::testing::Values(pv24RGB, pv8g, pv8p),
                         [](const ::testing::TestParamInfo<TPVPixelFormat>& p) {
                           return p.param == pv24RGB ? "RGB24"
                                  : p.param == pv8g  ? "Grey8"
                                                     : "Palette8";
                         });

class ShearDispatch : public ::testing::TestWithParam<Storage> {
 protected:
  TempFolderScope temp_;
};

// A grey bitmap stays grey: it goes through the 8-bit shears with the background's grey level.
TEST_P(ShearDispatch, EightBitFormatsTakeTheEightBitShears) {
  std::mt19937 random(36);
  const TPVRGB background{40, 90, 200};
  const auto grey = static_cast<uint8_t>(GrayLevelOf(background));
  for (const TPVPixelFormat format : {pv8g, pv8p}) {
    const Picture source = RandomPicture(random, 21, 13, format);
    TPVBitmap viaDispatch, direct;
    MakePictureBitmap(viaDispatch, GetParam(), source, format);
    MakePictureBitmap(direct, GetParam(), source, format);
    ASSERT_TRUE(RotateByShears(viaDispatch, true, nullptr, nullptr, background, 30));
    ASSERT_TRUE(RotateByShears8(direct, true, grey, nullptr, nullptr, 30));
    EXPECT_EQ(viaDispatch.GetPixelFormat(), format);
    EXPECT_EQ(ReadPicture(viaDispatch), ReadPicture(direct));
  }
}

// A 1-bit bitmap goes to Rotate1Bit, white outside when all three background bytes are set.
TEST_P(ShearDispatch, OneBitTakesTheNearestRotation) {
  std::mt19937 random(37);
  const Picture source = RandomPicture(random, 19, 12, pv1g);
  for (const auto& [background, white] :
       {std::pair{TPVRGB{1, 1, 1}, true}, {TPVRGB{0, 255, 255}, false}}) {
    TPVBitmap viaDispatch, direct;
    MakePictureBitmap(viaDispatch, GetParam(), source, pv1g);
    MakePictureBitmap(direct, GetParam(), source, pv1g);
    TPVProgressRecord progress;
    ASSERT_TRUE(RotateByShears(viaDispatch, true, nullptr, nullptr, background, 33));
    ASSERT_TRUE(Rotate1Bit(direct, white, progress, 33));
    EXPECT_EQ(viaDispatch.GetPixelFormat(), pv1g);
    EXPECT_EQ(ReadPicture(viaDispatch), ReadPicture(direct));
  }
}

// Other formats rotate into a canvas, with the background as their own fill value.
TEST_P(ShearDispatch, OtherFormatsRotateIntoACanvas) {
  std::mt19937 random(38);
  const TPVRGB background{40, 90, 200};
  const int32_t grey = GrayLevelOf(background);
  const struct {
    TPVPixelFormat format;
    int32_t fill;
  } cases[] = {{pv16g, grey * 257},
               {pv32f, 0},
               {pvCMYK, SwapRedBlue(background)},
               {pvRGB48, SwapRedBlue(background)},
               {pvCIELab, SwapRedBlue(background)},
               {pv32RGB, SwapRedBlue(background)}};
  for (const auto& c : cases) {
    const Picture source = RandomPicture(random, 17, 11, c.format);
    TPVBitmap viaDispatch, from, expected;
    MakePictureBitmap(viaDispatch, GetParam(), source, c.format);
    MakePictureBitmap(from, GetParam(), source, c.format);
    ASSERT_TRUE(RotateByShears(viaDispatch, true, nullptr, nullptr, background, 30));
    ASSERT_TRUE(RotateIntoCanvas(from, expected, c.fill, nullptr, nullptr, 30));
    EXPECT_EQ(viaDispatch.GetPixelFormat(), c.format);
    EXPECT_EQ(ReadPicture(viaDispatch), ReadPicture(expected)) << int{c.format};
  }
}

// The alpha plane keeps the image's size, its old content at the top left.
TEST_P(ShearDispatch, TheAlphaPlaneFollowsTheNewSize) {
  std::mt19937 random(39);
  TPVBitmap bitmap;
  MakePictureBitmap(bitmap, GetParam(), RandomPicture(random, 100, 50, pv24RGB), pv24RGB);
  bitmap.GetAlphaChannel()->SetPixel8(0, 0, 17);
  ASSERT_TRUE(RotateByShears(bitmap, true, nullptr, nullptr, TPVRGB{0, 0, 0}, 30));
  ASSERT_TRUE(bitmap.HasAlphaChannel());
  const TPVBitmap& plane = *bitmap.AlphaBitmap;
  EXPECT_EQ(plane.GetWidth(), 112);
  EXPECT_EQ(plane.GetHeight(), 94);
  EXPECT_EQ(plane.GetPixel8(0, 0), 17);
  EXPECT_EQ(plane.GetPixel8(111, 93), 0);
}

TEST_P(ShearDispatch, RefusalsLeaveTheBitmapAsItWas) {
  std::mt19937 random(40);
  const Picture source = RandomPicture(random, 8, 5, pv24RGB);
  for (const double angle : {double{NAN}, double{INFINITY}, 1e308}) {
    bool answered = true;
    EXPECT_EQ(Sheared(source, pv24RGB, true, {0, 0, 0}, angle, &answered), source) << angle;
    EXPECT_FALSE(answered) << angle;
  }
  TPVBitmap rgb, empty;
  MakePictureBitmap(rgb, GetParam(), source, pv24RGB);
  EXPECT_FALSE(RotateByShears8(rgb, true, 0, nullptr, nullptr, 30));
  EXPECT_EQ(ReadPicture(rgb), source);
  EXPECT_FALSE(RotateByShears(empty, true, nullptr, nullptr, TPVRGB{0, 0, 0}, 30));
}

INSTANTIATE_TEST_SUITE_P(Storages, ShearDispatch, ::testing::ValuesIn(kStorages), StorageCaseName);

}  // namespace
}  // namespace calmora::test
