// Our device bitmap's monochrome flag and its canvas: painting reaches the bitmap's own rows in
// every format, indexed formats take the nearest table entry only where the painting changed
// something, and the canvas follows size and format changes.
#include "platform/device_bitmap.h"

#include <gtest/gtest.h>

#include <QLinearGradient>
#include <QPainter>
#include <limits>
#include <vector>

#include "platform/canvas.h"

namespace calmora::platform {
namespace {

TRGBQuad Quad(int r, int g, int b) {
  return TRGBQuad{static_cast<uint8_t>(b), static_cast<uint8_t>(g), static_cast<uint8_t>(r), 0};
}

int IndexAt(TBitmap& bitmap, int x, int y) {
  const uint8_t* row = bitmap.GetScanLine(y);
  switch (bitmap.GetPixelFormat()) {
    case pf1bit: return (row[x / 8] >> (7 - x % 8)) & 1;
    case pf4bit: return x % 2 ? row[x / 2] & 15 : row[x / 2] >> 4;
    default: return row[x];
  }
}

// The test's own nearest entry: smallest squared distance, first one on ties.
int NearestByBruteForce(TBitmap& bitmap, QRgb color) {
  int best = 0;
  int bestDistance = std::numeric_limits<int>::max();
  for (int i = 0; i < bitmap.GetColorTableLength(); ++i) {
    const TRGBQuad e = bitmap.GetColorTableEntry(i);
    const int d = (e.rgbRed - qRed(color)) * (e.rgbRed - qRed(color)) +
                  (e.rgbGreen - qGreen(color)) * (e.rgbGreen - qGreen(color)) +
                  (e.rgbBlue - qBlue(color)) * (e.rgbBlue - qBlue(color));
    if (d < bestDistance) {
      bestDistance = d;
      best = i;
    }
  }
  return best;
}

TEST(DeviceBitmapMonochrome, OnlyOneBitBitmapsAreMonochromeAndTheFlagIsSettable) {
  TBitmap bitmap;
  EXPECT_FALSE(bitmap.GetMonochrome()) << "pfDevice";
  bitmap.SetMonochrome(true);
  EXPECT_FALSE(bitmap.GetMonochrome()) << "ignored for other formats";
  ASSERT_TRUE(bitmap.SetPixelFormat(pf1bit));
  EXPECT_TRUE(bitmap.GetMonochrome()) << "the default of 1 bit";

  const TRGBQuad colours[2] = {Quad(200, 0, 0), Quad(0, 0, 200)};
  bitmap.SetMonochrome(false);
  bitmap.SetColorTable(0, 2, colours);
  EXPECT_FALSE(bitmap.GetMonochrome());
  EXPECT_EQ(bitmap.GetColorTableEntry(1), colours[1]) << "a two-colour bitmap keeps its table";

  bitmap.SetMonochrome(true);
  EXPECT_EQ(bitmap.GetColorTableEntry(0), Quad(0, 0, 0));
  EXPECT_EQ(bitmap.GetColorTableEntry(1), Quad(255, 255, 255)) << "monochrome is black and white";

  bitmap.SetMonochrome(false);
  ASSERT_TRUE(bitmap.SetPixelFormat(pf8bit));
  ASSERT_TRUE(bitmap.SetPixelFormat(pf1bit));
  EXPECT_TRUE(bitmap.GetMonochrome()) << "a new 1-bit format starts monochrome";
}

TEST(DeviceBitmapCanvas, BelongsToTheBitmapAndRefusesEmptyBitmaps) {
  TBitmap bitmap;
  TCanvas* canvas = bitmap.GetCanvas();
  ASSERT_NE(canvas, nullptr);
  EXPECT_EQ(bitmap.GetCanvas(), canvas);
  EXPECT_EQ(&canvas->GetBitmap(), &bitmap);
  bool called = false;
  EXPECT_FALSE(canvas->Paint([&](QPainter&) { called = true; }));
  EXPECT_FALSE(called) << "nothing to paint on";
}

struct DirectCase {
  TPixelFormat Format;
  std::vector<uint8_t> WhitePixel;  // the bytes of one white pixel
};

TEST(DeviceBitmapCanvas, PaintsTheOwnRowsOfEveryDirectFormat) {
  const DirectCase cases[] = {
      {pf15bit, {0xFF, 0x7F}},
      {pf16bit, {0xFF, 0xFF}},
      {pf24bit, {0xFF, 0xFF, 0xFF}},
      {pf32bit, {0xFF, 0xFF, 0xFF, 0xFF}},
      {pfDevice, {0xFF, 0xFF, 0xFF, 0xFF}},
  };
  for (const DirectCase& c : cases) {
    SCOPED_TRACE(c.Format);
    TBitmap bitmap;
    ASSERT_TRUE(bitmap.SetPixelFormat(c.Format));
    ASSERT_TRUE(bitmap.SetSize(7, 5));
    uint8_t* row = bitmap.GetScanLine(2);
    ASSERT_TRUE(bitmap.GetCanvas()->Paint([](QPainter& p) { p.fillRect(3, 2, 2, 1, Qt::white); }));
    EXPECT_EQ(bitmap.GetScanLine(2), row) << "painted in place";
    const size_t size = c.WhitePixel.size();
    EXPECT_EQ(std::vector<uint8_t>(row + 3 * size, row + 4 * size), c.WhitePixel);
    EXPECT_EQ(std::vector<uint8_t>(row + 2 * size, row + 3 * size), std::vector<uint8_t>(size, 0));
    EXPECT_EQ(bitmap.GetScanLine(1)[3 * size], 0) << "the row above stays";
  }
}

TEST(DeviceBitmapCanvas, FollowsSizeAndFormatChanges) {
  TBitmap bitmap;
  bitmap.SetPixelFormat(pf24bit);
  bitmap.SetSize(4, 4);
  TCanvas* canvas = bitmap.GetCanvas();
  ASSERT_TRUE(bitmap.SetSize(40, 30));
  ASSERT_TRUE(canvas->Paint([](QPainter& p) { p.fillRect(35, 25, 1, 1, QColor(1, 2, 3)); }));
  EXPECT_EQ(bitmap.GetScanLine(25)[35 * 3], 3);
  ASSERT_TRUE(bitmap.SetPixelFormat(pf8bit));
  bitmap.SetGrayColorTable();
  ASSERT_TRUE(canvas->Paint([](QPainter& p) { p.fillRect(0, 29, 40, 1, QColor(77, 77, 77)); }));
  EXPECT_EQ(bitmap.GetScanLine(29)[39], 77);
}

TEST(DeviceBitmapCanvas, IndexedFormatsTakeTheNearestEntryOfWhatWasPainted) {
  for (const TPixelFormat format : {pf1bit, pf4bit, pf8bit}) {
    SCOPED_TRACE(format);
    TBitmap bitmap;
    ASSERT_TRUE(bitmap.SetPixelFormat(format));
    ASSERT_TRUE(bitmap.SetSize(61, 9));
    if (format == pf8bit) {
      for (int i = 0; i < 256; ++i) {
        const TRGBQuad entry = Quad(i * 37 % 256, i * 91 % 256, i * 13 % 256);
        bitmap.SetColorTable(i, 1, &entry);
      }
    }
    QImage painted(61, 9, QImage::Format_RGB32);
    ASSERT_TRUE(bitmap.GetCanvas()->Paint([&](QPainter& p) {
      QLinearGradient gradient(0, 0, 61, 9);
      gradient.setColorAt(0, QColor(255, 0, 40));
      gradient.setColorAt(0.5, QColor(10, 200, 90));
      gradient.setColorAt(1, QColor(30, 60, 255));
      p.fillRect(0, 0, 61, 9, gradient);
      painted = p.device()->devType() == QInternal::Image ? static_cast<QImage*>(p.device())->copy()
                                                          : QImage();
    }));
    ASSERT_FALSE(painted.isNull());
    for (int y = 0; y < 9; ++y)
      for (int x = 0; x < 61; ++x)
        ASSERT_EQ(IndexAt(bitmap, x, y), NearestByBruteForce(bitmap, painted.pixel(x, y)))
            << x << "," << y;
  }
}

TEST(DeviceBitmapCanvas, PixelsLeftAloneKeepTheirIndex) {
  TBitmap bitmap;
  bitmap.SetPixelFormat(pf8bit);
  bitmap.SetSize(10, 2);
  const TRGBQuad black = Quad(0, 0, 0);
  bitmap.SetColorTable(5, 1, &black);  // entry 0 is black too
  for (int x = 0; x < 10; ++x) bitmap.GetScanLine(0)[x] = bitmap.GetScanLine(1)[x] = 5;
  ASSERT_TRUE(bitmap.GetCanvas()->Paint([](QPainter& p) { p.fillRect(0, 1, 3, 1, Qt::black); }));
  for (int x = 0; x < 10; ++x) EXPECT_EQ(bitmap.GetScanLine(0)[x], 5) << x;
  for (int x = 3; x < 10; ++x) EXPECT_EQ(bitmap.GetScanLine(1)[x], 5) << x;
}

TEST(DeviceBitmapCanvas, AntialiasedLinesOnOneBitAreSolid) {
  TBitmap bitmap;
  bitmap.SetPixelFormat(pf1bit);
  bitmap.SetSize(40, 9);
  ASSERT_TRUE(bitmap.GetCanvas()->Paint([](QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::white, 3));
    p.drawLine(2, 4, 37, 4);
  }));
  for (int x = 4; x < 36; ++x) EXPECT_EQ(IndexAt(bitmap, x, 4), 1) << x;
}

}  // namespace
}  // namespace calmora::platform
