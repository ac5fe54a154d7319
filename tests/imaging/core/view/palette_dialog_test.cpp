// The palette dialog, driven by test events inside its modal loop: moving to a cell makes it
// current, a click picks its colour, Esc and Cancel pick nothing; points outside the grid of
// cells select nothing. A grab shows every cell where and in the colour it belongs.
#include "imaging/core/view/palette_dialog.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <functional>
#include <vector>

#include "tests/support/qt_test_app.h"

namespace calmora {
namespace {

std::vector<TPVRGB> Entries(int count) {
  std::vector<TPVRGB> entries;
  for (int i = 0; i < count; ++i)
    entries.push_back(TPVRGB{static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i * 7),
                             static_cast<uint8_t>(i)});
  return entries;
}

TColor ToolkitColor(const TPVRGB& entry) { return entry.r | (entry.g << 8) | (entry.b << 16); }

// Moves the mouse to a point of the dialog. Each dialog opens at the same place on the screen
// and the toolkit drops a move to where the mouse already is, so it passes elsewhere first.
void MoveTo(TPictavoPaletteDialog& dialog, QPoint point) {
  QTest::mouseMove(&dialog, QPoint(point.x() + 1, point.y() + 100));
  QTest::mouseMove(&dialog, point);
}

// Runs the dialog modally while actions run inside its loop; gives Execute's answer.
bool RunWith(TPictavoPaletteDialog& dialog, const std::function<void()>& actions) {
  QTimer::singleShot(0, &dialog, [&dialog, actions] {
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    actions();
    // Should the actions not end the loop, end it so that the test reports instead of hanging.
    QTimer::singleShot(0, &dialog, [&dialog] {
      if (dialog.isVisible()) dialog.done(-1);
    });
  });
  return dialog.Execute();
}

TEST(PaletteDialogTest, BuiltInCode) {
  TPictavoPaletteDialog dialog;
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Palette"));
  EXPECT_EQ(dialog.size(), QSize(520, 199));
  EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
  EXPECT_TRUE(dialog.hasMouseTracking());
  EXPECT_EQ(dialog.CancelButton->text(), QStringLiteral("&Cancel"));
  EXPECT_EQ(dialog.CancelButton->pos(), QPoint(4, 136));
  EXPECT_EQ(dialog.CurrentCell, -1);
  const Qt::WindowFlags flags = dialog.windowFlags();
  EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint |
                        Qt::WindowContextHelpButtonHint));
}

TEST(PaletteDialogTest, MovingToACellAndClickingPicksItsColour) {
  const std::vector<TPVRGB> entries = Entries(256);
  TPictavoPaletteDialog dialog;
  dialog.SetPalette(entries.data(), 256);
  const bool picked = RunWith(dialog, [&] {
    MoveTo(dialog, QPoint(20, 20));
    EXPECT_TRUE(test::ProcessEventsUntil([&] { return dialog.CurrentCell == 33; }));
    QTest::mouseClick(&dialog, Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
  });
  EXPECT_TRUE(picked);
  EXPECT_EQ(dialog.CurrentCell, 33);
  EXPECT_EQ(dialog.GetColor(), ToolkitColor(entries[33]));
  // The dialog is centred on the screen.
  const QRect screen = dialog.screen()->availableGeometry();
  EXPECT_LE(std::abs(dialog.geometry().center().x() - screen.center().x()), 1);
}

TEST(PaletteDialogTest, EscapeAndCancelPickNothingAndKeepTheColour) {
  const std::vector<TPVRGB> entries = Entries(64);
  for (bool escape : {true, false}) {
    TPictavoPaletteDialog dialog;
    dialog.SetPalette(entries.data(), 64);
    dialog.Color = 0xABCDEF;
    const bool picked = RunWith(dialog, [&] {
      MoveTo(dialog, QPoint(20, 20));
      test::ProcessEventsUntil([&] { return dialog.CurrentCell == 33; });
      if (escape)
        QTest::keyClick(&dialog, Qt::Key_Escape);
      else
        QTest::mouseClick(dialog.CancelButton, Qt::LeftButton);
    });
    EXPECT_FALSE(picked) << escape;
    EXPECT_EQ(dialog.result(), TPictavoPaletteDialog::mrCancel);
    EXPECT_EQ(dialog.GetColor(), 0xABCDEFu) << escape;
  }
}

TEST(PaletteDialogTest, AClickWithoutACurrentCellPicksNothing) {
  const std::vector<TPVRGB> entries = Entries(10);
  TPictavoPaletteDialog dialog;
  dialog.SetPalette(entries.data(), 10);
  const bool picked = RunWith(dialog, [&] {
    // Below the last entry: no cell becomes current, the click does nothing.
    QTest::mouseClick(&dialog, Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
    QTest::keyClick(&dialog, Qt::Key_Escape);
  });
  EXPECT_FALSE(picked);
  EXPECT_EQ(dialog.CurrentCell, -1);
}

TEST(PaletteDialogTest, PointsOutsideTheGridSelectNothing) {
  const std::vector<TPVRGB> entries = Entries(256);
  TPictavoPaletteDialog dialog;
  dialog.SetPalette(entries.data(), 256);
  dialog.TrackCell(40, 40);  // cell 66
  ASSERT_EQ(dialog.CurrentCell, 66);
  struct Point {
    int x, y;
  };
  // Right of cell 31, left of cell 0, above row 0, past the last row.
  std::vector<Point> outside = {{0, 40}, {-1, 40}, {-20, 40}, {40, 0}, {40, -5}, {40, 8 * 16 + 1}};
  for (int x = 513; x <= 519; ++x) outside.push_back({x, 40});
  for (const Point& p : outside) {
    dialog.TrackCell(p.x, p.y);
    EXPECT_EQ(dialog.CurrentCell, 66) << p.x << "," << p.y;
  }
  // The edges of the grid still belong to it.
  dialog.TrackCell(512, 40);
  EXPECT_EQ(dialog.CurrentCell, 2 * 32 + 31);
  dialog.TrackCell(1, 1);
  EXPECT_EQ(dialog.CurrentCell, 0);
  dialog.TrackCell(512, 128);
  EXPECT_EQ(dialog.CurrentCell, 255);
}

TEST(PaletteDialogTest, TestEventsRightOfTheGridSelectNothing) {
  const std::vector<TPVRGB> entries = Entries(256);
  TPictavoPaletteDialog dialog;
  dialog.SetPalette(entries.data(), 256);
  RunWith(dialog, [&] {
    MoveTo(dialog, QPoint(20, 20));
    test::ProcessEventsUntil([&] { return dialog.CurrentCell == 33; });
    for (int x = 513; x <= 519; ++x) QTest::mouseMove(&dialog, QPoint(x, 20));
    QTest::mouseMove(&dialog, QPoint(515, 60));
    QCoreApplication::processEvents();
    QTest::keyClick(&dialog, Qt::Key_Escape);
  });
  EXPECT_EQ(dialog.CurrentCell, 33);
}

TEST(PaletteDialogTest, AGrabShowsEveryCellInItsColourTheCurrentOneOutlinedBlack) {
  const std::vector<TPVRGB> entries = Entries(256);
  TPictavoPaletteDialog dialog;
  dialog.SetPalette(entries.data(), 256);
  dialog.TrackCell(20, 20);
  const QImage shot = dialog.grab().toImage();
  ASSERT_EQ(shot.size(), QSize(520, 199));
  for (int i = 0; i < 256; ++i) {
    const int left = (i % 32) * 16 + 1, top = (i / 32) * 16 + 1;
    const QColor outline = i == 33 ? Qt::black : Qt::white;
    const QColor fill(entries[i].r, entries[i].g, entries[i].b);
    for (int d = 0; d < 15; ++d) {
      EXPECT_EQ(shot.pixelColor(left + d, top), outline) << i;
      EXPECT_EQ(shot.pixelColor(left + d, top + 14), outline) << i;
      EXPECT_EQ(shot.pixelColor(left, top + d), outline) << i;
      EXPECT_EQ(shot.pixelColor(left + 14, top + d), outline) << i;
    }
    for (int y = 1; y < 14; ++y)
      for (int x = 1; x < 14; ++x) ASSERT_EQ(shot.pixelColor(left + x, top + y), fill) << i;
  }
  // The 16th pixel of every pitch is the dialog's background, not a cell.
  EXPECT_EQ(shot.pixelColor(16, 5), shot.pixelColor(0, 0));
  EXPECT_EQ(shot.pixelColor(5, 16), shot.pixelColor(0, 0));
}

// On a display (QT_QPA_PLATFORM=xcb, under Xvfb for instance) the dialog opens as a real
// window: the screen shows the cells where the dialog drew them. CALMORA_SCREENSHOT names a
// PNG file for the screen's picture of the window.
TEST(PaletteDialogTest, OpensAsARealWindowOnADisplay) {
  if (QGuiApplication::platformName() != QStringLiteral("xcb"))
    GTEST_SKIP() << "needs a display (QT_QPA_PLATFORM=xcb)";
  const std::vector<TPVRGB> entries = Entries(256);
  TPictavoPaletteDialog dialog;
  dialog.SetPalette(entries.data(), 256);
  QImage screenShot;
  RunWith(dialog, [&] {
    MoveTo(dialog, QPoint(20, 20));
    test::ProcessEventsUntil([&] { return dialog.CurrentCell == 33; });
    dialog.repaint();
    QCoreApplication::processEvents();
    const QPoint origin = dialog.mapToGlobal(QPoint(0, 0));
    screenShot = dialog.screen()->grabWindow(0, origin.x(), origin.y(), 520, 199).toImage();
    QTest::keyClick(&dialog, Qt::Key_Escape);
  });
  ASSERT_EQ(screenShot.size(), QSize(520, 199));
  for (int i = 0; i < 256; ++i) {
    const int x = (i % 32) * 16 + 8, y = (i / 32) * 16 + 8;
    EXPECT_EQ(screenShot.pixelColor(x, y), QColor(entries[i].r, entries[i].g, entries[i].b)) << i;
  }
  EXPECT_EQ(screenShot.pixelColor(1 * 16 + 1, 1 * 16 + 1), QColor(Qt::black));  // cell 33
  if (const char* path = std::getenv("CALMORA_SCREENSHOT")) {
    EXPECT_TRUE(screenShot.save(path));
  }
}

}  // namespace
}  // namespace calmora
