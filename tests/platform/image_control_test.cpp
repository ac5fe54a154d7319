// The image control: it shows its picture at the top left over white, and paints again when
// the picture is marked modified.
#include "platform/image_control.h"

#include <gtest/gtest.h>
#include <QImage>
#include <QTest>

#include "platform/canvas.h"
#include "tests/support/qt_test_app.h"

namespace calmora::platform {
namespace {

TEST(ImageControlTest, ShowsItsPictureOverWhite) {
  TImage image(nullptr);
  image.SetBounds(0, 0, 30, 20);
  TBitmap& picture = *image.GetPicture()->GetBitmap();
  ASSERT_TRUE(picture.SetPixelFormat(pf24bit));
  ASSERT_TRUE(picture.SetSize(10, 6));
  picture.GetCanvas()->Brush.Color = 0x0000FF;  // red
  picture.GetCanvas()->FillRect(0, 0, 10, 6);
  picture.GetScanLine(5)[9 * 3 + 1] = 255;  // bottom-right pixel red and green
  const QImage shot = image.grab().toImage();
  EXPECT_EQ(shot.pixelColor(0, 0), QColor(255, 0, 0));
  EXPECT_EQ(shot.pixelColor(9, 5), QColor(255, 255, 0));
  EXPECT_EQ(shot.pixelColor(10, 5), QColor(255, 255, 255));
  EXPECT_EQ(shot.pixelColor(29, 19), QColor(255, 255, 255));
  EXPECT_EQ(image.GetPaintCount(), 1);
}

TEST(ImageControlTest, PaintsAgainWhenThePictureIsMarkedModified) {
  TImage image(nullptr);
  image.SetBounds(0, 0, 20, 20);
  image.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&image));
  test::ProcessEventsUntil([] { return false; }, 50);
  const int32_t painted = image.GetPaintCount();
  image.GetPicture()->Modified();
  EXPECT_TRUE(test::ProcessEventsUntil([&] { return image.GetPaintCount() > painted; }));
}

}  // namespace
}  // namespace calmora::platform
