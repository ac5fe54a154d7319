// Our device bitmap under pvTBitmap: row layout, resizing, format changes with pixel
// conversion, colour tables, and painting through the QImage laid over its own buffer.
#include "platform/device_bitmap.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

namespace calmora::platform {
namespace {

TEST(DeviceBitmap, RowsAreTopDownAndAlignedTo32Bits) {
  TBitmap bitmap;
  EXPECT_EQ(bitmap.GetPixelFormat(), pfDevice);
  EXPECT_EQ(bitmap.GetScanLine(0), nullptr);
  ASSERT_TRUE(bitmap.SetPixelFormat(pf24bit));
  ASSERT_TRUE(bitmap.SetSize(5, 3));
  EXPECT_EQ(bitmap.GetRowLength(), 16);
  EXPECT_EQ(bitmap.GetScanLine(1), bitmap.GetScanLine(0) + 16);
  EXPECT_EQ(bitmap.GetScanLine(3), nullptr);
  EXPECT_FALSE(bitmap.SetSize(-1, 3));
  EXPECT_FALSE(bitmap.SetSize(INT32_MAX, 2));
  EXPECT_EQ(bitmap.GetWidth(), 5) << "a refused size changes nothing";
  EXPECT_FALSE(bitmap.SetPixelFormat(pfCustom));
}

TEST(DeviceBitmap, ResizingKeepsTheTopLeft) {
  TBitmap bitmap;
  bitmap.SetPixelFormat(pf8bit);
  bitmap.SetSize(4, 4);
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 4; ++x) bitmap.GetScanLine(y)[x] = static_cast<uint8_t>(y * 4 + x + 1);
  ASSERT_TRUE(bitmap.SetSize(6, 2));
  EXPECT_EQ(bitmap.GetScanLine(1)[3], 8);
  EXPECT_EQ(bitmap.GetScanLine(1)[4], 0);
  ASSERT_TRUE(bitmap.SetSize(2, 3));
  EXPECT_EQ(bitmap.GetScanLine(0)[1], 2);
  EXPECT_EQ(bitmap.GetScanLine(2)[0], 0);
}

TEST(DeviceBitmap, FormatChangesConvertThePixels) {
  TBitmap bitmap;
  bitmap.SetPixelFormat(pf24bit);
  bitmap.SetSize(2, 1);
  uint8_t* row = bitmap.GetScanLine(0);
  row[0] = 255;  // blue
  row[1] = 255;
  row[2] = 255;  // white
  ASSERT_TRUE(bitmap.SetPixelFormat(pf16bit));
  EXPECT_EQ(bitmap.GetScanLine(0)[0], 0xFF);
  EXPECT_EQ(bitmap.GetScanLine(0)[1], 0xFF);
  ASSERT_TRUE(bitmap.SetPixelFormat(pf1bit));
  EXPECT_EQ(bitmap.GetScanLine(0)[0] & 0xC0, 0x80) << "white, then black";
  ASSERT_TRUE(bitmap.SetPixelFormat(pf8bit));  // indices stay indices
  EXPECT_EQ(bitmap.GetScanLine(0)[0], 1);
  EXPECT_EQ(bitmap.GetColorTableEntry(1), (TRGBQuad{255, 255, 255, 0}));
  ASSERT_TRUE(bitmap.SetPixelFormat(pf32bit));
  EXPECT_EQ(bitmap.GetScanLine(0)[2], 255);
  EXPECT_EQ(bitmap.GetScanLine(0)[6], 0);
}

TEST(DeviceBitmap, ColourTables) {
  TBitmap bitmap;
  bitmap.SetPixelFormat(pf8bit);
  EXPECT_EQ(bitmap.GetColorTableLength(), 256);
  EXPECT_FALSE(bitmap.HasGrayColorTable()) << "a new 8-bit table is not the grey ramp";
  bitmap.SetGrayColorTable();
  EXPECT_TRUE(bitmap.HasGrayColorTable());
  const TRGBQuad red{0, 0, 255, 0};
  bitmap.SetColorTable(255, 2, &red);  // the entry past the table is ignored
  EXPECT_EQ(bitmap.GetColorTableEntry(255), red);
  EXPECT_FALSE(bitmap.HasGrayColorTable());
  bitmap.SetPixelFormat(pf24bit);
  EXPECT_EQ(bitmap.GetColorTableLength(), 0);
}

TEST(DeviceBitmap, PaintingWritesIntoTheOwnBuffer) {
  TBitmap bitmap;
  bitmap.SetPixelFormat(pf24bit);
  bitmap.SetSize(8, 8);
  uint8_t* row = bitmap.GetScanLine(3);
  {
    QImage image = bitmap.GetImage();
    ASSERT_FALSE(image.isNull());
    QPainter painter(&image);
    painter.fillRect(2, 3, 4, 2, QColor(10, 20, 30));
  }
  EXPECT_EQ(bitmap.GetScanLine(3), row) << "row pointers stay valid";
  EXPECT_EQ(row[2 * 3], 30);
  EXPECT_EQ(row[2 * 3 + 1], 20);
  EXPECT_EQ(row[2 * 3 + 2], 10);
  EXPECT_EQ(row[0], 0);
  bitmap.SetPixelFormat(pf4bit);
  EXPECT_TRUE(bitmap.GetImage().isNull()) << "no image format for 4 bits";
}

}  // namespace
}  // namespace calmora::platform
